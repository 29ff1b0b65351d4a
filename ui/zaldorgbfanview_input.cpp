// User actions of the fan view: buttons, sliders, palette picking and painting.
#include "ui/zaldorgbfanview.h"

#include "core/panelcommands.h"
#include "ui/fanviewstyles.h"
#include "ui/uiimages.h"

#include <QContextMenuEvent>
#include <QImage>
#include <QLoggingCategory>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSlider>

#include <cmath>

Q_DECLARE_LOGGING_CATEGORY(lcFanView)

namespace {
constexpr int kPaletteX = 13;
constexpr int kPaletteY = 210;
constexpr int kHitCentreX = 88;
constexpr int kHitCentreY = 285;
constexpr int kHitRadius = 75;
// The speed text, the mode caption, the speed slider and its captions.
const QRect kSpeedText(13, 126, 144, 50);
const QRect kSpeedControls(168, 136, 125, 60);
} // namespace

QColor ZaldoRGBFanView::selectedColour() const
{
    return QColor(qBound(0, selectRValue, 255), qBound(0, selectGValue, 255), qBound(0, selectBValue, 255));
}

void ZaldoRGBFanView::pushFanSpeed()
{
    auto *button = qobject_cast<QPushButton *>(sender());
    if (button == btnPerformance || button == btnSilent) {
        const bool performance = button == btnPerformance;
        if (!button->isChecked()) {
            // The selected mode was pressed again: it stays selected.
            button->setChecked(true);
        } else {
            (performance ? btnSilent : btnPerformance)->setChecked(false);
            sliderSpeed->setValue(performance ? 5 : 0);
            Q_EMIT sendData({performance ? PanelCommand::performance : PanelCommand::silent, fanText()});
        }
    }
    refreshSpeedText();
}

void ZaldoRGBFanView::pushLightMode()
{
    const QString name = sender() ? sender()->objectName() : QString();
    if (name == QLatin1String("RGB")) {
        const bool on = btnRGB->isChecked();
        qCDebug(lcFanView) << "RGB:" << on;
        btnBlink->setChecked(false);
        btnOff->setChecked(false);
        Q_EMIT sendData({PanelCommand::rgb, fanText(), on ? QStringLiteral("1") : QStringLiteral("0")});
        setLightSliderCycle(on);
    } else if (name == QLatin1String("Blink")) {
        const bool on = btnBlink->isChecked();
        qCDebug(lcFanView) << "Blink:" << on;
        btnRGB->setChecked(false);
        btnOff->setChecked(false);
        Q_EMIT sendData({PanelCommand::blink, fanText(), on ? QStringLiteral("1") : QStringLiteral("0")});
        sliderLight->setEnabled(true);
    } else if (name == QLatin1String("btn_Copy")) {
        Q_EMIT sendData({PanelCommand::copy, fanText()});
    }
}

void ZaldoRGBFanView::pushTurnOff()
{
    const bool off = btnOff->isChecked();
    qCDebug(lcFanView) << "pushTurnOff:" << off;
    Q_EMIT sendData({PanelCommand::pushTurnOff, fanText(), off ? QStringLiteral("1") : QStringLiteral("0")});
}

void ZaldoRGBFanView::pushPWM()
{
    const bool on = btnPWM->isChecked();
    qCDebug(lcFanView) << "pushPWM:" << on;
    refreshSpeedText();
    Q_EMIT sendData({PanelCommand::pushPWM, fanText(), on ? QStringLiteral("1") : QStringLiteral("0")});
}

void ZaldoRGBFanView::changeSliderLight(int v)
{
    qCDebug(lcFanView) << "slider_value:" << v;
    // The slider position is darkness: left is full brightness.
    const double bright = 1.0 - v * 0.01;
    qCDebug(lcFanView) << "slider_value_computer:" << bright;
    brightValue = static_cast<float>(bright);
    update();
    Q_EMIT sendData({PanelCommand::changeSliderLight, fanText(),
                     QString::number(static_cast<double>(brightValue), 'g', 6)});
}

void ZaldoRGBFanView::changeSliderFanSpeed(int v)
{
    qCDebug(lcFanView) << "changeSliderFanSpeed_value:" << v;
    refreshSpeedText();
    refreshSpeedChecks(v);
    Q_EMIT sendData({PanelCommand::changeSliderFanSpeed, fanText(), QString::number(v)});
}

void ZaldoRGBFanView::mousePressEvent(QMouseEvent *event)
{
    const int x = event->pos().x();
    const int y = event->pos().y();
    const double dx = x - kHitCentreX;
    const double dy = y - kHitCentreY;
    // The right button is for menus; it must not pick a colour on its way there.
    if (event->button() != Qt::LeftButton || static_cast<int>(std::sqrt(dx * dx + dy * dy)) > kHitRadius)
        return;

    const QImage image(UiImages::path(QStringLiteral("palette.png")));
    if (image.isNull()) {
        qCWarning(lcFanView) << "Palette: no palette image, press ignored";
        return;
    }
    // The hit circle reaches past the right and bottom edges of the picture;
    // such presses take the nearest edge pixel.
    const int px = qBound(0, x - kPaletteX, image.width() - 1);
    const int py = qBound(0, y - kPaletteY, image.height() - 1);
    const QRgb pixel = image.pixel(px, py);
    selectRValue = qRed(pixel);
    selectGValue = qGreen(pixel);
    selectBValue = qBlue(pixel);

    lightSliderStyle = fanLightSliderStyle(selectedColour());
    sliderLight->setStyleSheet(lightSliderStyle);
    btnRGB->setChecked(false);
    btnOff->setChecked(false);
    sliderLight->setEnabled(true);
    updateDiscTextColour();
    update();
    Q_EMIT sendData({PanelCommand::palette, fanText(), QString::number(selectRValue),
                     QString::number(selectGValue), QString::number(selectBValue)});
}

void ZaldoRGBFanView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);

    const QColor colour = selectedColour();
    painter.setPen(colour);
    painter.setBrush(colour);
    painter.drawEllipse(13, 32, 144, 144);

    const float b = shownBrightness(brightValue);
    auto scaled = [b](int c) { return qBound(0, static_cast<int>(static_cast<float>(c) * b), 255); };
    QColor ring(scaled(colour.red()), scaled(colour.green()), scaled(colour.blue()));
    painter.setPen(QPen(ring, 4));
    ring.setAlpha(0);
    painter.setBrush(ring);
    painter.drawEllipse(9, 206, 149, 149);
}

void ZaldoRGBFanView::contextMenuEvent(QContextMenuEvent *event)
{
    const bool byKey = event->reason() != QContextMenuEvent::Mouse;
    if (!byKey && !kSpeedText.contains(event->pos()) && !kSpeedControls.contains(event->pos()))
        return event->ignore();
    showSpeedMenu(byKey ? kSpeedText.center() : event->pos());
}

void ZaldoRGBFanView::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier)
        return showSpeedMenu(kSpeedText.center());
    QWidget::keyPressEvent(event);
}

void ZaldoRGBFanView::showSpeedMenu(const QPoint &pos)
{
    auto *menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    connect(menu->addAction(tr("Fan curve…")), &QAction::triggered, this,
            [this] { Q_EMIT sendData({PanelCommand::editCurve, fanText()}); });
    menu->popup(mapToGlobal(pos));
}
