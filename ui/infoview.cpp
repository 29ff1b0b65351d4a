#include "ui/infoview.h"

#include "ui/uiimages.h"

#include <QCloseEvent>
#include <QIcon>
#include <QLoggingCategory>
#include <QPalette>
#include <QTextEdit>

Q_LOGGING_CATEGORY(lcInfoView, "zaldo.ui.info")

InfoView::InfoView(QWidget *parent)
    : QWidget(parent)
{
#ifdef Q_OS_WIN
    setWindowTitle(QStringLiteral("HWiNFO"));
#else
    setWindowTitle(QStringLiteral("Sensors"));
#endif
    setGeometry(100, 100, 500, 500);
    setFixedSize(500, 500);
    setWindowIcon(QIcon(UiImages::path(QStringLiteral("warning.png"))));

    // The panel's dark look.
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0x1A, 0x1E, 0x25));
    setPalette(pal);
    setAutoFillBackground(true);

    text = new QTextEdit(this);
    text->setGeometry(10, 10, 480, 480);
    text->setStyleSheet(QStringLiteral(
        "QTextEdit{background:#171B21; color:#E6E9EE; border:1px solid #262C35; font-family:Arial; font-size:13px;"
        " selection-background-color:#02A0EA;}"
        "QScrollBar:vertical{background:#171B21; width:10px; margin:0;}"
        "QScrollBar::handle:vertical{background:#2F3640; min-height:24px; border-radius:4px;}"
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical{height:0;}"));
    hide();
}

void InfoView::closeEvent(QCloseEvent *event)
{
    // Only hidden: the Info button opens the same window again.
    qCDebug(lcInfoView) << "InfoView--WM_CLOSE";
    event->ignore();
    hide();
}
