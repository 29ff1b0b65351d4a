// The operations through which the rest of the program pushes state into the
// main view.
#include "core/boxmodel.h"
#include "ui/infoview.h"
#include "ui/mainview.h"
#include "ui/mainview_p.h"
#include "ui/zaldorgbfanview.h"

#include <QButtonGroup>
#include <QLabel>
#include <QPushButton>
#include <QTextEdit>

using namespace mainview;

bool MainView::checkFan(int fan, const char *operation) const
{
    if (fan >= 0 && fan < kFanViews)
        return true;
    if (fan >= kFanViews && fan < maxFanPorts())
        return false;  // a port the panel has no view for
    qCWarning(lcMainView) << operation << "ignored, fan out of range:" << fan;
    return false;
}

bool MainView::checkBox(int box, const char *operation) const
{
    if (box >= 0 && box < kBoxes)
        return true;
    qCWarning(lcMainView) << operation << "ignored, box out of range:" << box;
    return false;
}

ZaldoRGBFanView *MainView::fanView(int fan) const
{
    return (fan >= 0 && fan < kFanViews) ? m_fanViews[size_t(fan)] : nullptr;
}

qint64 MainView::fahrenheit(int celsius)
{
    // 64-bit so that no stored or reported value can overflow.
    return qint64(celsius) * 9 / 5 + 32;
}

void MainView::buildErrorTable()
{
    ErrorCategory &hardware = m_errors[0];
    // Texts with %1 name a box, numbered from 1 as on the box buttons.
    hardware.codes = QStringList{QStringLiteral("H_0x0001"), QStringLiteral("H_0x0002"), QStringLiteral("H_0x0003")};
    hardware.texts = QStringList{tr("Error_Code_H_0x0001"), tr("Error_Code_H_0x0002"), tr("Error_Code_H_0x0003")};
    ErrorCategory &software = m_errors[1];
    software.codes = QStringList{QStringLiteral("S_0x0001"), QStringLiteral("S_0x0002"), QStringLiteral("S_0x0010")};
    // S_0x0010 has no text of its own.
    software.texts = QStringList{tr("Error_Code_S_0x0001"), tr("Error_Code_S_0x0002")};
}

void MainView::refreshErrorMessage()
{
    if (m_errorCategory < 0 || m_errorCategory >= int(m_errors.size()))
        return;
    const ErrorCategory &category = m_errors[size_t(m_errorCategory)];
    if (m_errorIndex < 0 || m_errorIndex >= category.codes.size()) {
        qCWarning(lcMainView) << "showError: no code" << m_errorIndex << "in category" << m_errorCategory;
        return;
    }
    const QString code = tr("Error Code") + QLatin1Char(':') + category.codes.at(m_errorIndex);
    if (m_errorIndex >= category.texts.size()) {
        m_messageLabel->setText(QLatin1Char('(') + code + QLatin1Char(')'));
        return;
    }
    const QString text = withBoxNumber(category.texts.at(m_errorIndex));
    m_messageLabel->setText(text + QStringLiteral(" (") + code + QLatin1Char(')'));
}

QString MainView::withBoxNumber(const QString &text) const
{
    if (!text.contains(QLatin1String("%1")))
        return text;
    return text.arg(checkBox(m_errorBox, "showError") ? QString::number(m_errorBox + 1) : QStringLiteral("?"));
}

void MainView::showError(bool hidden, int category, int index, int box)
{
    m_errorCategory = category;
    m_errorIndex = index;
    m_errorBox = box;
    refreshErrorMessage();
    m_messageLabel->setHidden(hidden);
}

void MainView::setLanguage(int index)
{
    checkLanguageEntry(index);
    if (isLanguageIndex(index)) {
        applySizedStyles(index);
        m_fanHeaderStyle = QStringLiteral("font-family: Arial; font-size:%1px; color: white;").arg(kFanHeaderSizeAfterLanguage);
    } else {
        // Settings may hold any number: keep the current styles, still re-translate.
        qCWarning(lcMainView) << "setLanguage: no language" << index << "- styles kept";
    }
    for (QPushButton *button : m_profileButtons)
        button->setStyleSheet(m_profileButtonStyle);
    m_saveButton->setStyleSheet(m_saveStyle);
    m_profileLabel->setStyleSheet(m_profileLabelStyle);
    for (QLabel *header : m_fanHeaders)
        header->setStyleSheet(m_fanHeaderStyle);

    refreshTexts();
    for (ZaldoRGBFanView *view : m_fanViews)
        view->setLanguage(index);

    buildErrorTable();
    if (m_errorCategory == 0 || m_errorCategory == 1)
        refreshErrorMessage();
}

void MainView::refreshTexts()
{
    for (int n = 0; n < kFanViews; ++n)
        m_fanHeaders[size_t(n)]->setText(tr("FAN") + QString::number(n + 1));
    for (int n = 0; n < kProfiles; ++n)
        m_profileButtons[size_t(n)]->setText(tr("PROFILE") + QLatin1Char('_') + QString::number(n + 1));
    m_saveButton->setText(tr("SAVE"));
    m_profileLabel->setText(tr("PROFILE") + QLatin1Char('_') + QString::number(m_currentProfile));
    refreshTemperatureLabel();
    retranslateMenu();
}

void MainView::refreshVersionLabel()
{
    m_versionLabel->setText(QStringLiteral("V ") + m_softwareVersion + QStringLiteral(" , F ") + m_firmwareVersion);
}

void MainView::refreshTemperatureLabel()
{
    QString text = tr("TEMP") + QLatin1Char(':');
    if (m_hasTemperature) {
        text += QString::number(m_celsius) + QStringLiteral("\u00B0C / ") + QString::number(fahrenheit(m_celsius))
            + QStringLiteral("\u00B0F");
    }
    m_temperatureLabel->setText(text);
}

