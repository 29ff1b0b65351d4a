#include "ui/zaldorgbfanview.h"

#include "core/controllerstate.h"
#include "ui/fanviewstyles.h"
#include "ui/uiimages.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLoggingCategory>
#include <QPixmap>
#include <QPushButton>
#include <QSlider>
#include <QtMath>

#include <algorithm>
#include <cmath>

Q_LOGGING_CATEGORY(lcFanView, "zaldo.ui.fanview")

namespace {

QPushButton *makeButton(QWidget *parent, const QString &name, const QRect &geometry, bool checkable)
{
    auto *b = new QPushButton(parent);
    b->setObjectName(name);
    b->setGeometry(geometry);
    b->setFlat(true);
    b->setCheckable(checkable);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

QLabel *makeLabel(QWidget *parent, const QRect &geometry, Qt::Alignment align)
{
    auto *l = new QLabel(parent);
    l->setGeometry(geometry);
    l->setAlignment(align);
    return l;
}

// Some translations are wider than their fixed box at the prescribed font size
// ("サイレント" on a 55 px button). Rather than cut them off, pack the letters
// a little closer; the size from the style sheet stays. (Letter spacing, unlike
// stretch, also reaches the fallback fonts that draw CJK and Thai.)
int widestLine(const QFont &font, const QString &text)
{
    const QFontMetrics fm(font);
    int widest = 0;
    for (const QString &line : text.split(QLatin1Char('\n')))
        widest = qMax(widest, fm.horizontalAdvance(line));
    return widest;
}

void fitToWidth(QWidget *w, const QString &text, int available)
{
    w->ensurePolished();
    QFont font = w->font();
    font.setLetterSpacing(QFont::PercentageSpacing, 100);
    const int need = widestLine(font, text);
    if (need > available) {
        // Marks and rounding make the width shrink less than the spacing.
        for (qreal spacing = qFloor(100.0 * available / need); spacing >= 75; spacing -= 1) {
            font.setLetterSpacing(QFont::PercentageSpacing, spacing);
            if (widestLine(font, text) <= available)
                break;
        }
    }
    w->setFont(font);
}

} // namespace

ZaldoRGBFanView::ZaldoRGBFanView(QWidget *parent)
    : QWidget(parent)
    , modeCaptionStyle(fanLabelStyle(12))
    , silentCaptionStyle(fanLabelStyle(12))
    , performanceCaptionStyle(fanLabelStyle(12))
    , brightCaptionStyle(fanLabelStyle(12))
    , speedTextStyle(fanLabelStyle(14))
{
    resize(302, 390);
    // Captions sit on the dark panel of the main view; style sheets give only the fonts.
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, QColor(0xE6, 0xE9, 0xEE));
    setPalette(pal);

    buildControls();
    buildDisplay();
    buildCovers();
    applyButtonStyles();
    updateDiscTextColour();
}

