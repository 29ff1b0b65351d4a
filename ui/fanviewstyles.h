#pragma once

#include <QColor>
#include <QString>

// Font sizes (px) of the fan view's texts for one interface language.
struct FanViewFontRow {
    int modeCaption;
    int silentCaption;
    int performanceCaption;
    int brightCaption;
    int speedText;
    int blinkButton;
    int performanceButton;
    int silentButton;
};

// The row of language index 0..6; false (row untouched) for any other index.
bool fanViewFontRow(int index, FanViewFontRow *row);

// "font-family: Arial; font-size:<px>px;"
QString fanLabelStyle(int px);

// Button looks shared by every fan view. Blink, Performance and Silent carry the
// language's font size and are rebuilt by setLanguage.
struct FanViewButtonStyles {
    QString rgb;
    QString blink;
    QString off;
    QString performance;
    QString silent;
    QString pwm;
};
FanViewButtonStyles &fanViewButtonStyles();
void rebuildFanViewTextButtonStyles(int blinkPx, int performancePx, int silentPx);

QString fanSpeedSliderStyle();
// Groove gradient from start (left) to black (right).
QString fanLightSliderStyle(const QColor &start);
