#pragma once

#include <QString>

// The sensor functions the CPU-temperature pass and the info read-out use.
// The call shapes follow the hardware-monitoring library (HWiNFO32.dll, taken
// by ordinal); on Linux HwmonSensorTable stands in with the same shapes, and a
// DLL-backed table can sit beside it on Windows.
//
// Sensors and readings are addressed by zero-based indices: sensor s
// (0 .. sensorCount() - 1) and reading r (0 .. kReadingsPerSensor - 1). Text
// comes back 8-bit and NUL-terminated in a caller-supplied buffer; a source
// never writes more than `size` bytes, terminator included.
class SensorTable {
public:
    virtual ~SensorTable() = default;

    // Resolves the thirteen roles. False when the source is missing or any role
    // is absent; nothing else may be called then.
    virtual bool load() = 0;
    // True after a successful load().
    virtual bool isLoaded() const = 0;

    // Ordinal 338: the argument is always 0; 0 = success, anything else is the
    // failure code.
    virtual int initialise(int flags) = 0;
    // Ordinal 501: must be present, is never called.
    virtual void reserved() {}
    // Ordinal 462.
    virtual int sensorCount() = 0;
    // Ordinal 280: once per sensor before its name is asked for.
    virtual void prepareSensor(int sensor) = 0;
    // Ordinal 947.
    virtual void sensorName(int sensor, char *buf, int size) = 0;
    // Where the sensor sits (a device path), to order sensors of one name the
    // same way on every start; empty when the source cannot tell.
    virtual QString sensorPlace(int) { return QString(); }

    // Ordinals 253, 808, 129, 754, 923, 631, 590. Each fills `label` with the
    // reading's own label and returns kNoReading for a reading that does not exist.
    virtual double getTemperature(int sensor, int reading, char *label, int size) = 0;
    virtual double getVoltage(int sensor, int reading, char *label, int size) = 0;
    virtual int getFan(int sensor, int reading, char *label, int size) = 0;
    virtual double getCurrent(int sensor, int reading, char *label, int size) = 0;
    virtual double getPower(int sensor, int reading, char *label, int size) = 0;
    virtual double getClock(int sensor, int reading, char *label, int size) = 0;
    virtual double getUsage(int sensor, int reading, char *label, int size) = 0;
    // A temperature reading's label as its source names it, for people: the
    // label above may be renamed for the CPU temperature pass.
    virtual void sourceTemperatureLabel(int sensor, int reading, char *label, int size)
    {
        getTemperature(sensor, reading, label, size);
    }
    // Ordinal 475: a reading of any other kind, with its value also as text.
    virtual double otherReading(int sensor, int reading, char *label, int labelSize, char *text,
                                int textSize) = 0;
};

constexpr double kNoReading = -9999.0;
constexpr int kReadingsPerSensor = 64;
constexpr int kSensorTextSize = 256;

// Copies `text` into `buf` NUL-terminated, truncated to fit; nothing when size < 1.
void copySensorText(const char *text, char *buf, int size);
