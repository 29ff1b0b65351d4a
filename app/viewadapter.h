#pragma once

#include "core/viewsink.h"
#include "ui/alertview.h"
#include "ui/mainview.h"

#include <QPointer>


// Forwards the core's view updates to the real windows.
class ViewAdapter : public ViewSink {
public:
    void setMainView(MainView *view) { m_main = view; }
    void setAlertView(AlertView *view) { m_alert = view; }
    // Whether the controller window counts as shown (it is never mapped on
    // Linux; it only decides where the alert window goes).
    void setControllerShown(bool shown) { m_controllerShown = shown; }

    void setLanguage(int index) override;
    void setFirmwareVersion(const QString &text) override;
    void setSoftwareVersion(const QString &text) override;
    void setIPAddress(const QString &text) override;
    void setProfile(int profile) override;
    void setProfileLabel(int profile) override;
    void setBoxPresent(int box) override;
    void setBoxChecked(int box) override;
    void setBoxEnabled(int box, bool present) override;
    void setBoxFault(int box, bool fault) override;
    void setFanMonitor(int fan, bool on) override;
    void setFanErrorHidden(int fan, bool hidden) override;
    void setTemperature(int celsius) override;
    void appendInfo(const QString &line) override;
    void showError(bool hidden, int category, int index, int box) override;
    void setBlink(bool on, int fan) override;
    void setBright(float bright, int fan) override;
    void setRPM(int rpm, int fan) override;
    void setPWM(bool on, int fan) override;
    void setRGB(bool on, int fan) override;
    void setFanSpeed(int level, int fan) override;
    void setSentPercent(int percent, int fan) override;
    void setTurnOff(bool off, int fan) override;
    void setSelectColor(int red, int green, int blue, float bright, int fan) override;
    void setAutoUpdateSwitch(bool on) override;
    void setPasswordSwitch(bool on) override;
    void setPasswordText(const QString &text) override;
    void setPanelEnabled(bool enabled) override;
    void showPanel() override;
    void hidePanel() override;
    void placeAlert() override;
    void showAlert(int box, int fan) override;

private:
    QPointer<MainView> m_main;
    QPointer<AlertView> m_alert;
    bool m_controllerShown = false;
};
