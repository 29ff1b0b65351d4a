#include "core/valuerules.h"

#include <algorithm>

bool parsePinText(const QString &text, QString *pin)
{
    const bool digits = std::all_of(text.begin(), text.end(),
                                    [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
    if (!digits || text.isEmpty() || text.size() > 4 || !isValidPin(text.toInt()))
        return false;
    *pin = text.rightJustified(4, QLatin1Char('0'));
    return true;
}
