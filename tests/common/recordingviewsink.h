#pragma once

#include "core/viewsink.h"

#include <QStringList>

// Records every call as text, e.g. "setRPM(4660,1)", for assertions.
class RecordingViewSink : public ViewSink {
public:
    QStringList calls;
    bool panelEnabled = true;
    bool panelShown = false;

    void clear() { calls.clear(); }
    int count(const QString &prefix) const
    {
        int n = 0;
        for (const QString &c : calls)
            n += c.startsWith(prefix) ? 1 : 0;
        return n;
    }

    void setLanguage(int i) override { rec(QStringLiteral("setLanguage(%1)").arg(i)); }
    void setFirmwareVersion(const QString &t) override { rec("setFirmwareVersion(" + t + ")"); }
    void setSoftwareVersion(const QString &t) override { rec("setSoftwareVersion(" + t + ")"); }
    void setIPAddress(const QString &t) override { rec("setIPAddress(" + t + ")"); }
    void setProfile(int p) override { rec(QStringLiteral("setProfile(%1)").arg(p)); }
    void setProfileLabel(int p) override { rec(QStringLiteral("setProfileLabel(%1)").arg(p)); }
    void setBoxPresent(int b) override { rec(QStringLiteral("setBoxPresent(%1)").arg(b)); }
    void setBoxChecked(int b) override { rec(QStringLiteral("setBoxChecked(%1)").arg(b)); }
    void setBoxEnabled(int b, bool p) override { rec(QStringLiteral("setBoxEnabled(%1,%2)").arg(b).arg(p)); }
    void setBoxFault(int b, bool f) override { rec(QStringLiteral("setBoxFault(%1,%2)").arg(b).arg(f)); }
    void setFanMonitor(int f, bool on) override { rec(QStringLiteral("setFanMonitor(%1,%2)").arg(f).arg(on)); }
    void setFanErrorHidden(int f, bool h) override { rec(QStringLiteral("setFanErrorHidden(%1,%2)").arg(f).arg(h)); }
    void setTemperature(int c) override { rec(QStringLiteral("setTemperature(%1)").arg(c)); }
    void appendInfo(const QString &l) override { rec("appendInfo(" + l + ")"); }
    void showError(bool h, int c, int i, int box) override
    {
        const QString named = box < 0 ? QString() : QStringLiteral(",%1").arg(box);
        rec(QStringLiteral("showError(%1,%2,%3").arg(h).arg(c).arg(i) + named + ')');
    }
    void setBlink(bool on, int f) override { rec(QStringLiteral("setBlink(%1,%2)").arg(on).arg(f)); }
    void setBright(float b, int f) override { rec(QStringLiteral("setBright(%1,%2)").arg(double(b)).arg(f)); }
    void setRPM(int r, int f) override { rec(QStringLiteral("setRPM(%1,%2)").arg(r).arg(f)); }
    void setPWM(bool on, int f) override { rec(QStringLiteral("setPWM(%1,%2)").arg(on).arg(f)); }
    void setRGB(bool on, int f) override { rec(QStringLiteral("setRGB(%1,%2)").arg(on).arg(f)); }
    void setFanSpeed(int l, int f) override { rec(QStringLiteral("setFanSpeed(%1,%2)").arg(l).arg(f)); }
    void setTurnOff(bool o, int f) override { rec(QStringLiteral("setTurnOff(%1,%2)").arg(o).arg(f)); }
    void setSelectColor(int r, int g, int b, float br, int f) override
    {
        rec(QStringLiteral("setSelectColor(%1,%2,%3,%4,%5)").arg(r).arg(g).arg(b).arg(double(br)).arg(f));
    }
    void setAutoUpdateSwitch(bool on) override { rec(QStringLiteral("setAutoUpdateSwitch(%1)").arg(on)); }
    void setPasswordSwitch(bool on) override { rec(QStringLiteral("setPasswordSwitch(%1)").arg(on)); }
    void setPasswordText(const QString &t) override { rec("setPasswordText(" + t + ")"); }
    void setPanelEnabled(bool e) override { panelEnabled = e; rec(QStringLiteral("setPanelEnabled(%1)").arg(e)); }
    void showPanel() override { panelShown = true; rec(QStringLiteral("showPanel()")); }
    void hidePanel() override { panelShown = false; rec(QStringLiteral("hidePanel()")); }
    void placeAlert() override { rec(QStringLiteral("placeAlert()")); }
    void showAlert(int b) override { rec(QStringLiteral("showAlert(%1)").arg(b)); }

private:
    void rec(const QString &c) { calls << c; }
};
