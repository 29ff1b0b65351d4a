// The drop-down settings menu of the main view: seven languages, the automatic
// update and password switches, and the entry that opens the password keypad.
#include "core/panelcommands.h"
#include "ui/mainview.h"
#include "ui/mainview_p.h"

#include <QButtonGroup>
#include <QLabel>
#include <QPushButton>

using namespace mainview;

namespace {
constexpr int kAutoUpdateEntry = 7;
constexpr int kPasswordSwitchEntry = 8;
constexpr int kPasswordEntry = 9;

QString autoUpdateText(bool on)
{
    return on ? QStringLiteral("Auto Update On") : QStringLiteral("Auto Update Off");
}

QString passwordSwitchText(bool on)
{
    return on ? QStringLiteral("Password On") : QStringLiteral("Password Off");
}
} // namespace

void MainView::buildSettingsMenu()
{
    m_menu = new QWidget(this);
    m_menu->setObjectName(QStringLiteral("menuPanel"));
    m_menu->setGeometry(796, 30, 131, 356);
    // A selector keeps the picture off the entries inside.
    m_menu->setStyleSheet(QStringLiteral("QWidget#menuPanel{border-image:%1;}").arg(url(image("Image/menu_Language.png"))));
    m_menu->hide();

    m_languageGroup = new QButtonGroup(this);
    m_languageGroup->setExclusive(true);
    for (int k = 0; k < kMenuEntries; ++k) {
        auto *entry = new QPushButton(m_menu);
        entry->setObjectName(QStringLiteral("MutiLang%1").arg(k));
        entry->setGeometry(5, 5 + 35 * k, 120, 30);
        entry->setStyleSheet(m_menuEntryStyle);
        entry->setCheckable(k != kPasswordEntry);
        if (k < kLanguages) {
            m_languageGroup->addButton(entry, k);
            connect(entry, &QPushButton::released, this, &MainView::changeLanguage);
        } else {
            connect(entry, &QPushButton::released, this, &MainView::otherSwitch);
        }
        m_menuEntries[size_t(k)] = entry;
    }
    // The texts follow the flags; so does the check mark, so that the first
    // press of an entry always flips what it shows.
    m_menuEntries[kAutoUpdateEntry]->setChecked(m_autoUpdate);
    m_menuEntries[kPasswordSwitchEntry]->setChecked(m_passwordOn);
    m_menuEntries[kAutoUpdateEntry]->setText(autoUpdateText(m_autoUpdate));
    m_menuEntries[kPasswordSwitchEntry]->setText(passwordSwitchText(m_passwordOn));
    retranslateMenu();
}

void MainView::retranslateMenu()
{
    static const char *const codes[kLanguages] = {
        QT_TR_NOOP("en"), QT_TR_NOOP("tc"), QT_TR_NOOP("cn"), QT_TR_NOOP("de"),
        QT_TR_NOOP("fr"), QT_TR_NOOP("jp"), QT_TR_NOOP("th"),
    };
    for (int k = 0; k < kLanguages; ++k)
        m_menuEntries[size_t(k)]->setText(tr(codes[k]));
    m_menuEntries[kPasswordEntry]->setText(tr("Password:") + m_passwordText);
}

void MainView::checkLanguageEntry(int index)
{
    if (isLanguageIndex(index)) {
        m_menuEntries[size_t(index)]->setChecked(true);
        return;
    }
    // Not a language: no entry stays checked (an exclusive group would refuse).
    m_languageGroup->setExclusive(false);
    if (QAbstractButton *checked = m_languageGroup->checkedButton())
        checked->setChecked(false);
    m_languageGroup->setExclusive(true);
}

void MainView::mutiLanguageWidget()
{
    qCDebug(lcMainView) << "mutiLanguageWidget";
    m_menu->setVisible(m_menu->isHidden());
}

void MainView::changeLanguage()
{
    const int id = m_languageGroup->checkedId();
    qCDebug(lcMainView) << "changeLanguage";
    qCDebug(lcMainView) << "mutiLangGroup->checkedId():" << id;
    if (m_menu->isVisible())
        m_menu->hide();
    sendDataToControl({PanelCommand::changeLanguage, QString::number(id)});
}

void MainView::otherSwitch()
{
    const QString name = sender() ? sender()->objectName() : QString();
    qCDebug(lcMainView) << "otherSwitch:" << name;
    const int entry = numberAfter(name, QStringLiteral("MutiLang"));
    if (entry == kAutoUpdateEntry) {
        QPushButton *button = m_menuEntries[kAutoUpdateEntry];
        const bool on = button->isChecked();
        button->setText(autoUpdateText(on));
        sendDataToControl({PanelCommand::autoUpdate, on ? QStringLiteral("1") : QStringLiteral("0")});
        m_menu->hide();
    } else if (entry == kPasswordSwitchEntry) {
        QPushButton *button = m_menuEntries[kPasswordSwitchEntry];
        const bool on = button->isChecked();
        button->setText(passwordSwitchText(on));
        sendDataToControl({PanelCommand::password, on ? QStringLiteral("1") : QStringLiteral("0")});
        m_menu->hide();
    } else if (entry == kPasswordEntry) {
        openKeypad();
        m_menu->hide();
    } else {
        qCWarning(lcMainView) << "otherSwitch: unknown sender" << name;
    }
}

void MainView::setAutoUpdateSwitch(bool on)
{
    m_autoUpdate = on;
    m_menuEntries[kAutoUpdateEntry]->setChecked(on);
    m_menuEntries[kAutoUpdateEntry]->setText(autoUpdateText(on));
}

void MainView::setPasswordSwitch(bool on)
{
    m_passwordOn = on;
    m_menuEntries[kPasswordSwitchEntry]->setChecked(on);
    m_menuEntries[kPasswordSwitchEntry]->setText(passwordSwitchText(on));
}

void MainView::setPasswordText(const QString &text)
{
    // The keypad cells keep what they show; only the menu entry follows.
    m_passwordText = text;
    m_menuEntries[kPasswordEntry]->setText(tr("Password:") + text);
}
