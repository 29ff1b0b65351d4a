#pragma once

#include <QWidget>

class QTextEdit;

// The hardware-monitor information window: one text box the main view fills.
class InfoView : public QWidget {
    Q_OBJECT
public:
    explicit InfoView(QWidget *parent = nullptr);

    QTextEdit *textEdit() const { return text; }

    // WM_DEVICECHANGE is ignored, WM_CLOSE hides. Returns true when consumed.
    bool handleWindowMessage(quint32 message);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool nativeEvent(const QByteArray &eventType, void *message, long *result) override;

private:
    QTextEdit *text = nullptr;
};
