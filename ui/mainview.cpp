#include "ui/mainview.h"

#include "ui/infoview.h"
#include "ui/mainview_p.h"
#include "ui/windowplacement.h"
#include "ui/zaldorgbfanview.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QFont>
#include <QIcon>
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>

Q_LOGGING_CATEGORY(lcMainView, "zaldo.mainview")

using namespace mainview;

int mainview::numberAfter(const QString &objectName, const QString &prefix)
{
    if (!objectName.startsWith(prefix) || objectName.size() == prefix.size())
        return -1;
    const QStringRef digits = objectName.midRef(prefix.size());
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
    }
    bool ok = false;
    const int n = digits.toInt(&ok);
    return ok ? n : -1;
}

MainView::MainView(const QString &resourcePrefix, QWidget *parent)
    : QWidget(parent)
    , m_prefix(resourcePrefix.isEmpty() ? QCoreApplication::applicationDirPath() + QLatin1Char('/')
                                        : resourcePrefix)
{
    // The order of creation is the stacking order: later children lie above.
    buildStyles();
    buildErrorTable();
    buildWindow();
    buildProfileArea();
    buildBoxStrip();
    buildInfoArea();
    buildFanArea();
    buildWindowButtons();
    buildSettingsMenu();
    buildKeypad();
    buildMessageLabel();
}

MainView::~MainView()
{
    // The information window is a top-level window of its own but ours to free.
    delete m_infoView;
}

QString MainView::image(const QString &relative) const
{
    return m_prefix + relative;
}

void MainView::buildStyles()
{
    m_arrowLeftStyle = QStringLiteral("QPushButton{border-image:%1; color:#02A0EA;}"
                                      "QPushButton:pressed{border-image:%2;}")
                           .arg(url(image("Image/btn_arrowLeft.png")), url(image("Image/btn_arrowLeft_h.png")));
    m_arrowRightStyle = QStringLiteral("QPushButton{border-image:%1; color:#02A0EA;}"
                                       "QPushButton:pressed{border-image:%2;}")
                            .arg(url(image("Image/btn_arrowRight.png")), url(image("Image/btn_arrowRight_h.png")));
    m_monitorStyle = QStringLiteral("QPushButton{border-image:%1; font-family:Arial; font-size:12px; color:white;}"
                                    "QPushButton:checked{border-image:%2;}"
                                    "QPushButton:pressed{border-image:%2;}")
                         .arg(url(image("Image/btn_closeFan.png")), url(image("Image/btn_openFan.png")));
    m_fanHeaderStyle = QStringLiteral("font-family: Arial; font-size:%1px; color: white;").arg(kFanHeaderSizeAtStart);
    m_infoLabelStyle = QStringLiteral("font-family: Arial; color:white; font-size:11px;");
    m_menuEntryStyle = QStringLiteral("QPushButton{border-image:%1; font-family:Arial; font-size:12px; color:white;}"
                                      "QPushButton:checked{border-image:%2;}"
                                      "QPushButton:pressed{border-image:%2;}")
                           .arg(url(image("Image/btn_save.png")), url(image("Image/btn_save_h.png")));
    // Sized styles start with the English row until the first setLanguage.
    applySizedStyles(0);
}

void MainView::applySizedStyles(int languageIndex)
{
    const LanguageRow &row = kLanguageRows[languageIndex];
    m_profileButtonStyle = QStringLiteral("QPushButton{border-image:%1; font-family:Arial; color:white; font-size:%3px;}"
                                          "QPushButton:checked{border-image:%2;}"
                                          "QPushButton:pressed{border-image:%2;}")
                               .arg(url(image("Image/btn_profile.png")), url(image("Image/btn_profile_h.png")))
                               .arg(row.profileButtons);
    m_saveStyle = QStringLiteral("QPushButton{border-image:%1; font-family:Arial; color:white; font-size:%3px;}"
                                 "QPushButton:checked{border-image:%1;}"
                                 "QPushButton:pressed{border-image:%2;}")
                      .arg(url(image("Image/btn_save.png")), url(image("Image/btn_save_h.png")))
                      .arg(row.save);
    m_profileLabelStyle = QStringLiteral("font-family:Arial; color:white; font-size:%1px; border-image:%2;")
                              .arg(row.profileLabel)
                              .arg(url(image("Image/Bvab.png")));
}

void MainView::buildWindow()
{
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    const QRect wanted(400, 400, 947, 587);
    setGeometry(QRect(placeOnScreen(wanted), wanted.size()));
    setWindowTitle(QStringLiteral("Zaldo RGB"));
    setWindowIcon(QIcon(image("Image/logo.ico")));

    QPixmap background(image("Image/background.png"));
    if (background.isNull()) {
        qCWarning(lcMainView) << "missing image:" << image("Image/background.png");
    } else {
        background = background.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QPalette pal = palette();
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            pal.setBrush(group, QPalette::Window, QBrush(background));
        setPalette(pal);
    }
    setAutoFillBackground(true);
}

