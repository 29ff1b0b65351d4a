// User actions of the main view: box strip, profiles, monitor switches, Info,
// window dragging and closing.
#include "core/panelcommands.h"
#include "ui/infoview.h"
#include "ui/mainview.h"
#include "ui/mainview_p.h"
#include "ui/zaldorgbfanview.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextEdit>

#include <algorithm>

using namespace mainview;

namespace {
// The strip along the top, left of the minimise and close buttons.
bool inTitleStrip(const QPoint &p) { return p.y() < 35 && p.x() < 825; }
} // namespace

void MainView::sendDataToControl(const QStringList &list)
{
    qCDebug(lcMainView) << "sendDataToControl" << list;
    Q_EMIT sendData(list);
}

void MainView::receiveFanData(QStringList list)
{
    qCDebug(lcMainView) << "receiveFanData->count():" << list.count();
    for (int i = 0; i < list.count(); ++i)
        qCDebug(lcMainView).nospace() << "receiveFanData[" << i << "]:" << list.at(i);
    sendDataToControl(list);
}

void MainView::changeControllerBox()
{
    qCDebug(lcMainView) << "changeControllerBox";
    qCDebug(lcMainView) << "controllerGroup->checkedId():" << m_boxGroup->checkedId();
    auto *button = qobject_cast<QPushButton *>(sender());
    const int box = button ? numberAfter(button->objectName(), QString()) : -1;
    if (box < 0 || box >= kBoxes || m_boxButtons[size_t(box)] != button) {
        qCWarning(lcMainView) << "changeControllerBox: not a box button:" << (button ? button->objectName() : QString());
        return;
    }
    if (!button->isCheckable())
        return; // absent box
    if (box == m_lastBox)
        qCDebug(lcMainView) << "click same controller";
    else
        m_lastBox = box;
    qCDebug(lcMainView) << "controllerBoxNumber:" << box;
    sendDataToControl({PanelCommand::changeControllerBox, QString::number(box)});

    for (int f = 0; f < kFanViews; ++f) {
        const bool monitored = m_monitorSwitches[size_t(f)]->isChecked();
        m_fanViews[size_t(f)]->setDisabledCoverHidden(monitored);
        m_fanViews[size_t(f)]->setErrorCoverHidden(monitored);
    }
}

void MainView::moveControllerBox()
{
    QScrollBar *bar = m_strip->horizontalScrollBar();
    const int position = bar->value();
    const QObject *from = sender();
    if (from == m_arrowLeft)
        bar->setValue(std::max(position - kBoxStep, 0));
    else if (from == m_arrowRight)
        bar->setValue(std::min(position + kBoxStep, kStripContentWidth));
    else
        bar->setValue(0);
}

void MainView::selectProfile()
{
    const int id = m_profileGroup->checkedId();
    qCDebug(lcMainView) << "profileGroup->checkedId():" << id;
    sendDataToControl({PanelCommand::selectProfile, QString::number(id)});
}

void MainView::saveProfile()
{
    qCDebug(lcMainView) << "saveProfile";
    sendDataToControl({PanelCommand::saveProfile});
}

void MainView::showInfo()
{
    qCDebug(lcMainView) << "showInfo";
    // While the window is open the readings are not asked for again.
    if (!m_infoView->isHidden())
        return;
    m_infoView->textEdit()->clear();
    m_infoView->show();
    sendDataToControl({PanelCommand::showInfo});
}

void MainView::closeFanControl()
{
    auto *button = qobject_cast<QPushButton *>(sender());
    const int fan = button ? numberAfter(button->objectName(), QString()) : -1;
    if (fan < 0 || fan >= kFanViews || m_monitorSwitches[size_t(fan)] != button) {
        qCWarning(lcMainView) << "closeFanControl: not a monitor switch:" << (button ? button->objectName() : QString());
        return;
    }
    const bool on = button->isChecked();
    qCDebug(lcMainView) << "closeFanControl:" << button->objectName();
    qCDebug(lcMainView) << "closeFanControl->isChecked:" << on;
    sendDataToControl({PanelCommand::closeFanControl, QString::number(fan), on ? QStringLiteral("1") : QStringLiteral("0")});
    m_fanViews[size_t(fan)]->setDisabledCoverHidden(on);
}

void MainView::mousePressEvent(QMouseEvent *event)
{
    m_drag.press(this, event, inTitleStrip(event->pos()));
    if (m_menu->isVisible())
        m_menu->hide();
    // The keypad cover lies at our origin, so its panel's place is in our coordinates.
    if (m_keypadCover->isVisible() && !m_keypadPanel->geometry().contains(event->pos()))
        cancelKeypad();
    QWidget::mousePressEvent(event);
}

void MainView::mouseMoveEvent(QMouseEvent *event)
{
    m_drag.move(this, event, inTitleStrip(event->pos()));
    QWidget::mouseMoveEvent(event);
}

void MainView::closeEvent(QCloseEvent *event)
{
    // Closing only hides the panel; the program goes on in the tray.
    hide();
    event->ignore();
}

