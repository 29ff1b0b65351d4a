#pragma once

#include "ui/windowdrag.h"

#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;

// The stopped-fan warning: a frameless window shaped by its picture, placed at
// the bottom right of the primary screen. Dismissing it emits sendData("test").
class AlertView : public QWidget {
    Q_OBJECT
public:
    explicit AlertView(QWidget *parent = nullptr);

    // The box, and the fan when one is given, as the panel numbers them.
    void setControllerNumber(int b, int fan = -1);
    QString messageText() const;

Q_SIGNALS:
    void sendData(QString text);

public Q_SLOTS:
    void on_pushButton_clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void dismiss();

    QPushButton *okButton = nullptr;
    QLabel *okCaption = nullptr;
    QLabel *titleLabel = nullptr;
    QLabel *messageLabel = nullptr;
    WindowDrag m_drag;
};