void MainView::buildProfileArea()
{
    m_profileGroup = new QButtonGroup(this);
    m_profileGroup->setExclusive(true);
    for (int n = 0; n < kProfiles; ++n) {
        auto *button = new QPushButton(this);
        button->setObjectName(QString::number(n));
        button->setProperty("role", QStringLiteral("profile"));
        button->setCheckable(true);
        button->setGeometry(590 + 67 * n, 40, 61, 36);
        button->setStyleSheet(m_profileButtonStyle);
        button->setText(tr("PROFILE") + QLatin1Char('_') + QString::number(n + 1));
        m_profileGroup->addButton(button, n);
        connect(button, &QPushButton::released, this, &MainView::selectProfile);
        m_profileButtons[size_t(n)] = button;
    }
    m_profileButtons[0]->setChecked(true);

    m_saveButton = new QPushButton(this);
    m_saveButton->setObjectName(QStringLiteral("btn_save"));
    m_saveButton->setFlat(true);
    m_saveButton->setGeometry(874, 82, 66, 27);
    m_saveButton->setStyleSheet(m_saveStyle);
    m_saveButton->setText(tr("SAVE"));
    connect(m_saveButton, &QPushButton::released, this, &MainView::saveProfile);

    m_profileLabel = new QLabel(this);
    m_profileLabel->setObjectName(QStringLiteral("profileLabel"));
    m_profileLabel->setGeometry(14, 90, 89, 23);
    m_profileLabel->setAlignment(Qt::AlignCenter);
    m_profileLabel->setStyleSheet(m_profileLabelStyle);
    m_profileLabel->setText(tr("PROFILE") + QLatin1Char('_') + QString::number(m_currentProfile));
}

void MainView::buildBoxStrip()
{
    m_arrowLeft = new QPushButton(this);
    m_arrowLeft->setObjectName(QStringLiteral("ArrowLeft"));
    m_arrowLeft->setFlat(true);
    m_arrowLeft->setGeometry(30, 46, 16, 21);
    m_arrowLeft->setStyleSheet(m_arrowLeftStyle);
    connect(m_arrowLeft, &QPushButton::released, this, &MainView::moveControllerBox);

    m_arrowRight = new QPushButton(this);
    m_arrowRight->setObjectName(QStringLiteral("ArrowRight"));
    m_arrowRight->setFlat(true);
    m_arrowRight->setGeometry(375, 46, 16, 21);
    m_arrowRight->setStyleSheet(m_arrowRightStyle);
    connect(m_arrowRight, &QPushButton::released, this, &MainView::moveControllerBox);

    m_strip = new QScrollArea(this);
    m_strip->setObjectName(QStringLiteral("boxStrip"));
    m_strip->setFrameShape(QFrame::NoFrame);
    m_strip->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_strip->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_strip->setWidgetResizable(false);
    m_strip->setGeometry(91, 38, 239, 40);
    m_strip->setStyleSheet(QStringLiteral("* { background-color: rgb(80, 80, 80); }"));

    m_stripContent = new QWidget;
    m_stripContent->setObjectName(QStringLiteral("boxStripContent"));
    m_stripContent->setGeometry(0, 0, kStripContentWidth, 40);

    m_boxGroup = new QButtonGroup(this);
    m_boxGroup->setExclusive(true);
    for (int n = 0; n < kBoxes; ++n) {
        auto *button = new QPushButton(m_stripContent);
        button->setObjectName(QString::number(n));
        button->setProperty("role", QStringLiteral("box"));
        button->setCheckable(true);
        button->setGeometry(kBoxStep * n, 5, 43, 32);
        button->setText(QString::number(n + 1));
        m_boxGroup->addButton(button, n);
        connect(button, &QPushButton::released, this, &MainView::changeControllerBox);
        m_boxButtons[size_t(n)] = button;
        m_boxLook[size_t(n)] = BoxLook::Initial;
        m_boxFault[size_t(n)] = false;
        applyBoxStyle(n);
    }
    m_strip->setWidget(m_stripContent);
}