void ZaldoRGBFanView::buildControls()
{
    btnPerformance = makeButton(this, QStringLiteral("Performance"), QRect(173, 12, 55, 55), true);
    btnPerformance->setText(tr("Perfor-mance"));
    connect(btnPerformance, &QPushButton::released, this, &ZaldoRGBFanView::pushFanSpeed);

    btnSilent = makeButton(this, QStringLiteral("Silent"), QRect(233, 12, 55, 55), true);
    btnSilent->setText(tr("Silent"));
    connect(btnSilent, &QPushButton::released, this, &ZaldoRGBFanView::pushFanSpeed);

    btnPWM = makeButton(this, QStringLiteral("PWM"), QRect(173, 72, 55, 55), true);
    btnPWM->setText(QStringLiteral("PWM"));
    connect(btnPWM, &QPushButton::released, this, &ZaldoRGBFanView::pushPWM);

    btnBlank = new QPushButton(this);
    btnBlank->setGeometry(233, 72, 55, 55);
    btnBlank->setFocusPolicy(Qt::NoFocus);
    btnBlank->setStyleSheet(QStringLiteral("QPushButton{border-image:%1;}")
                                .arg(UiImages::url(QStringLiteral("btn_blank.png"))));

    labelMode = makeLabel(this, QRect(173, 136, 115, 20), Qt::AlignCenter);
    labelMode->setText(tr("FAN MODE"));
    labelMode->setStyleSheet(modeCaptionStyle);

    sliderSpeed = new QSlider(Qt::Horizontal, this);
    sliderSpeed->setObjectName(QStringLiteral("slider_RPM_Fan"));
    sliderSpeed->setGeometry(168, 156, 125, 20);
    sliderSpeed->setRange(0, 5);
    sliderSpeed->setSingleStep(1);
    sliderSpeed->setPageStep(1);
    sliderSpeed->setStyleSheet(fanSpeedSliderStyle());
    connect(sliderSpeed, &QSlider::valueChanged, this, &ZaldoRGBFanView::changeSliderFanSpeed);

    labelSilent = makeLabel(this, QRect(168, 176, 60, 20), Qt::AlignLeft | Qt::AlignVCenter);
    labelSilent->setText(tr("Silent"));
    labelSilent->setStyleSheet(silentCaptionStyle);

    labelPerformance = makeLabel(this, QRect(226, 176, 70, 20), Qt::AlignRight | Qt::AlignVCenter);
    labelPerformance->setText(tr("Performance"));
    labelPerformance->setStyleSheet(performanceCaptionStyle);

    btnRGB = makeButton(this, QStringLiteral("RGB"), QRect(173, 206, 55, 55), true);
    connect(btnRGB, &QPushButton::released, this, &ZaldoRGBFanView::pushLightMode);

    btnOff = makeButton(this, QStringLiteral("Off"), QRect(233, 206, 55, 55), true);
    connect(btnOff, &QPushButton::released, this, &ZaldoRGBFanView::pushTurnOff);

    btnBlink = makeButton(this, QStringLiteral("Blink"), QRect(173, 266, 55, 55), true);
    btnBlink->setText(tr("Blink"));
    connect(btnBlink, &QPushButton::released, this, &ZaldoRGBFanView::pushLightMode);

    btnCopy = makeButton(this, QStringLiteral("btn_Copy"), QRect(233, 266, 55, 55), false);
    btnCopy->setStyleSheet(QStringLiteral("QPushButton{border-image:%1;}")
                               .arg(UiImages::url(QStringLiteral("btn_copyRGB.png"))));
    connect(btnCopy, &QPushButton::released, this, &ZaldoRGBFanView::pushLightMode);

    labelBright = makeLabel(this, QRect(173, 326, 115, 20), Qt::AlignCenter);
    labelBright->setText(tr("LED BRIGHTNESS"));
    labelBright->setStyleSheet(brightCaptionStyle);

    sliderLight = new QSlider(Qt::Horizontal, this);
    sliderLight->setObjectName(QStringLiteral("slider_Light_Fan"));
    sliderLight->setGeometry(168, 346, 125, 30);
    sliderLight->setRange(0, 100);
    lightSliderStyle = fanLightSliderStyle(QColor(0, 0, 0));
    sliderLight->setStyleSheet(lightSliderStyle);
    connect(sliderLight, &QSlider::valueChanged, this, &ZaldoRGBFanView::changeSliderLight);
}

void ZaldoRGBFanView::buildDisplay()
{
    labelPalette = makeLabel(this, QRect(13, 210, 140, 140), Qt::AlignLeft | Qt::AlignTop);
    labelPalette->setPixmap(QPixmap(UiImages::path(QStringLiteral("palette.png"))));

    labelRPM = makeLabel(this, QRect(13, 56, 144, 50), Qt::AlignCenter);
    labelRPM->setText(QStringLiteral("0"));
    labelRPM->setStyleSheet(QStringLiteral("font-family: Arial; font-size:48px;"));

    labelRPMCaption = makeLabel(this, QRect(13, 96, 144, 50), Qt::AlignCenter);
    labelRPMCaption->setText(QStringLiteral("RPM"));
    labelRPMCaption->setStyleSheet(QStringLiteral("font-family: Arial; font-size:14px;"));

    labelSeparator = makeLabel(this, QRect(48, 131, 75, 3), Qt::AlignLeft | Qt::AlignTop);
    labelSeparator->setPixmap(QPixmap(UiImages::path(QStringLiteral("rpm_bar.png"))));

    labelSpeed = makeLabel(this, QRect(13, 126, 144, 50), Qt::AlignCenter);
    labelSpeed->setText(QStringLiteral("0"));
    labelSpeed->setStyleSheet(speedTextStyle);
}

