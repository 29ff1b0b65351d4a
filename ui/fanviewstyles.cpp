#include "ui/fanviewstyles.h"

#include "ui/uiimages.h"

namespace {

const FanViewFontRow kRows[] = {
    {12, 12, 12, 12, 14, 14, 12, 14}, // en
    {12, 12, 12, 12, 14, 14, 12, 14}, // tc
    {12, 12, 12, 12, 14, 14, 12, 14}, // cn
    {12, 12, 12, 12, 14, 13, 12, 14}, // de
    {9, 10, 10, 10, 12, 10, 12, 10},  // fr
    {10, 8, 10, 10, 14, 14, 12, 12},  // jp
    {12, 8, 8, 12, 12, 8, 8, 8},      // th
};

QString imageStates(const QString &normal, const QString &checked, const QString &pressed,
                    const QString &font, const QString &checkedColour)
{
    QString s = QStringLiteral("QPushButton{border-image:%1; %2}").arg(UiImages::url(normal), font);
    QString c = QStringLiteral("border-image:%1;").arg(UiImages::url(checked));
    if (!checkedColour.isEmpty())
        c += QStringLiteral(" color:%1;").arg(checkedColour);
    s += QStringLiteral(" QPushButton:checked{%1}").arg(c);
    if (!pressed.isEmpty())
        s += QStringLiteral(" QPushButton:pressed{border-image:%1;}").arg(UiImages::url(pressed));
    return s;
}

QString blinkStyle(int px)
{
    return imageStates(QStringLiteral("btn_blink.png"), QStringLiteral("btn_blink_h.png"),
                       QStringLiteral("btn_blink.png"),
                       QStringLiteral("font-family:Arial; font-weight:bold; font-size:%1px; color:#02A0EA;").arg(px),
                       QStringLiteral("#FFFFFF"));
}

QString performanceStyle(int px)
{
    return imageStates(QStringLiteral("btn_performance.png"), QStringLiteral("btn_performance_h.png"),
                       QString(),
                       QStringLiteral("font-family:Arial; font-weight:bold; font-size:%1px; color:#E3017F;").arg(px),
                       QStringLiteral("#FFFFFF"));
}

QString silentStyle(int px)
{
    return imageStates(QStringLiteral("btn_silent.png"), QStringLiteral("btn_silent_h.png"), QString(),
                       QStringLiteral("font-family:Arial; font-weight:bold; font-size:%1px; color:#ACCD04;").arg(px),
                       QStringLiteral("#FFFFFF"));
}

FanViewButtonStyles buildAll()
{
    FanViewButtonStyles s;
    const QString plain = QStringLiteral("font-family:Arial; font-size:12px; color:white;");
    s.rgb = imageStates(QStringLiteral("btn_RGB_Mode.png"), QStringLiteral("btn_RGB_Mode_h.png"),
                        QStringLiteral("btn_RGB_Mode.png"), plain, QString());
    s.off = imageStates(QStringLiteral("btn_turnOn.png"), QStringLiteral("btn_turnOff.png"),
                        QStringLiteral("btn_turnOn.png"), plain, QString());
    s.pwm = imageStates(QStringLiteral("btn_pwm.png"), QStringLiteral("btn_pwm_h.png"), QString(),
                        QStringLiteral("font-family:Arial; font-weight:bold; font-size:12px; color:#F8931F;"),
                        QStringLiteral("#FFFFFF"));
    s.blink = blinkStyle(14);
    s.performance = performanceStyle(12);
    s.silent = silentStyle(14);
    return s;
}

} // namespace

bool fanViewFontRow(int index, FanViewFontRow *row)
{
    if (index < 0 || index >= int(sizeof(kRows) / sizeof(kRows[0])))
        return false;
    *row = kRows[index];
    return true;
}

QString fanLabelStyle(int px)
{
    return QStringLiteral("font-family: Arial; font-size:%1px;").arg(px);
}

FanViewButtonStyles &fanViewButtonStyles()
{
    static FanViewButtonStyles styles = buildAll();
    return styles;
}

void rebuildFanViewTextButtonStyles(int blinkPx, int performancePx, int silentPx)
{
    FanViewButtonStyles &s = fanViewButtonStyles();
    s.blink = blinkStyle(blinkPx);
    s.performance = performanceStyle(performancePx);
    s.silent = silentStyle(silentPx);
}

QString fanSpeedSliderStyle()
{
    return QStringLiteral(
               "QSlider::groove:horizontal{border:1px solid #999999; border-radius:3px; height:4px;"
               " background:rgb(40,44,52);}"
               " QSlider::sub-page:horizontal{background:rgba(109, 139, 199, 255); border:1px solid #999999;"
               " border-radius:3px;}"
               " QSlider::handle:horizontal{border-image:%1; width:20px; height:20px; margin:-9px 0;}")
        .arg(UiImages::url(QStringLiteral("bar-button.png")));
}

QString fanLightSliderStyle(const QColor &start)
{
    return QStringLiteral(
               "QSlider::groove:horizontal{height:6px; border-radius:3px;"
               " background:qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 rgb(%1,%2,%3), stop:1 rgb(0,0,0));}"
               " QSlider::handle:horizontal{border-image:%4; width:20px; height:20px; margin:-7px 0;}")
        .arg(start.red())
        .arg(start.green())
        .arg(start.blue())
        .arg(UiImages::url(QStringLiteral("bar_bright.png")));
}
