#pragma once

#include "core/sensorstatus.h"
#include "core/speedsource.h"
#include "core/usercurve.h"

#include <QDialog>
#include <QVector>

class CurveChart;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QSpinBox;

// The "Fan curve" window: one fan's curve of its own, its sensor and options.
// It only edits: Apply emits the curve (once it keeps every rule) and closes;
// whoever opened it applies it to the fan.
class CurveEditor : public QDialog {
    Q_OBJECT
public:
    explicit CurveEditor(const UserCurve &curve, QWidget *parent = nullptr);

    // What a fan's editor starts from: its own curve, or the built-in
    // curve's shape (without the level's cap) on the CPU.
    static UserCurve startingCurve(const SpeedSource &source);

    // The curve as the controls say now.
    UserCurve curve() const;
    // The caption naming the fan (0-based numbers, shown from 1).
    void setTarget(int box, int fan);
    // Why the last Apply was refused; empty otherwise.
    QString error() const;

public Q_SLOTS:
    // The newest pass's sensors; the curve's own stays listed without one.
    void setSensors(const QVector<SensorStatus> &sensors);
    // The percent the fan is sent; below 0: unknown.
    void setSentPercent(int percent);

Q_SIGNALS:
    void applied(const UserCurve &curve);

private:
    void build(const UserCurve &curve);
    void apply();
    void showReading();
    QString chosenSensor() const;

    CurveChart *m_chart = nullptr;
    QLabel *m_target = nullptr;
    QComboBox *m_sensor = nullptr;
    QDoubleSpinBox *m_hysteresis = nullptr;
    QSpinBox *m_stepUp = nullptr;
    QSpinBox *m_stepDown = nullptr;
    QSpinBox *m_minimum = nullptr;
    QLabel *m_error = nullptr;
    QVector<SensorStatus> m_sensors;
    QString m_ownSensor;
    int m_sentPercent = -1;
};
