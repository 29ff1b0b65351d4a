#include "app/viewadapter.h"

#include "ui/alertview.h"
#include "ui/mainview.h"
#include "ui/windowplacement.h"

#include <QGuiApplication>
#include <QScreen>

#define FORWARD(call) \
    do {              \
        if (m_main)   \
            m_main->call; \
    } while (0)

void ViewAdapter::setLanguage(int index) { FORWARD(setLanguage(index)); }
void ViewAdapter::setFirmwareVersion(const QString &text) { FORWARD(setFirmwareVersion(text)); }
void ViewAdapter::setSoftwareVersion(const QString &text) { FORWARD(setSoftwareVersion(text)); }
void ViewAdapter::setIPAddress(const QString &text) { FORWARD(setIPAddress(text)); }
void ViewAdapter::setProfile(int profile) { FORWARD(setProfile(profile)); }
void ViewAdapter::setProfileLabel(int profile) { FORWARD(setProfileLabel(profile)); }
void ViewAdapter::setBoxPresent(int box) { FORWARD(setBoxPresent(box)); }
void ViewAdapter::setBoxChecked(int box) { FORWARD(setBoxChecked(box)); }
void ViewAdapter::setBoxEnabled(int box, bool present) { FORWARD(setBoxEnabled(box, present)); }
void ViewAdapter::setBoxFault(int box, bool fault) { FORWARD(setBoxFault(box, fault)); }
void ViewAdapter::setFanMonitor(int fan, bool on) { FORWARD(setFanMonitor(fan, on)); }
void ViewAdapter::setFanErrorHidden(int fan, bool hidden) { FORWARD(setFanErrorHidden(fan, hidden)); }
void ViewAdapter::setTemperature(int celsius) { FORWARD(setTemperature(celsius)); }
void ViewAdapter::appendInfo(const QString &line) { FORWARD(appendInfo(line)); }
void ViewAdapter::showError(bool hidden, int category, int index, int box)
{
    FORWARD(showError(hidden, category, index, box));
}
void ViewAdapter::setBlink(bool on, int fan) { FORWARD(setBlink(on, fan)); }
void ViewAdapter::setBright(float bright, int fan) { FORWARD(setBright(bright, fan)); }
void ViewAdapter::setRPM(int rpm, int fan) { FORWARD(setRPM(rpm, fan)); }
void ViewAdapter::setPWM(bool on, int fan) { FORWARD(setPWM(on, fan)); }
void ViewAdapter::setRGB(bool on, int fan) { FORWARD(setRGB(on, fan)); }
void ViewAdapter::setFanSpeed(int level, int fan) { FORWARD(setFanSpeed(level, fan)); }
void ViewAdapter::setSentPercent(int percent, int fan) { FORWARD(setSentPercent(percent, fan)); }
void ViewAdapter::setTurnOff(bool off, int fan) { FORWARD(setTurnOff(off, fan)); }
void ViewAdapter::setSelectColor(int red, int green, int blue, float bright, int fan)
{
    FORWARD(setSelectColor(red, green, blue, bright, fan));
}
void ViewAdapter::setAutoUpdateSwitch(bool on) { FORWARD(setAutoUpdateSwitch(on)); }
void ViewAdapter::setPasswordSwitch(bool on) { FORWARD(setPasswordSwitch(on)); }
void ViewAdapter::setPasswordText(const QString &text) { FORWARD(setPasswordText(text)); }
void ViewAdapter::setPanelEnabled(bool enabled) { FORWARD(setEnabled(enabled)); }
void ViewAdapter::showPanel() { FORWARD(show()); }
void ViewAdapter::hidePanel() { FORWARD(hide()); }

void ViewAdapter::placeAlert()
{
    if (!m_alert)
        return;
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect g = screen->geometry();
    constexpr int w = 428, h = 248;
    int x, y;
    if (m_controllerShown) {
        x = static_cast<int>((g.width() - w) * 0.5);
        y = static_cast<int>((g.height() - h) * 0.5);
    } else {
        x = g.width() - w - 20;
        y = g.height() - h - 50;
    }
    m_alert->setGeometry(QRect(placeOnScreen(QRect(x, y, w, h)), QSize(w, h)));
}

void ViewAdapter::showAlert(int box, int fan)
{
    if (!m_alert)
        return;
    m_alert->setControllerNumber(box, fan);
    m_alert->show();
}
