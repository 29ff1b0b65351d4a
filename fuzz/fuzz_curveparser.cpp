// The text of a user curve, as the command line and the profile give it: a
// curve taken back must serialise to text that reads back to the same curve,
// a refusal is one line, and following the curve always gives 0..100 %.

#include "core/curvefollower.h"

#include <cmath>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    const CurveParse parsed = parseUserCurve(text);
    if (!parsed.curve) {
        if (parsed.error.isEmpty() || parsed.error.contains(QLatin1Char('\n')))
            abort();
        return 0;
    }
    const QString saved = serialiseUserCurve(*parsed.curve);
    const CurveParse again = parseUserCurve(saved);
    if (!again.curve || *again.curve != *parsed.curve || serialiseUserCurve(*again.curve) != saved
        || !checkUserCurve(*parsed.curve).isEmpty())
        abort();
    SensorFailSafe watch;
    CurveFollower follower(*parsed.curve);
    for (double celsius : {-1e300, -50.0, 33.3, 150.0, 1e300, std::nan(""), -1.0, -1.0, -1.0, 70.0}) {
        const auto verdict = watch.pass(celsius == -1.0 ? std::nullopt : std::optional<double>(celsius));
        const std::optional<int> percent = follower.next(verdict);
        if (percent && (*percent < 0 || *percent > 100))
            abort();
    }
    return 0;
}
