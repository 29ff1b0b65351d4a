#pragma once

#include "monitor/curvedrive.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

struct ControllerState;
struct Fan;
class FanDrive;
class SensorTable;
class ViewSink;

// The CPU temperature of one walk over the sensor table: the highest reading
// whose label names a CPU temperature, above zero; none without one.
class CpuMaximum {
public:
    void offer(double celsius, const char *label);
    bool found() const { return m_best > 0.0; }
    double celsius() const { return m_best; }

private:
    double m_best = 0.0;
};

// The CPU temperature and the curve pass: the sensors read every 5 s (every
// second while a fan follows a curve of the user's), the CPU temperature shown
// in the main view, every fan on a curve driven; plus the sensor read-out of
// the information window.
class CpuTemperature : public QObject {
    Q_OBJECT
public:
    enum class LibraryState { NotLoaded, Failed, Running };

    // The labels whose readings count as CPU temperatures (27, in order).
    static const char *const kCpuLabels[];
    static constexpr int kCpuLabelCount = 27;
    static bool isCpuLabel(const char *label);
    // A reading that counts as a CPU temperature: a CPU label and above zero.
    static bool isCpuTemperature(double t, const char *label);
    // The table's sensor count, within what a walk may take (a warning when beyond).
    static int boundedSensorCount(SensorTable &sensors);

    // timerOwner (the controller window) owns the 5 s timer; null = this object.
    CpuTemperature(ControllerState &state, FanDrive &fans, ViewSink &views,
                   SensorTable &sensors, QObject *timerOwner, QObject *parent = nullptr);

    // Loads and initialises the sensor table; on success starts the timer.
    // Logs "CANNOT LOAD DLL", "INIT FAILED:" or "INIT OK". True when running.
    bool initSensorLibrary();
    void setupUpdateCPUTempTimer();

    LibraryState libraryState() const { return m_libraryState; }
    bool isRunning() const { return m_libraryState == LibraryState::Running; }
    // The temperature timer; null until setupUpdateCPUTempTimer ran.
    QTimer *timer() const { return m_timer; }
    // The sensors by id the curves follow; the user's mixes and files are added here.
    SensorRegistry &sensorRegistry() { return m_curves.registry(); }

public Q_SLOTS:
    // One pass: every sensor read, the CPU maximum to state.cpuTemp and the view
    // (kept without a CPU reading), every fan on a curve driven (CurveDrive). Then the RPM poll.
    void updateCPUTemp();
    // One read-out pass into the information window; "No sensors found" and
    // a hint when there is no reading (or the sensor library is not running).
    void setInfoMessage();

private:
    // The pass's pace: every second while a fan follows a curve of the user's, else 5 s.
    void followPace();
    // Every reading of sensor s into the information window, kind by kind, as
    // "chip label value unit", after a blank line when another chip came
    // before; counts the readings. True when one is a CPU temperature.
    bool readOut(const QString &chip, int s, int *lines);
    void logOtherReadings(int s);

    ControllerState &m_state;
    FanDrive &m_fans;
    ViewSink &m_views;
    SensorTable &m_sensors;
    QPointer<QObject> m_timerOwner;
    QPointer<QTimer> m_timer;
    CurveDrive m_curves;
    LibraryState m_libraryState = LibraryState::NotLoaded;
    bool m_cpuMissing = false; // the last pass found no CPU reading (already logged)
};
