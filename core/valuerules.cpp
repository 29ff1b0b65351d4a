#include "core/valuerules.h"

#include "core/boxmodel.h"

#include <algorithm>

bool parsePinText(const QString &text, QString *pin)
{
    const bool digits = std::all_of(text.begin(), text.end(),
                                    [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!digits || !ok || !isValidPin(value))
        return false;
    *pin = QStringLiteral("%1").arg(value, 4, 10, QLatin1Char('0'));
    return true;
}

bool isValidFan(int box, long long fan)
{
    return fan >= 0 && fan < fanPortsOf(box);
}

bool isValidFanOfSomeBox(long long fan)
{
    return fan >= 0 && fan < maxFanPorts();
}
