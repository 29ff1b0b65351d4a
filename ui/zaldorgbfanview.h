#pragma once

#include <QStringList>
#include <QWidget>

class QLabel;
class QPushButton;
class QSlider;

// The panel of one fan (302 x 390). Emits panel command lists; shows what it is told.
class ZaldoRGBFanView : public QWidget {
    Q_OBJECT
public:
    explicit ZaldoRGBFanView(QWidget *parent = nullptr);

    void setFanNumber(int n);
    void setLanguage(int index);
    void setSelectColor(int r, int g, int b, float bright);
    void setBright(float bright);
    void setRGB(bool on);
    void setBlink(bool on);
    void setTurnOff(bool off);
    void setFanSpeed(int level);
    void setPWM(bool on);
    // -1: none known; on a curve the text shows the cap until one is.
    void setSentPercent(int percent);
    void setRPM(int rpm);
    void setDisabledCoverHidden(bool hidden);
    void setErrorCoverHidden(bool hidden);
    bool isDisabledCoverHidden() const;
    bool isErrorCoverHidden() const;

    int fanNumber() const { return fanIndex; }
    float brightness() const { return brightValue; }
    int red() const { return selectRValue; }
    int green() const { return selectGValue; }
    int blue() const { return selectBValue; }
    QString speedText() const;

Q_SIGNALS:
    void sendData(QStringList list);

private Q_SLOTS:
    void pushFanSpeed();
    void pushLightMode();
    void pushTurnOff();
    void pushPWM();
    void changeSliderLight(int v);
    void changeSliderFanSpeed(int v);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    // The speed area's menu ("Fan curve…"): right-click there, the menu key or Shift+F10.
    void contextMenuEvent(QContextMenuEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildControls();
    void buildDisplay();
    void buildCovers();
    void applyButtonStyles();
    void refreshSpeedText();
    void showSpeedMenu(const QPoint &pos);
    void refreshSpeedChecks(int level);
    void setLightSliderCycle(bool cycle);
    void updateDiscTextColour();
    QColor selectedColour() const;
    // The brightness kept to 0..1 before any use as a number of steps: one
    // that is no number counts as off, as the boxes get it.
    static float shownBrightness(float bright);
    QString fanText() const { return QString::number(fanIndex); }

    int fanIndex = 0;
    int sentPercent = -1;
    int selectRValue = 0;
    int selectGValue = 0;
    int selectBValue = 0;
    float brightValue = 1.0f;
    QString lightSliderStyle;

    QString modeCaptionStyle;
    QString silentCaptionStyle;
    QString performanceCaptionStyle;
    QString brightCaptionStyle;
    QString speedTextStyle;

    QPushButton *btnPerformance = nullptr;
    QPushButton *btnSilent = nullptr;
    QPushButton *btnPWM = nullptr;
    QPushButton *btnBlank = nullptr;
    QLabel *labelMode = nullptr;
    QSlider *sliderSpeed = nullptr;
    QLabel *labelSilent = nullptr;
    QLabel *labelPerformance = nullptr;
    QPushButton *btnRGB = nullptr;
    QPushButton *btnOff = nullptr;
    QPushButton *btnBlink = nullptr;
    QPushButton *btnCopy = nullptr;
    QLabel *labelBright = nullptr;
    QSlider *sliderLight = nullptr;
    QLabel *labelPalette = nullptr;
    QLabel *labelRPM = nullptr;
    QLabel *labelRPMCaption = nullptr;
    QLabel *labelSeparator = nullptr;
    QLabel *labelSpeed = nullptr;
    QLabel *errorCover = nullptr;
    QLabel *disabledCover = nullptr;
};