void ZaldoRGBFanView::buildCovers()
{
    // Created last, error cover first: both lie above every control, the
    // disabled cover above the error cover.
    errorCover = makeLabel(this, QRect(0, 0, 302, 390), Qt::AlignLeft | Qt::AlignTop);
    errorCover->setPixmap(QPixmap(UiImages::path(QStringLiteral("Fan_Error3.png"))));
    errorCover->hide();

    disabledCover = makeLabel(this, QRect(0, 0, 302, 390), Qt::AlignLeft | Qt::AlignTop);
    disabledCover->setPixmap(QPixmap(UiImages::path(QStringLiteral("blankImage_h.png"))));
    disabledCover->hide();
}

void ZaldoRGBFanView::applyButtonStyles()
{
    const FanViewButtonStyles &s = fanViewButtonStyles();
    btnRGB->setStyleSheet(s.rgb);
    btnBlink->setStyleSheet(s.blink);
    btnOff->setStyleSheet(s.off);
    btnPerformance->setStyleSheet(s.performance);
    btnSilent->setStyleSheet(s.silent);
    btnPWM->setStyleSheet(s.pwm);
}

void ZaldoRGBFanView::setFanNumber(int n)
{
    if (n < 0 || n > 2)
        qCWarning(lcFanView) << "setFanNumber: fan" << n << "is not 0..2";
    fanIndex = n;
    if (n == 0)
        btnCopy->hide(); // fan 0 is the copy source
}

void ZaldoRGBFanView::setLanguage(int index)
{
    FanViewFontRow row{};
    if (fanViewFontRow(index, &row)) {
        modeCaptionStyle = fanLabelStyle(row.modeCaption);
        silentCaptionStyle = fanLabelStyle(row.silentCaption);
        performanceCaptionStyle = fanLabelStyle(row.performanceCaption);
        brightCaptionStyle = fanLabelStyle(row.brightCaption);
        speedTextStyle = fanLabelStyle(row.speedText);
        rebuildFanViewTextButtonStyles(row.blinkButton, row.performanceButton, row.silentButton);
    } else {
        qCWarning(lcFanView) << "setLanguage: no font row for index" << index;
    }
    applyButtonStyles();
    btnBlink->setText(tr("Blink"));
    btnPerformance->setText(tr("Perfor-mance"));
    btnSilent->setText(tr("Silent"));
    labelMode->setText(tr("FAN MODE"));
    labelMode->setStyleSheet(modeCaptionStyle);
    labelSilent->setText(tr("Silent"));
    labelSilent->setStyleSheet(silentCaptionStyle);
    labelPerformance->setText(tr("Performance"));
    labelPerformance->setStyleSheet(performanceCaptionStyle);
    labelBright->setText(tr("LED BRIGHTNESS"));
    labelBright->setStyleSheet(brightCaptionStyle);
    labelSpeed->setStyleSheet(speedTextStyle);
    refreshSpeedText();

    for (QPushButton *b : {btnBlink, btnPerformance, btnSilent})
        fitToWidth(b, b->text(), b->width() - 4);
    for (QLabel *l : {labelMode, labelSilent, labelPerformance, labelBright})
        fitToWidth(l, l->text(), l->width());
}

void ZaldoRGBFanView::setSelectColor(int r, int g, int b, float bright)
{
    selectRValue = r;
    selectGValue = g;
    selectBValue = b;
    brightValue = bright;
    qCDebug(lcFanView).nospace() << "selectRValue:" << r << ", selectGValue:" << g << ", selectBValue:" << b
                                 << ", brightValue:" << bright;
    lightSliderStyle = fanLightSliderStyle(selectedColour());
    sliderLight->setStyleSheet(lightSliderStyle);
    setBright(bright);
    updateDiscTextColour();
    update();
}

float ZaldoRGBFanView::shownBrightness(float bright)
{
    // Converting a value an int cannot hold is undefined.
    return std::isfinite(bright) ? std::clamp(bright, 0.0f, 1.0f) : 0.0f;
}