void MainView::buildInfoArea()
{
    m_versionLabel = new QLabel(this);
    m_versionLabel->setObjectName(QStringLiteral("versionLabel"));
    m_versionLabel->setGeometry(857, 552, 82, 18);
    m_versionLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_versionLabel->setStyleSheet(m_infoLabelStyle);
    refreshVersionLabel();

    m_temperatureLabel = new QLabel(this);
    m_temperatureLabel->setObjectName(QStringLiteral("temperatureLabel"));
    m_temperatureLabel->setGeometry(750, 552, 100, 18);
    m_temperatureLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_temperatureLabel->setStyleSheet(m_infoLabelStyle);
    refreshTemperatureLabel();

    m_ipLabel = new QLabel(this);
    m_ipLabel->setObjectName(QStringLiteral("ipLabel"));
    m_ipLabel->setGeometry(440, 552, 300, 18);
    m_ipLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_ipLabel->setStyleSheet(m_infoLabelStyle);
    m_ipLabel->setText(tr("IP Address") + QLatin1Char(':'));

    m_noticeLabel = new QLabel(this);
    m_noticeLabel->setObjectName(QStringLiteral("noticeLabel"));
    m_noticeLabel->setGeometry(590, 564, 349, 20);
    m_noticeLabel->setAlignment(Qt::AlignCenter);
    m_noticeLabel->setStyleSheet(QStringLiteral("font-family: Arial; font-size:10px; color:white;"));
    m_noticeLabel->setText(QStringLiteral("Copyright \u00A9 Brenvar. All rights reserved."));

    m_infoButton = new QPushButton(this);
    m_infoButton->setObjectName(QStringLiteral("btn_info"));
    m_infoButton->setFlat(true);
    m_infoButton->setGeometry(200, 560, 40, 20);
    m_infoButton->setStyleSheet(QStringLiteral("QPushButton{ color: white; }"));
    m_infoButton->setText(QStringLiteral("Info"));
    // The platform's default font is taller than the 20 px button on some desktops.
    QFont infoFont(QStringLiteral("Arial"));
    infoFont.setPixelSize(12);
    m_infoButton->setFont(infoFont);
    connect(m_infoButton, &QPushButton::released, this, &MainView::showInfo);

    m_infoView = new InfoView;
    m_infoView->setObjectName(QStringLiteral("infoView"));
}

void MainView::buildFanArea()
{
    for (int n = 0; n < kFanViews; ++n) {
        auto *monitor = new QPushButton(this);
        monitor->setObjectName(QString::number(n));
        monitor->setProperty("role", QStringLiteral("monitor"));
        monitor->setFlat(true);
        monitor->setCheckable(true);
        monitor->setChecked(true);
        monitor->setGeometry(121 + 312 * n, 127, 20, 20);
        monitor->setStyleSheet(m_monitorStyle);
        connect(monitor, &QPushButton::released, this, &MainView::closeFanControl);
        m_monitorSwitches[size_t(n)] = monitor;
    }
    for (int n = 0; n < kFanViews; ++n) {
        auto *header = new QLabel(this);
        header->setObjectName(QStringLiteral("fanHeader%1").arg(n));
        header->setGeometry(144 + 312 * n, 127, 100, 20);
        header->setStyleSheet(m_fanHeaderStyle);
        header->setText(tr("FAN") + QString::number(n + 1));
        m_fanHeaders[size_t(n)] = header;
    }
    for (int n = 0; n < kFanViews; ++n) {
        auto *view = new ZaldoRGBFanView(this);
        view->setObjectName(QStringLiteral("fanView%1").arg(n));
        view->setGeometry(9 + 312 * n, 154, 302, 390);
        view->setFanNumber(n);
        connect(view, &ZaldoRGBFanView::sendData, this, &MainView::receiveFanData);
        m_fanViews[size_t(n)] = view;
    }
}

void MainView::buildWindowButtons()
{
    const auto makeButton = [this](const QString &name, const QRect &geometry, const QString &picture) {
        auto *button = new QPushButton(this);
        button->setObjectName(name);
        button->setFlat(true);
        button->setGeometry(geometry);
        button->setStyleSheet(QStringLiteral("QPushButton{border-image:%1;}").arg(url(image(picture))));
        return button;
    };
    m_settingsButton = makeButton(QStringLiteral("Min_Window"), QRect(850, 8, 20, 20), QStringLiteral("Image/btn_setting.png"));
    m_settingsButton->setProperty("role", QStringLiteral("settings"));
    connect(m_settingsButton, &QPushButton::released, this, &MainView::mutiLanguageWidget);

    m_minimiseButton = makeButton(QStringLiteral("Min_Window"), QRect(881, 10, 20, 20), QStringLiteral("Image/btn_min.png"));
    m_minimiseButton->setProperty("role", QStringLiteral("minimise"));
    connect(m_minimiseButton, &QPushButton::released, this, &QWidget::showMinimized);

    m_closeButton = makeButton(QStringLiteral("Close_Window"), QRect(914, 10, 16, 15), QStringLiteral("Image/btn_close.png"));
    connect(m_closeButton, &QPushButton::released, this, &QWidget::hide);
}

void MainView::buildMessageLabel()
{
    // Last child: lies above everything, the keypad cover included.
    m_messageLabel = new QLabel(this);
    m_messageLabel->setObjectName(QStringLiteral("messageLabel"));
    m_messageLabel->setGeometry(width() / 6, height() / 4, 2 * width() / 3, height() / 2);
    m_messageLabel->setWordWrap(true);
    m_messageLabel->setAlignment(Qt::AlignCenter);
    m_messageLabel->setStyleSheet(QStringLiteral(
        "background:rgba(0,0,0,0.9); border-radius:20; color:white; font-family: Arial; font-size:20px;"));
    m_messageLabel->hide();
}
