#pragma once

#include "core/vocabulary.h"
#include "ui/windowdrag.h"

#include <QPoint>
#include <QStringList>
#include <QVector>
#include <QWidget>

#include <array>

class QButtonGroup;
class QLabel;
class QPushButton;
class QScrollArea;
class InfoView;
class ZaldoRGBFanView;

// The window the user works with: box strip, three fan views, profiles,
// information area, settings menu and password keypad. It never touches the
// model: user actions leave as panel command lists through sendData(), and the
// controller pushes state back through the operations below.
class MainView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kBoxes = 16;
    // The panel's layout has room for three fan views; a port past them is
    // reached from the command line and the other front ends.
    static constexpr int kFanViews = 3;
    static constexpr int kProfiles = 5;
    static constexpr int kLanguages = 7;
    static constexpr int kMenuEntries = 10;
    static constexpr int kDigits = 4;
    static constexpr int kBoxStep = 49;       // one box button in the strip
    static constexpr int kStripContentWidth = 778;

    // resourcePrefix: directory holding "Image/" and "Language/", ending in "/".
    // Empty means the program's own directory.
    explicit MainView(const QString &resourcePrefix = QString(), QWidget *parent = nullptr);
    ~MainView() override;

    // Operations called by the rest of the program. Fan f is 0..2, box b 0..15;
    // anything else is logged and ignored.
    void setLanguage(int index);
    void setFirmwareVersion(const QString &text);
    void setSoftwareVersion(const QString &text);
    void setIPAddress(const QString &text);
    void setProfile(int profile);
    void setProfileLabel(int profile);
    void setBoxPresent(int box);
    void setBoxChecked(int box);
    void setBoxEnabled(int box, bool present);
    void setBoxFault(int box, bool fault);
    void setFanMonitor(int fan, bool on);
    void setFanErrorHidden(int fan, bool hidden);
    void setTemperature(int celsius);
    void appendInfo(const QString &line);
    // box: the box (0..15) the message names, -1 for none.
    void showError(bool hidden, int category, int index, int box = -1);

    void setBlink(bool on, int fan);
    void setBright(float bright, int fan);
    void setRPM(int rpm, int fan);
    void setPWM(bool on, int fan);
    void setRGB(bool on, int fan);
    void setFanSpeed(int level, int fan);
    void setSentPercent(int percent, int fan);
    void setTurnOff(bool off, int fan);
    void setSelectColor(int red, int green, int blue, float bright, int fan);

    // Settings menu.
    void setAutoUpdateSwitch(bool on);
    void setPasswordSwitch(bool on);
    void setPasswordText(const QString &text);

    ZaldoRGBFanView *fanView(int fan) const;
    InfoView *infoView() const { return m_infoView; }
    int currentProfile() const { return m_currentProfile; }
    QString passwordText() const { return m_passwordText; }

    // celsius * 9 / 5 (truncating toward zero) + 32, without overflow.
    static qint64 fahrenheit(int celsius);

Q_SIGNALS:
    void sendData(QStringList list);

