#pragma once

#include "core/viewsink.h"

#include <QStringList>

#include <algorithm>

// Records every call as text, e.g. "setRPM(4660,1)", for assertions.
class RecordingViewSink : public ViewSink {
public:
    QStringList calls;

    void clear() { calls.clear(); }
    int count(const QString &prefix) const
    {
        return int(std::count_if(calls.begin(), calls.end(), [&](const QString &c) { return c.startsWith(prefix); }));
    }

    void setLanguage(int i) override { rec("setLanguage", i); }
    void setFirmwareVersion(const QString &t) override { rec("setFirmwareVersion", t); }
    void setSoftwareVersion(const QString &t) override { rec("setSoftwareVersion", t); }
    void setIPAddress(const QString &t) override { rec("setIPAddress", t); }
    void setProfile(int p) override { rec("setProfile", p); }
    void setProfileLabel(int p) override { rec("setProfileLabel", p); }
    void setBoxPresent(int b) override { rec("setBoxPresent", b); }
    void setBoxChecked(int b) override { rec("setBoxChecked", b); }
    void setBoxEnabled(int b, bool p) override { rec("setBoxEnabled", b, p); }
    void setBoxFault(int b, bool f) override { rec("setBoxFault", b, f); }
    void setFanMonitor(int f, bool on) override { rec("setFanMonitor", f, on); }
    void setFanErrorHidden(int f, bool h) override { rec("setFanErrorHidden", f, h); }
    void setTemperature(int c) override { rec("setTemperature", c); }
    void appendInfo(const QString &l) override { rec("appendInfo", l); }
    void showError(bool h, int c, int i, int box) override
    {
        box < 0 ? rec("showError", h, c, i) : rec("showError", h, c, i, box);
    }
    void setBlink(bool on, int f) override { rec("setBlink", on, f); }
    void setBright(float b, int f) override { rec("setBright", b, f); }
    void setRPM(int r, int f) override { rec("setRPM", r, f); }
    void setPWM(bool on, int f) override { rec("setPWM", on, f); }
    void setRGB(bool on, int f) override { rec("setRGB", on, f); }
    void setFanSpeed(int l, int f) override { rec("setFanSpeed", l, f); }
    void setSentPercent(int p, int f) override { rec("setSentPercent", p, f); }
    void setTurnOff(bool o, int f) override { rec("setTurnOff", o, f); }
    void setSelectColor(int r, int g, int b, float br, int f) override { rec("setSelectColor", r, g, b, br, f); }
    void setAutoUpdateSwitch(bool on) override { rec("setAutoUpdateSwitch", on); }
    void setPasswordSwitch(bool on) override { rec("setPasswordSwitch", on); }
    void setPasswordText(const QString &t) override { rec("setPasswordText", t); }
    void setPanelEnabled(bool e) override { rec("setPanelEnabled", e); }
    void showPanel() override { rec("showPanel"); }
    void hidePanel() override { rec("hidePanel"); }
    void placeAlert() override { rec("placeAlert"); }
    void showAlert(int b, int f) override { rec("showAlert", b, f); }

private:
    static QString text(const QString &s) { return s; }
    static QString text(int n) { return QString::number(n); }
    static QString text(float x) { return QString::number(double(x)); }
    template <class... Args>
    void rec(const char *name, Args... args)
    {
        calls << QLatin1String(name) + '(' + QStringList{text(args)...}.join(',') + ')';
    }
};
