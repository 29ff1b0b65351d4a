#pragma once

#include <QStringList>
#include <QWidget>

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
    void setRPM(int rpm);
    void setDisabledCoverHidden(bool hidden);
    void setErrorCoverHidden(bool hidden);
    bool isDisabledCoverHidden() const;
    bool isErrorCoverHidden() const;

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

private:
    // (members are the fan view's own; see zaldorgbfanview.cpp)
};
