#include "ui/alertview.h"

#include "ui/uiimages.h"
#include "ui/windowplacement.h"

#include <QBitmap>
#include <QCloseEvent>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QLoggingCategory>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

Q_LOGGING_CATEGORY(lcAlertView, "zaldo.ui.alert")

namespace {
// Used when the picture is missing, so the warning is still readable.
constexpr int kFallbackWidth = 428;
constexpr int kFallbackHeight = 248;
constexpr int kDragAreaHeight = 180;
} // namespace

AlertView::AlertView(QWidget *parent)
    : QWidget(parent)
{
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setWindowTitle(QStringLiteral("Warning"));

    const QPixmap background(UiImages::path(QStringLiteral("warn_background.png")));
    QPalette pal = palette();
    int width = kFallbackWidth;
    int height = kFallbackHeight;
    if (background.isNull()) {
        qCWarning(lcAlertView) << "AlertView: missing warn_background.png, plain window";
        pal.setBrush(QPalette::Window, QColor(0x1B, 0x1F, 0x26));
    } else {
        width = background.width();
        height = background.height();
        pal.setBrush(QPalette::Window, QBrush(background));
        setMask(background.mask());
    }
    setPalette(pal);
    setAutoFillBackground(true);
    setFixedSize(width, height);

    okButton = new QPushButton(this);
    okButton->setObjectName(QStringLiteral("btn_fanAlertOK"));
    okButton->setGeometry(175, 200, 80, 33);
    okButton->setFlat(true);
    okButton->setStyleSheet(QStringLiteral("QPushButton{border-image:%1; color:#02A0EA; font-weight:bold;}"
                                           " QPushButton:pressed{border-image:%2;}")
                                .arg(UiImages::url(QStringLiteral("btn_save.png")),
                                     UiImages::url(QStringLiteral("btn_save_h.png"))));
    connect(okButton, &QPushButton::released, this, &AlertView::on_pushButton_clicked);

    okCaption = new QLabel(okButton);
    okCaption->setGeometry(0, 0, 80, 33);
    okCaption->setAlignment(Qt::AlignCenter);
    okCaption->setText(QStringLiteral("OK"));
    QFont captionFont(QStringLiteral("Arial"), 12, 75);
    okCaption->setFont(captionFont);
    okCaption->setStyleSheet(QStringLiteral("color:white;"));
    okCaption->setAttribute(Qt::WA_TransparentForMouseEvents);

    const QFont bigFont(QStringLiteral("Arial"), 30, QFont::Bold);
    titleLabel = new QLabel(this);
    titleLabel->setGeometry(0, 110, width, 45);
    titleLabel->setAlignment(Qt::AlignCenter);
    titleLabel->setFont(bigFont);
    titleLabel->setStyleSheet(QStringLiteral("color:red;"));
    titleLabel->setText(QStringLiteral("Warning"));

    messageLabel = new QLabel(this);
    messageLabel->setGeometry(0, 155, width, 45);
    messageLabel->setAlignment(Qt::AlignCenter);
    messageLabel->setFont(bigFont);
    messageLabel->setStyleSheet(QStringLiteral("color:yellow;"));

    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->geometry();
        const double x = double(s.width()) - width - 20;
        const double y = double(s.height()) - height - 50;
        move(placeOnScreen(QRect(static_cast<int>(x), static_cast<int>(y), width, height)));
    }
    show();
}

void AlertView::setControllerNumber(int b, int fan)
{
    QString text = QStringLiteral("Controller No. ") + QString::number(b + 1);
    if (fan >= 0)
        text += QStringLiteral("  ") + tr("Fan No. %1").arg(fan + 1);
    // Smaller rather than cut off: the picture's width is all there is.
    QFont font(QStringLiteral("Arial"), 30, QFont::Bold);
    while (font.pointSize() > 12 && QFontMetrics(font).horizontalAdvance(text) > messageLabel->width() - 20)
        font.setPointSize(font.pointSize() - 2);
    messageLabel->setFont(font);
    messageLabel->setText(text);
}

QString AlertView::messageText() const
{
    return messageLabel->text();
}

void AlertView::on_pushButton_clicked()
{
    qCDebug(lcAlertView) << "close()";
    dismiss();
}

void AlertView::dismiss()
{
    Q_EMIT sendData(QStringLiteral("test"));
    hide();
}

void AlertView::closeEvent(QCloseEvent *event)
{
    // A window-manager close acts like OK. The window is only hidden, so it can
    // be raised again.
    qCDebug(lcAlertView) << "AlertView--WM_CLOSE";
    event->ignore();
    dismiss();
}

void AlertView::mousePressEvent(QMouseEvent *event)
{
    m_drag.press(this, event, event->pos().y() < kDragAreaHeight);
}

void AlertView::mouseMoveEvent(QMouseEvent *event)
{
    m_drag.move(this, event, event->pos().y() < kDragAreaHeight);
}
