#include "ui/curveeditor.h"

#include "ui/curvechart.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>

namespace {
QSpinBox *percentBox(QWidget *parent, const QString &suffix, const QString &zero)
{
    auto *box = new QSpinBox(parent);
    box->setRange(0, 100);
    box->setSuffix(suffix);
    box->setSpecialValueText(zero);
    return box;
}
} // namespace

CurveEditor::CurveEditor(const UserCurve &curve, QWidget *parent) : QDialog(parent), m_ownSensor(curve.sensor)
{
    setWindowTitle(tr("Fan curve"));
    build(curve);
    setSensors({});
}

UserCurve CurveEditor::startingCurve(const SpeedSource &source)
{
    if (source.userCurve)
        return *source.userCurve;
    // The built-in curve: 0 % below 33 °C, 10 % at 33 °C rising 10 % every 3 °C to 100 % at 60 °C.
    UserCurve curve;
    curve.sensor = kCpuSensorId;
    curve.points = {{320, 0}, {330, 10}, {600, 100}};
    return curve;
}

void CurveEditor::build(const UserCurve &curve)
{
    m_target = new QLabel(this);
    m_target->hide();
    m_chart = new CurveChart(this);
    m_chart->setPoints(curve.points);
    auto *chartLabel = new QLabel(tr("&Points:"), this);
    chartLabel->setBuddy(m_chart);
    auto *hint = new QLabel(tr("Drag a point to move it, double-click to add one, Delete removes the selected one. "
                               "Keys: [ and ] select, arrows move (Shift: by 5), Insert adds."), this);
    hint->setWordWrap(true);

    m_sensor = new QComboBox(this);
    m_sensor->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    connect(m_sensor, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &CurveEditor::showReading);
    m_hysteresis = new QDoubleSpinBox(this);
    m_hysteresis->setDecimals(1);
    m_hysteresis->setRange(0, UserCurve::kMaxHysteresisTenths / 10.0);
    m_hysteresis->setSuffix(QStringLiteral(" °C"));
    m_hysteresis->setValue(curve.hysteresisTenths / 10.0);
    m_stepUp = percentBox(this, tr(" %/pass"), tr("no limit"));
    m_stepUp->setValue(curve.stepUp);
    m_stepDown = percentBox(this, tr(" %/pass"), tr("no limit"));
    m_stepDown->setValue(curve.stepDown);
    m_minimum = percentBox(this, QStringLiteral(" %"), QString());
    m_minimum->setValue(curve.minimum);

    auto *form = new QFormLayout;
    form->addRow(tr("&Sensor:"), m_sensor);
    form->addRow(tr("&Hysteresis:"), m_hysteresis);
    form->addRow(tr("Step &up:"), m_stepUp);
    form->addRow(tr("Step &down:"), m_stepDown);
    form->addRow(tr("&Minimum:"), m_minimum);

    m_error = new QLabel(this);
    m_error->setWordWrap(true);
    m_error->setStyleSheet(QStringLiteral("color: #c0392b;"));
    m_error->hide();

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Apply | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Apply)->setText(tr("&Apply"));
    buttons->button(QDialogButtonBox::Apply)->setDefault(true);
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("Cancel"));
    connect(buttons->button(QDialogButtonBox::Apply), &QPushButton::clicked, this, &CurveEditor::apply);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    for (QWidget *w : {static_cast<QWidget *>(m_target), static_cast<QWidget *>(chartLabel)})
        layout->addWidget(w);
    layout->addWidget(m_chart, 1);
    layout->addWidget(hint);
    layout->addLayout(form);
    layout->addWidget(m_error);
    layout->addWidget(buttons);
    m_chart->setFocus();
}

UserCurve CurveEditor::curve() const
{
    UserCurve c;
    c.sensor = chosenSensor();
    c.points = m_chart->points();
    c.hysteresisTenths = int(std::lround(m_hysteresis->value() * 10));
    c.stepUp = m_stepUp->value();
    c.stepDown = m_stepDown->value();
    c.minimum = m_minimum->value();
    return c;
}

void CurveEditor::setTarget(int box, int fan)
{
    m_target->setText(tr("Box %1, fan %2").arg(box + 1).arg(fan + 1));
    m_target->show();
}

QString CurveEditor::error() const
{
    return m_error->text();
}

QString CurveEditor::chosenSensor() const
{
    return m_sensor->count() ? m_sensor->currentData().toString() : m_ownSensor;
}

void CurveEditor::setSensors(const QVector<SensorStatus> &sensors)
{
    const QString chosen = chosenSensor();
    m_sensors = sensors;
    bool ownListed = false;
    for (const SensorStatus &s : sensors)
        ownListed = ownListed || s.id == m_ownSensor;
    if (!ownListed)
        m_sensors.append({m_ownSensor, QString(), QString(), std::nullopt, QString()});

    QStringList ids;
    for (const SensorStatus &s : qAsConst(m_sensors))
        ids << s.id;
    QStringList shown;
    for (int i = 0; i < m_sensor->count(); ++i)
        shown << m_sensor->itemData(i).toString();
    // Texts change every pass; the list itself only when sensors come or go,
    // so an open list is not rebuilt under the pointer.
    const QSignalBlocker quiet(m_sensor);
    if (shown != ids) {
        m_sensor->clear();
        for (const QString &id : qAsConst(ids))
            m_sensor->addItem(id, id);
        m_sensor->setCurrentIndex(std::max(0, ids.indexOf(chosen)));
    }
    for (int i = 0; i < m_sensors.size(); ++i) {
        const SensorStatus &s = m_sensors[i];
        const QString name = s.label.isEmpty() ? s.id : s.label;
        m_sensor->setItemText(i, s.reading ? tr("%1 — %2 °C").arg(name, QString::number(*s.reading, 'f', 1))
                                           : tr("%1 — no reading").arg(name));
        m_sensor->setItemData(i, s.id, Qt::ToolTipRole);
    }
    showReading();
}

void CurveEditor::setSentPercent(int percent)
{
    m_sentPercent = percent;
    showReading();
}

void CurveEditor::showReading()
{
    std::optional<int> tenths;
    const QString id = chosenSensor();
    for (const SensorStatus &s : qAsConst(m_sensors)) {
        if (s.id == id && s.reading)
            tenths = int(std::lround(*s.reading * 10));
    }
    m_chart->setLive(tenths, m_sentPercent);
}

void CurveEditor::apply()
{
    const UserCurve c = curve();
    const QString wrong = checkUserCurve(c);
    m_error->setText(wrong.isEmpty() ? QString() : tr("Not applied: %1").arg(wrong));
    m_error->setVisible(!wrong.isEmpty());
    if (!wrong.isEmpty())
        return;
    Q_EMIT applied(c);
    accept();
}
