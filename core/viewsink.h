#pragma once

#include <QString>

// Everything the core pushes to the windows. The real implementation forwards
// to MainView and AlertView; tests record the calls. Fan f is 0..2, box b 0..15.
class ViewSink {
public:
    virtual ~ViewSink() = default;

    // Main view (its public operations).
    virtual void setLanguage(int index) = 0;
    virtual void setFirmwareVersion(const QString &text) = 0;
    virtual void setSoftwareVersion(const QString &text) = 0;
    virtual void setIPAddress(const QString &text) = 0;
    virtual void setProfile(int profile) = 0;
    virtual void setProfileLabel(int profile) = 0;
    virtual void setBoxPresent(int box) = 0;
    virtual void setBoxChecked(int box) = 0;
    virtual void setBoxEnabled(int box, bool present) = 0;
    virtual void setBoxFault(int box, bool fault) = 0;
    virtual void setFanMonitor(int fan, bool on) = 0;
    virtual void setFanErrorHidden(int fan, bool hidden) = 0;
    virtual void setTemperature(int celsius) = 0;
    virtual void appendInfo(const QString &line) = 0;
    // box: the box (0..15) the message names, -1 for none.
    virtual void showError(bool hidden, int category, int index, int box = -1) = 0;
    virtual void setBlink(bool on, int fan) = 0;
    virtual void setBright(float bright, int fan) = 0;
    virtual void setRPM(int rpm, int fan) = 0;
    virtual void setPWM(bool on, int fan) = 0;
    virtual void setRGB(bool on, int fan) = 0;
    virtual void setFanSpeed(int level, int fan) = 0;
    // The percent the fan was last sent; -1 when none is known.
    virtual void setSentPercent(int percent, int fan) = 0;
    virtual void setTurnOff(bool off, int fan) = 0;
    virtual void setSelectColor(int red, int green, int blue, float bright, int fan) = 0;
    virtual void setAutoUpdateSwitch(bool on) = 0;
    virtual void setPasswordSwitch(bool on) = 0;
    virtual void setPasswordText(const QString &text) = 0;

    // Main view as a window.
    virtual void setPanelEnabled(bool enabled) = 0;
    virtual void showPanel() = 0;
    virtual void hidePanel() = 0;

    // Stopped-fan alert window: placed on every monitored reply, shown for a stopped fan.
    virtual void placeAlert() = 0;
    virtual void showAlert(int box, int fan) = 0;
};

// Does nothing; for a core without windows (tests, fuzzing).
class NullViewSink : public ViewSink {
public:
    void setLanguage(int) override {}
    void setFirmwareVersion(const QString &) override {}
    void setSoftwareVersion(const QString &) override {}
    void setIPAddress(const QString &) override {}
    void setProfile(int) override {}
    void setProfileLabel(int) override {}
    void setBoxPresent(int) override {}
    void setBoxChecked(int) override {}
    void setBoxEnabled(int, bool) override {}
    void setBoxFault(int, bool) override {}
    void setFanMonitor(int, bool) override {}
    void setFanErrorHidden(int, bool) override {}
    void setTemperature(int) override {}
    void appendInfo(const QString &) override {}
    void showError(bool, int, int, int) override {}
    void setBlink(bool, int) override {}
    void setBright(float, int) override {}
    void setRPM(int, int) override {}
    void setPWM(bool, int) override {}
    void setRGB(bool, int) override {}
    void setFanSpeed(int, int) override {}
    void setSentPercent(int, int) override {}
    void setTurnOff(bool, int) override {}
    void setSelectColor(int, int, int, float, int) override {}
    void setAutoUpdateSwitch(bool) override {}
    void setPasswordSwitch(bool) override {}
    void setPasswordText(const QString &) override {}
    void setPanelEnabled(bool) override {}
    void showPanel() override {}
    void hidePanel() override {}
    void placeAlert() override {}
    void showAlert(int, int) override {}
};
