#include "app/curveediting.h"

#include "core/controllerstate.h"
#include "core/valuerules.h"
#include "ui/curveeditor.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcCurveEditing, "zaldo.ui.curveeditor")

CurveEditing::CurveEditing(ControllerState &state, DeviceLink &link, SettingsStore &store, BoxSelection &boxes,
                           QWidget *window)
    : m_state(state), m_ops(state, link, store, boxes), m_window(window)
{
    connect(&state.events, &ModelEvents::passDone, this, &CurveEditing::refresh);
}

CurveEditing::~CurveEditing()
{
    delete m_editor;
}

void CurveEditing::open(int box, int fan)
{
    if (!isValidFan(box, fan)) {
        qCWarning(lcCurveEditing) << "editCurve: no fan" << fan << "on box" << box << ", refused";
        return;
    }
    if (m_editor && (m_box != box || m_fan != fan))
        delete m_editor;
    if (!m_editor) {
        m_box = box;
        m_fan = fan;
        m_editor = new CurveEditor(CurveEditor::startingCurve(m_state.box(box).fan(fan).source), m_window);
        m_editor->setAttribute(Qt::WA_DeleteOnClose);
        m_editor->setTarget(box, fan);
        // The fan it was opened for, whatever the panel shows by then.
        connect(m_editor, &CurveEditor::applied, this, [this, box, fan](const UserCurve &c) { apply(box, fan, c); });
        refresh();
    }
    m_editor->show();
    m_editor->raise();
    m_editor->activateWindow();
}

void CurveEditing::refresh()
{
    if (!m_editor || !isValidFan(m_box, m_fan))
        return;
    m_editor->setSensors(m_state.sensors);
    m_editor->setSentPercent(m_state.box(m_box).fan(m_fan).sentPercent);
}

void CurveEditing::apply(int box, int fan, const UserCurve &curve)
{
    if (!isValidFan(box, fan)) {
        qCWarning(lcCurveEditing) << "editCurve: fan" << fan << "of box" << box << "is gone, curve not applied";
        return;
    }
    m_ops.setUserCurve(EntryRules::panel(), box, fan, std::make_shared<const UserCurve>(curve));
}
