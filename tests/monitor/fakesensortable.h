#pragma once

#include "monitor/sensortable.h"

#include <QByteArray>
#include <QVector>

#include <array>
#include <cstring>

// A scripted sensor source: per sensor a name and per kind a list of
// readings; records what was asked.
class FakeSensorTable : public SensorTable {
public:
    enum Kind { Temp, Volt, Fan, Curr, Power, Clock, Usage, Other, KindCount };
    struct Reading {
        QByteArray label;
        double value = kNoReading;
        QByteArray text; // Other only
    };
    struct Sensor {
        QByteArray name;
        std::array<QVector<Reading>, KindCount> readings;
    };

    bool loadResult = true;
    int initResult = 0;
    bool useCountOverride = false; // report countOverride as the sensor count
    int countOverride = 0;
    bool fillWithoutTerminator = false; // labels fill the whole buffer, no NUL
    QVector<Sensor> sensors;
    int initialiseArg = -1;
    int prepareCalls = 0;

    Sensor &addSensor(const QByteArray &name)
    {
        sensors.append(Sensor{name, {}});
        return sensors.last();
    }

    bool load() override { return m_loaded = loadResult; }
    bool isLoaded() const override { return m_loaded; }
    int initialise(int flags) override { initialiseArg = flags; return initResult; }
    int sensorCount() override { return useCountOverride ? countOverride : sensors.size(); }
    void prepareSensor(int) override { ++prepareCalls; }
    void sensorName(int s, char *buf, int size) override { put(s >= 0 && s < sensors.size() ? sensors[s].name : "", buf, size); }
    double getTemperature(int s, int r, char *l, int n) override { return get(Temp, s, r, l, n); }
    double getVoltage(int s, int r, char *l, int n) override { return get(Volt, s, r, l, n); }
    int getFan(int s, int r, char *l, int n) override { return int(get(Fan, s, r, l, n)); }
    double getCurrent(int s, int r, char *l, int n) override { return get(Curr, s, r, l, n); }
    double getPower(int s, int r, char *l, int n) override { return get(Power, s, r, l, n); }
    double getClock(int s, int r, char *l, int n) override { return get(Clock, s, r, l, n); }
    double getUsage(int s, int r, char *l, int n) override { return get(Usage, s, r, l, n); }
    double otherReading(int s, int r, char *l, int n, char *text, int textSize) override
    {
        const Reading *rd = find(Other, s, r);
        if (rd)
            put(rd->text, text, textSize);
        return get(Other, s, r, l, n);
    }

private:
    const Reading *find(Kind k, int s, int r) const
    {
        const bool exists = s >= 0 && s < sensors.size() && r >= 0 && r < sensors[s].readings[k].size();
        return exists ? &sensors[s].readings[k][r] : nullptr;
    }
    double get(Kind k, int s, int r, char *l, int n)
    {
        const Reading *rd = find(k, s, r);
        if (rd)
            put(rd->label, l, n);
        return rd ? rd->value : kNoReading;
    }
    void put(const QByteArray &text, char *buf, int size)
    {
        if (fillWithoutTerminator)
            std::memset(buf, 'A', size_t(size));
        else
            copySensorText(text.constData(), buf, size);
    }

    bool m_loaded = false;
};