void MainView::setFirmwareVersion(const QString &text)
{
    m_firmwareVersion = text;
    refreshVersionLabel();
}

void MainView::setSoftwareVersion(const QString &text)
{
    m_softwareVersion = text;
    refreshVersionLabel();
}

void MainView::setIPAddress(const QString &text)
{
    m_ipText = text;
    m_ipLabel->setText(text);
}

void MainView::setTemperature(int celsius)
{
    m_hasTemperature = true;
    m_celsius = celsius;
    refreshTemperatureLabel();
}

void MainView::setProfile(int profile)
{
    if (profile < 1 || profile > kProfiles) {
        qCWarning(lcMainView) << "setProfile ignored, profile out of range:" << profile;
        return;
    }
    m_currentProfile = profile;
    m_profileButtons[size_t(profile - 1)]->setChecked(true);
}

void MainView::setProfileLabel(int profile)
{
    qCDebug(lcMainView) << "setProfileLabel--->" << profile;
    m_currentProfile = profile;
    m_profileLabel->setText(tr("PROFILE") + QLatin1Char('_') + QString::number(profile));
}

void MainView::applyBoxStyle(int box)
{
    const BoxLook look = m_boxLook[size_t(box)];
    QString normal = image("Image/btn_controllerBox.png");
    QString checked = image("Image/btn_controllerBox_h.png");
    QString color = look == BoxLook::Present ? QStringLiteral("white") : QStringLiteral("gray");
    QString checkedColor = look == BoxLook::Absent ? QStringLiteral("gray") : QStringLiteral("white");
    if (m_boxFault[size_t(box)]) {
        normal = checked = image("Image/btn_controllerBox_r.png");
        color = m_boxButtons[size_t(box)]->isCheckable() ? QStringLiteral("white") : QStringLiteral("gray");
        checkedColor = QStringLiteral("white");
    }
    m_boxButtons[size_t(box)]->setStyleSheet(
        QStringLiteral("QPushButton{border-image:%1; font-family:Arial; font-size:16px; color:%3;}"
                       "QPushButton:checked{border-image:%2; font-size:14px; color:%4;}")
            .arg(url(normal), url(checked), color, checkedColor));
}

void MainView::setBoxPresent(int box)
{
    if (!checkBox(box, "setBoxPresent"))
        return;
    QPushButton *button = m_boxButtons[size_t(box)];
    button->setCheckable(true);
    button->setChecked(true);
}

void MainView::setBoxChecked(int box)
{
    if (!checkBox(box, "setBoxChecked"))
        return;
    m_boxButtons[size_t(box)]->setChecked(true);
}

void MainView::setBoxEnabled(int box, bool present)
{
    if (!checkBox(box, "setBoxEnabled"))
        return;
    m_boxButtons[size_t(box)]->setCheckable(present);
    m_boxLook[size_t(box)] = present ? BoxLook::Present : BoxLook::Absent;
    m_boxFault[size_t(box)] = false;
    applyBoxStyle(box);
}

void MainView::setBoxFault(int box, bool fault)
{
    if (!checkBox(box, "setBoxFault"))
        return;
    m_boxFault[size_t(box)] = fault;
    if (!fault)
        m_boxLook[size_t(box)] = m_boxButtons[size_t(box)]->isCheckable() ? BoxLook::Present : BoxLook::Absent;
    applyBoxStyle(box);
}

void MainView::setFanMonitor(int fan, bool on)
{
    if (!checkFan(fan, "setFanMonitor"))
        return;
    m_monitorSwitches[size_t(fan)]->setChecked(on);
    m_fanViews[size_t(fan)]->setDisabledCoverHidden(on);
}

void MainView::setFanErrorHidden(int fan, bool hidden)
{
    if (checkFan(fan, "setFanErrorHidden"))
        m_fanViews[size_t(fan)]->setErrorCoverHidden(hidden);
}

void MainView::appendInfo(const QString &line)
{
    m_infoView->textEdit()->append(line);
}

void MainView::setBlink(bool on, int fan)
{
    if (checkFan(fan, "setBlink"))
        m_fanViews[size_t(fan)]->setBlink(on);
}

void MainView::setBright(float bright, int fan)
{
    if (checkFan(fan, "setBright"))
        m_fanViews[size_t(fan)]->setBright(bright);
}

void MainView::setRPM(int rpm, int fan)
{
    if (checkFan(fan, "setRPM"))
        m_fanViews[size_t(fan)]->setRPM(rpm);
}

void MainView::setPWM(bool on, int fan)
{
    if (checkFan(fan, "setPWM"))
        m_fanViews[size_t(fan)]->setPWM(on);
}

void MainView::setRGB(bool on, int fan)
{
    if (checkFan(fan, "setRGB"))
        m_fanViews[size_t(fan)]->setRGB(on);
}

void MainView::setFanSpeed(int level, int fan)
{
    if (checkFan(fan, "setFanSpeed"))
        m_fanViews[size_t(fan)]->setFanSpeed(level);
}

void MainView::setSentPercent(int percent, int fan)
{
    if (checkFan(fan, "setSentPercent"))
        m_fanViews[size_t(fan)]->setSentPercent(percent);
}

void MainView::setTurnOff(bool off, int fan)
{
    if (checkFan(fan, "setTurnOff"))
        m_fanViews[size_t(fan)]->setTurnOff(off);
}

void MainView::setSelectColor(int red, int green, int blue, float bright, int fan)
{
    if (checkFan(fan, "setSelectColor"))
        m_fanViews[size_t(fan)]->setSelectColor(red, green, blue, bright);
}