public Q_SLOTS:
    void changeControllerBox();
    void moveControllerBox();
    void mutiLanguageWidget();
    void changeLanguage();
    void otherSwitch();
    void selectProfile();
    void showInfo();
    void saveProfile();
    void closeFanControl();
    void receiveFanData(QStringList list);
    void keyboardTouch();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    struct ErrorCategory {
        QStringList codes;
        QStringList texts; // may be shorter than codes
    };
    enum class BoxLook { Initial, Present, Absent };

    QString image(const QString &relative) const;
    // text with %1 replaced by the error's box number as the panel shows it.
    QString withBoxNumber(const QString &text) const;
    void buildStyles();
    // Styles whose font sizes follow the language row (kLanguageRows).
    void applySizedStyles(int languageIndex);
    void buildErrorTable();
    void buildWindow();
    void buildProfileArea();
    void buildBoxStrip();
    void buildInfoArea();
    void buildFanArea();
    void buildWindowButtons();
    void buildSettingsMenu();
    void buildKeypad();
    void buildMessageLabel();

    void applyBoxStyle(int box);
    void refreshVersionLabel();
    void refreshTemperatureLabel();
    void refreshErrorMessage();
    void refreshTexts();
    void retranslateMenu();
    void checkLanguageEntry(int index);
    QString keypadEntry() const;
    void openKeypad();
    // Escape or a click beside the keypad: closed, the cells as they were opened.
    void cancelKeypad();
    // A key typed while the keypad is open; true when it is the keypad's.
    bool keypadKey(int key);
    void sendDataToControl(const QStringList &list);
    bool checkFan(int fan, const char *operation) const;
    bool checkBox(int box, const char *operation) const;

    QString m_prefix;

    // Styles shared by all widgets of a kind; setLanguage rebuilds the sized ones.
    QString m_arrowLeftStyle;
    QString m_arrowRightStyle;
    QString m_monitorStyle;
    QString m_profileButtonStyle;
    QString m_saveStyle;
    QString m_profileLabelStyle;
    QString m_fanHeaderStyle;
    QString m_infoLabelStyle;
    QString m_menuEntryStyle;

    int m_lastBox = -1;
    int m_currentProfile = 1;
    WindowDrag m_drag;
    QString m_firmwareVersion = QStringLiteral("0.0.0");
    QString m_softwareVersion = QStringLiteral("0.0.0");
    QString m_ipText = QStringLiteral("null");
    bool m_hasTemperature = false;
    int m_celsius = 0;

    std::array<ErrorCategory, 2> m_errors;
    int m_errorCategory = 0;
    int m_errorIndex = 0;
    int m_errorBox = -1;

    bool m_autoUpdate = true;
    bool m_passwordOn = false;
    QString m_passwordText = Defaults::password;

    // Box strip.
    QPushButton *m_arrowLeft = nullptr;
    QPushButton *m_arrowRight = nullptr;
    QScrollArea *m_strip = nullptr;
    QWidget *m_stripContent = nullptr;
    QButtonGroup *m_boxGroup = nullptr;
    std::array<QPushButton *, kBoxes> m_boxButtons{};
    std::array<BoxLook, kBoxes> m_boxLook{};
    std::array<bool, kBoxes> m_boxFault{};

    // Profiles.
    QButtonGroup *m_profileGroup = nullptr;
    std::array<QPushButton *, kProfiles> m_profileButtons{};
    QPushButton *m_saveButton = nullptr;
    QLabel *m_profileLabel = nullptr;

    // Fans.
    std::array<QLabel *, kFanViews> m_fanHeaders{};
    std::array<QPushButton *, kFanViews> m_monitorSwitches{};
    std::array<ZaldoRGBFanView *, kFanViews> m_fanViews{};

    // Information area.
    QLabel *m_versionLabel = nullptr;
    QLabel *m_temperatureLabel = nullptr;
    QLabel *m_ipLabel = nullptr;
    QLabel *m_noticeLabel = nullptr;
    QPushButton *m_infoButton = nullptr;
    InfoView *m_infoView = nullptr;

    // Window buttons.
    QPushButton *m_settingsButton = nullptr;
    QPushButton *m_minimiseButton = nullptr;
    QPushButton *m_closeButton = nullptr;

    // Settings menu.
    QWidget *m_menu = nullptr;
    QButtonGroup *m_languageGroup = nullptr;
    std::array<QPushButton *, kMenuEntries> m_menuEntries{};

    // Password keypad.
    QLabel *m_keypadCover = nullptr;
    QLabel *m_keypadPanel = nullptr;
    std::array<QLabel *, kDigits> m_digitCells{};
    std::array<QLabel *, kDigits> m_digitLines{};
    std::array<QPushButton *, 12> m_keys{};
    QString m_keypadOpenedWith;

    QLabel *m_messageLabel = nullptr;
};
