#pragma once

#include "commands/fanoperations.h"
#include "ui/curveeditor.h"

#include <QObject>
#include <QPointer>

struct ControllerState;
class QWidget;

// The panel's fan-curve editor: one at a time, for one fan, fed from the
// state after every temperature pass; what it applies goes through the fan
// rules like any panel change, so every front end sees it.
class CurveEditing : public QObject {
    Q_OBJECT
public:
    CurveEditing(ControllerState &state, DeviceLink &link, SettingsStore &store, BoxSelection &boxes,
                 QWidget *window = nullptr);
    ~CurveEditing() override;

    // Opens the editor for a fan (another fan's editor is closed first); a
    // box or fan that does not exist is refused in the log.
    void open(int box, int fan);
    CurveEditor *editor() const { return m_editor; }

private:
    void refresh();
    void apply(int box, int fan, const UserCurve &curve);

    ControllerState &m_state;
    FanOperations m_ops;
    QWidget *m_window;
    QPointer<CurveEditor> m_editor;
    int m_box = -1;
    int m_fan = -1;
};
