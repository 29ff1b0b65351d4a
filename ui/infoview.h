#pragma once

#include <QWidget>

class QTextEdit;

// The hardware-monitor information window: one text box the main view fills.
class InfoView : public QWidget {
    Q_OBJECT
public:
    explicit InfoView(QWidget *parent = nullptr);

    QTextEdit *textEdit() const { return text; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QTextEdit *text = nullptr;
};
