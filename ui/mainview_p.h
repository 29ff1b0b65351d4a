#pragma once

#include <QLoggingCategory>
#include <QString>

Q_DECLARE_LOGGING_CATEGORY(lcMainView)

namespace mainview {

// Font sizes in px that setLanguage applies per language index.
struct LanguageRow {
    int profileLabel;
    int profileButtons;
    int save;
};
constexpr LanguageRow kLanguageRows[] = {
    {12, 10, 14}, // en
    {12, 14, 14}, // tc
    {12, 14, 14}, // cn
    {12, 10, 10}, // de
    {12, 10, 8},  // fr
    {10, 8, 14},  // jp
    {12, 11, 14}, // th
};
constexpr int kFanHeaderSizeAfterLanguage = 12;
constexpr int kFanHeaderSizeAtStart = 14;

inline bool isLanguageIndex(int index)
{
    return index >= 0 && index < int(sizeof(kLanguageRows) / sizeof(kLanguageRows[0]));
}

// Quoted so that a program directory with blanks still works in url().
inline QString url(const QString &path)
{
    return QStringLiteral("url(\"%1\")").arg(path);
}

// Object name of a numbered widget ("3", "Keyboard11", "MutiLang7") to its
// number; -1 when the name does not have that prefix followed by digits only.
int numberAfter(const QString &objectName, const QString &prefix);

} // namespace mainview