void ZaldoRGBFanView::setBright(float bright)
{
    // Single precision keeps two-decimal factors on the position that produced them.
    const int position = static_cast<int>((1.0f - shownBrightness(bright)) * 100.0f);
    sliderLight->setValue(position);
}

void ZaldoRGBFanView::setRGB(bool on)
{
    qCDebug(lcFanView) << "setRGB()";
    btnRGB->setChecked(on);
    if (on) {
        btnBlink->setChecked(false);
        btnOff->setChecked(false);
    }
    setLightSliderCycle(on);
}

void ZaldoRGBFanView::setBlink(bool on)
{
    btnBlink->setChecked(on);
    if (on) {
        btnRGB->setChecked(false);
        btnOff->setChecked(false);
    }
}

void ZaldoRGBFanView::setTurnOff(bool off)
{
    qCDebug(lcFanView) << "isTurnOff" << off;
    btnOff->setChecked(off);
}

void ZaldoRGBFanView::setFanSpeed(int level)
{
    sliderSpeed->setValue(level);
    refreshSpeedText();
    refreshSpeedChecks(sliderSpeed->value());
}

void ZaldoRGBFanView::setPWM(bool on)
{
    btnPWM->setChecked(on);
    refreshSpeedText();
}

void ZaldoRGBFanView::setSentPercent(int percent)
{
    sentPercent = percent;
    refreshSpeedText();
}

void ZaldoRGBFanView::setRPM(int rpm)
{
    labelRPM->setText(QString::number(rpm));
}

void ZaldoRGBFanView::setDisabledCoverHidden(bool hidden)
{
    disabledCover->setHidden(hidden);
}

void ZaldoRGBFanView::setErrorCoverHidden(bool hidden)
{
    errorCover->setHidden(hidden);
}

bool ZaldoRGBFanView::isDisabledCoverHidden() const
{
    return disabledCover->isHidden();
}

bool ZaldoRGBFanView::isErrorCoverHidden() const
{
    return errorCover->isHidden();
}

QString ZaldoRGBFanView::speedText() const
{
    return labelSpeed->text();
}

void ZaldoRGBFanView::refreshSpeedText()
{
    const int v = sliderSpeed->value();
    // The percent the box is sent for the level (Silent is 10 %, not 0 %); on
    // a curve the percent it was last sent, its cap only until one is known.
    const int curve = sentPercent >= 0 ? sentPercent : (v + 5) * 10;
    const int p = btnPWM->isChecked() ? curve : speedLevelToPercent(v);
    const QString percent = QString::number(p) + QStringLiteral(" %");
    if (v == 5)
        labelSpeed->setText(tr("Performance") + QLatin1Char('\n') + percent);
    else if (v == 0)
        labelSpeed->setText(tr("Silent") + QStringLiteral("  ") + percent);
    else
        labelSpeed->setText(percent);
    fitToWidth(labelSpeed, labelSpeed->text(), labelSpeed->width());
}

void ZaldoRGBFanView::refreshSpeedChecks(int level)
{
    btnPerformance->setChecked(level == 5);
    btnSilent->setChecked(level == 0);
}

void ZaldoRGBFanView::setLightSliderCycle(bool cycle)
{
    // The colour cycle has no single colour: the gradient goes gray and the
    // brightness is not adjustable.
    sliderLight->setEnabled(!cycle);
    lightSliderStyle = cycle ? fanLightSliderStyle(QColor(128, 128, 128))
                             : fanLightSliderStyle(selectedColour());
    sliderLight->setStyleSheet(lightSliderStyle);
}

void ZaldoRGBFanView::updateDiscTextColour()
{
    // The RPM texts lie on the colour disc: dark text on light colours.
    const QColor disc = selectedColour();
    const int luma = (299 * disc.red() + 587 * disc.green() + 114 * disc.blue()) / 1000;
    const QColor text = luma > 150 ? QColor(0x16, 0x19, 0x1E) : QColor(0xFF, 0xFF, 0xFF);
    for (QLabel *l : {labelRPM, labelRPMCaption, labelSpeed}) {
        QPalette pal = l->palette();
        pal.setColor(QPalette::WindowText, text);
        l->setPalette(pal);
    }
}
