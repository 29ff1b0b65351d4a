#pragma once

#include <QString>
#include <QStringList>

// The panel command vocabulary: element 0 of every list the views emit, in the
// order the dispatcher tests them.
namespace PanelCommand {
inline const QString showInfo = QStringLiteral("showInfo");
inline const QString saveProfile = QStringLiteral("saveProfile");
inline const QString selectProfile = QStringLiteral("selectProfile");
inline const QString changeControllerBox = QStringLiteral("changeControllerBox");
inline const QString pushPWM = QStringLiteral("pushPWM");
inline const QString palette = QStringLiteral("Palette");
inline const QString blink = QStringLiteral("Blink");
inline const QString rgb = QStringLiteral("RGB");
inline const QString copy = QStringLiteral("btn_Copy");
inline const QString pushTurnOff = QStringLiteral("pushTurnOff");
inline const QString changeSliderLight = QStringLiteral("changeSliderLight");
inline const QString changeSliderFanSpeed = QStringLiteral("changeSliderFanSpeed");
inline const QString changeLanguage = QStringLiteral("changeLanguage");
inline const QString autoUpdate = QStringLiteral("AutoUpdate");
inline const QString password = QStringLiteral("Password");
inline const QString changePassword = QStringLiteral("changePassword");
inline const QString closeFanControl = QStringLiteral("closeFanControl");
// Opens the curve editor of a fan of the selected box (the window's own, not the dispatcher's).
inline const QString editCurve = QStringLiteral("editCurve");

// Emitted by the fan view after its slider's own command; not commands.
inline const QString performance = QStringLiteral("Performance");
inline const QString silent = QStringLiteral("Silent");

// Integer argument i of a list: base-10, 0 when missing or not a number.
inline int intArg(const QStringList &list, int i)
{
    return i < list.size() ? list.at(i).toInt() : 0;
}
} // namespace PanelCommand
