#include "app/options.h"

#include "core/boxmodel.h"

#include "core/controllerstate.h"
#include "core/usersensor.h"
#include "device/boxemulator.h"

#include <QColor>
#include <QHostAddress>
#include <QUrl>

#include <algorithm>
#include <climits>
#include <QStringList>

bool parseMessageNumber(const QString &text, qint64 *value)
{
    bool ok = false;
    qint64 v = 0;
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        v = text.mid(2).toLongLong(&ok, 16);
    else
        v = text.toLongLong(&ok, 10);
    if (!ok || text.contains(QLatin1Char(' ')))
        return false;
    *value = v;
    return true;
}

bool parseNumberIn(const QString &text, int first, int last, int *value)
{
    bool ok = false;
    const int v = text.toInt(&ok, 10);
    if (!ok || v < first || v > last || text.startsWith(QLatin1Char('+')))
        return false;
    *value = v;
    return true;
}

bool parseRuled(const QString &text, bool (*rule)(long long), int first, int *value)
{
    int v = 0;
    if (!parseNumberIn(text, INT_MIN, INT_MAX, &v) || !rule(static_cast<long long>(v) - first))
        return false;
    *value = v;
    return true;
}

bool parseListenAddress(const QString &text, QString *address, int *port)
{
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    QString host = colon < 0 ? QStringLiteral("127.0.0.1") : text.left(colon);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    if (QHostAddress(host).isNull() || !parseNumberIn(text.mid(colon + 1), 1, 65535, port))
        return false;
    *address = host;
    return true;
}

namespace {
// RRGGBB, #RRGGBB or one of the SVG colour names; not #RGB, #AARRGGBB or
// "transparent", whose short or alpha forms would read as another colour.
QColor parseColour(const QString &text)
{
    const QString hex = text.startsWith(QLatin1Char('#')) ? text.mid(1) : text;
    const bool six = hex.size() == 6 && std::all_of(hex.begin(), hex.end(), [](QChar c) {
        return c.isDigit() || (c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f'));
    });
    if (six)
        return QColor(QLatin1Char('#') + hex);
    const QString name = text.toLower();
    if (name != QLatin1String("transparent") && QColor::colorNames().contains(name))
        return QColor(name);
    return {};
}
} // namespace

QString FanSetting::wireValue(const QString &typed) const
{
    // Six digits even for a name: older running copies know only those.
    return what == What::Colour ? QColor(red, green, blue).name().mid(1).toUpper() : typed;
}

QByteArray curveWireText(const UserCurve &curve)
{
    return QUrl::toPercentEncoding(serialiseUserCurve(curve), ":,;=/#");
}

bool parseFanSetting(const QString &key, const QString &value, FanSetting *s, QString *error)
{
    using What = FanSetting::What;
    bool ok = false;
    if (key == QLatin1String("curve")) {
        CurveParse parsed = parseUserCurve(QUrl::fromPercentEncoding(value.toUtf8()));
        *s = FanSetting{What::Curve, 0, 0, 0, -1, {}, nullptr};
        ok = parsed.curve.has_value() || value == QLatin1String("default");
        if (parsed.curve)
            s->curve = std::make_shared<const UserCurve>(std::move(*parsed.curve));
        else if (!ok)
            *error = QStringLiteral("curve: ") + parsed.error;
    } else if (key == QLatin1String("color")) {
        const QColor colour = parseColour(value);
        ok = colour.isValid();
        *s = FanSetting{What::Colour, colour.red(), colour.green(), colour.blue(), -1, {}, nullptr};
        if (!ok)
            *error = QStringLiteral("--color: \"%1\" is not a colour RRGGBB, #RRGGBB or a colour name "
                                    "(e.g. FF8000, #ff8000, orange)").arg(value);
    } else if (key == QLatin1String("brightness")) {
        *s = FanSetting{What::Brightness, 0, 0, 0, -1, {}, nullptr};
        ok = parseRuled(value, isValidBrightnessPercent, 0, &s->number);
        if (!ok)
            *error = QStringLiteral("--brightness: \"%1\" is not a brightness 0-100").arg(value);
    } else if (key == QLatin1String("mode")) {
        *s = FanSetting{What::Mode, 0, 0, 0, -1, value, nullptr};
        ok = QStringList{"steady", "cycle", "flash", "off", "on"}.contains(value);
        if (!ok)
            *error = QStringLiteral("--mode: \"%1\" is not one of steady, cycle, flash, off, on").arg(value);
    } else if (key == QLatin1String("speed")) {
        *s = FanSetting{What::Speed, 0, 0, 0, -1, {}, nullptr};
        ok = value == QLatin1String("curve") || parseRuled(value, isValidSpeedLevel, 0, &s->number);
        if (!ok)
            *error = QStringLiteral("--speed: \"%1\" is not a speed level 0-5 or \"curve\"").arg(value);
    } else if (key == QLatin1String("min-rpm")) {
        *s = FanSetting{What::MinRpm, 0, 0, 0, -1, {}, nullptr};
        ok = parseNumberIn(value, 0, kMaxMinRpm, &s->number);
        if (!ok)
            *error = QStringLiteral("--min-rpm: \"%1\" is not an RPM 0-%2 (0: no minimum)").arg(value).arg(kMaxMinRpm);
    } else if (key == QLatin1String("kick")) {
        *s = FanSetting{What::Kick, 0, 0, 0, value == QLatin1String("on") ? 1 : 0, value, nullptr};
        ok = value == QLatin1String("on") || value == QLatin1String("off");
        if (!ok)
            *error = QStringLiteral("--kick: \"%1\" is not on or off").arg(value);
    } else {
        *error = QStringLiteral("no fan setting \"%1\"").arg(key);
    }
    return ok;
}

bool checkRequestLine(const QByteArray &line, QString *error)
{
    if (line.size() > kMaxRequestLength)
        *error = QStringLiteral("request too long");
    else if (line.contains('\0'))
        *error = QStringLiteral("request contains a NUL byte");
    else if (line.contains('\n'))
        *error = QStringLiteral("request contains a line break");
    else
        return true;
    return false;
}

namespace {
// Whether a verb takes this option, with a value.
bool takesValue(const QString &verb, const QString &option)
{
    if (verb == QLatin1String("profile"))
        return option == QLatin1String("--box");
    return verb == QLatin1String("set")
           && QStringList{"--box", "--fan", "--color", "--brightness", "--mode", "--speed", "--min-rpm", "--kick",
                          "--curve", "--sensor", "--hysteresis", "--step-up", "--step-down", "--min"}
                  .contains(option);
}

// --curve POINTS and the options that shape it, gathered in any order.
struct CurveWords {
    std::optional<QString> points;
    QVector<CurveOption> options;
    bool take(const QString &option, const QString &value)
    {
        if (option == QLatin1String("--curve"))
            points = value;
        else if (QStringList{"--sensor", "--hysteresis", "--step-up", "--step-down", "--min"}.contains(option))
            options.append({option.mid(2), value});
        else
            return false;
        return true;
    }
    // Checked here, so bad input is refused before anything is sent.
    bool compose(QList<QByteArray> *settings, QString *error) const
    {
        if (!points && options.isEmpty())
            return true;
        if (!points || (*points == QLatin1String("default") && !options.isEmpty())) {
            *error = QStringLiteral("--sensor, --hysteresis, --step-up, --step-down and --min go with --curve POINTS");
            return false;
        }
        if (*points == QLatin1String("default")) {
            *settings << "curve default";
            return true;
        }
        const CurveParse parsed = parseUserCurve(*points, options);
        if (!parsed.curve)
            *error = QStringLiteral("--curve: ") + parsed.error;
        else
            *settings << "curve " + curveWireText(*parsed.curve);
        return parsed.curve.has_value();
    }
};

// sensors --add-file ID PATH | --add-mix ID KIND IDS | --remove ID: the request
// line, the definition's text checked here and percent-encoded (paths have spaces).
bool sensorRequest(const QStringList &args, int *i, ProgramOptions *o, QString *error)
{
    const QString option = args.at(*i);
    const int values = option == QLatin1String("--add-file") ? 2 : option == QLatin1String("--add-mix") ? 3 : 1;
    const char *const needs[] = {"ID", "ID PATH", "ID KIND IDS"};
    if (*i + values >= args.size()) {
        *error = QStringLiteral("%1 needs %2").arg(option, QLatin1String(needs[values - 1]));
        return false;
    }
    const QStringList v = args.mid(*i + 1, values);
    *i += values;
    if (values == 1) {
        *error = checkUserSensorId(v.at(0));
        o->requests << "sensors remove " + v.at(0).toUtf8();
        return error->isEmpty();
    }
    if (values == 3 && !QStringList{"max", "average", "weighted"}.contains(v.at(1))) {
        *error = QStringLiteral("--add-mix: \"%1\" is not max, average or weighted").arg(v.at(1));
        return false;
    }
    const UserSensorParse parsed = parseUserSensor(v.at(0), values == 2 ? "file:" + v.at(1) : v.at(1) + ':' + v.at(2));
    if (!parsed.def) {
        *error = option + QStringLiteral(": ") + parsed.error;
        return false;
    }
    o->requests << "sensors add " + v.at(0).toUtf8() + ' ' + QUrl::toPercentEncoding(serialiseUserSensor(*parsed.def), ":,*/#");
    return true;
}

// --box N or --fan F, counted from 1.
bool parsePlace(const QString &option, const QString &value, QString *place, QString *error)
{
    const bool box = option == QLatin1String("--box");
    int n = 0;
    if (parseRuled(value, box ? isValidBox : isValidFanOfSomeBox, 1, &n)) {
        *place = value;
        return true;
    }
    *error = box ? QStringLiteral("--box: \"%1\" is not a box number 1-16").arg(value)
                 : QStringLiteral("--fan: \"%1\" is not a fan number 1-%2").arg(value).arg(maxFanPorts());
    return false;
}

// The request lines of a verb once its arguments are read.
bool composeRequests(ProgramOptions *o, const QString &box, const QString &fan, const QList<QByteArray> &settings,
                     QString *error)
{
    const QString &verb = o->verb;
    if (verb == QLatin1String("status") || verb == QLatin1String("list"))
        o->requests << "status";
    if (verb == QLatin1String("quit") || verb == QLatin1String("sensors"))
        o->requests << verb.toUtf8();
    if (verb == QLatin1String("set") && (box.isEmpty() || fan.isEmpty() || settings.isEmpty())) {
        *error = QStringLiteral("set needs --box, --fan and at least one of --color, --brightness, --mode, --speed, --curve");
        return false;
    }
    for (const QByteArray &s : settings)
        o->requests << "set " + box.toUtf8() + ' ' + fan.toUtf8() + ' ' + s;
    if (verb == QLatin1String("profile") && !box.isEmpty()) {
        if (o->requests.value(0).startsWith("profile load ")) {
            o->requests[0] += ' ' + box.toUtf8();
        } else {
            *error = QStringLiteral("profile: --box goes with \"load N\" only");
            return false;
        }
    }
    if (o->requests.isEmpty()) {
        *error = QStringLiteral("profile needs \"load N\" or \"save\"");
        return false;
    }
    // Refused here rather than cut or split by the running copy.
    return std::all_of(o->requests.begin(), o->requests.end(),
                       [error](const QByteArray &line) { return checkRequestLine(line, error); });
}

// status|list [--json] | sensors [--add-file|--add-mix|--remove ...] [--json] | set --box N --fan F SETTING... [--json] | profile load N [--box B] | profile save | quit
bool parseVerb(const QStringList &args, ProgramOptions *o, QString *error)
{
    const QString &verb = args.first();
    QString box, fan;
    QList<QByteArray> settings;
    CurveWords curve;
    int n = 0;
    for (int i = 1; i < args.size(); ++i) {
        const QString a = args.at(i);
        const QString key = a.mid(2);
        if (a == QLatin1String("--json")) {
            o->json = true;
        } else if (takesValue(verb, a) && i + 1 >= args.size()) {
            *error = a + QStringLiteral(" needs a value");
            return false;
        } else if (takesValue(verb, a) && (a == QLatin1String("--box") || a == QLatin1String("--fan"))) {
            if (!parsePlace(a, args.at(++i), a == QLatin1String("--box") ? &box : &fan, error))
                return false;
        } else if (takesValue(verb, a) && curve.take(a, args.at(i + 1))) {
            ++i;
        } else if (takesValue(verb, a)) {
            const QString v = args.at(++i);
            FanSetting s;
            if (!parseFanSetting(key, v, &s, error))
                return false;
            settings << (key + QLatin1Char(' ') + s.wireValue(v)).toUtf8();
        } else if (verb == QLatin1String("sensors")
                   && QStringList{"--add-file", "--add-mix", "--remove"}.contains(a)) {
            if (!sensorRequest(args, &i, o, error))
                return false;
        } else if (verb == QLatin1String("profile") && i == 1 && a == QLatin1String("save")) {
            o->requests << "profile save";
        } else if (verb == QLatin1String("profile") && i == 1 && a == QLatin1String("load")) {
            const QString v = args.value(++i);
            if (!parseNumberIn(v, 1, 5, &n)) {
                *error = QStringLiteral("profile load: \"%1\" is not a profile number 1-5").arg(v);
                return false;
            }
            o->requests << "profile load " + v.toUtf8();
        } else {
            *error = QStringLiteral("%1: unexpected \"%2\" (see --help)").arg(verb, a);
            return false;
        }
    }
    return curve.compose(&settings, error) && composeRequests(o, box, fan, settings, error);
}
} // namespace

QString programUsage()
{
    // --io-inline is left out: it is for benchmarks, not for owners.
    return QStringLiteral(
        "Usage: brenvar-rgb-fan-controller [options]\n"
        "       brenvar-rgb-fan-controller status|list|sensors [--json]\n"
        "       brenvar-rgb-fan-controller sensors --add-file ID PATH | --add-mix ID KIND IDS\n"
        "                                          | --remove ID\n"
        "       brenvar-rgb-fan-controller set --box N --fan F SETTING... [--json]\n"
        "       brenvar-rgb-fan-controller profile load N [--box B] | profile save\n"
        "       brenvar-rgb-fan-controller quit\n"
        "\n"
        "Drives the RGB fan controller boxes attached over USB.\n"
        "\n"
        "Talking to the running copy (boxes 1-16 and fans 1-3, as the panel counts):\n"
        "  status                    what the panel knows: boxes, firmware, each fan's RPM,\n"
        "                            alarm, lighting and speed, CPU temperature, profile\n"
        "  list                      the boxes attached, those not accessible, and their\n"
        "                            firmware: status without the fans\n"
        "  sensors                   the temperatures fans can follow: id, reading, label\n"
        "                            and source (hwmon, cpu, mix, file)\n"
        "    --add-file ID PATH      a sensor of your own: a file holding millidegrees\n"
        "                            (a script's output, a coolant probe)\n"
        "    --add-mix ID KIND IDS   a sensor of your own over others: KIND max, average\n"
        "                            or weighted, IDS comma-separated (k10temp/Tctl*2,\n"
        "                            nvme/Composite*1: weights with weighted only)\n"
        "    --remove ID             forget a sensor of your own; ids are letters,\n"
        "                            digits, '_', '-' and '.'; kept in Device.ini\n"
        "  set --box N --fan F       change one fan as the panel would, then print it:\n"
        "    --color COLOUR          RRGGBB or #RRGGBB (FF8000 is orange), or a colour\n"
        "                            name such as teal or orange\n"
        "    --brightness 0-100      brightness in percent\n"
        "    --mode MODE             lighting: steady, cycle (colour cycle) or flash;\n"
        "                            off switches the fan's LEDs off, on switches them on\n"
        "    --speed 0-5|curve       a fixed speed level, or follow the CPU temperature\n"
        "                            (up to the fan's level)\n"
        "    --min-rpm RPM           alert below this RPM as for a stopped fan (0: none)\n"
        "    --kick on|off           a stalled fan gets a burst of full speed before the\n"
        "                            alert (on by default)\n"
        "    --curve POINTS          follow a curve of your own: \"°C:%,...\", 2-16 points\n"
        "                            with rising temperatures (30:20,50:40,70:80,85:100);\n"
        "                            --curve default returns to the built-in curve\n"
        "    --sensor ID             the sensor it follows (see sensors; default cpu)\n"
        "    --hysteresis C          slow down only once C °C below where it rose\n"
        "    --step-up P, --step-down P  at most P % more or less per second\n"
        "    --min P                 never below P %\n"
        "  profile load N [--box B]  load profile 1-5 into box B; without --box into the\n"
        "                            box selected on the panel\n"
        "  profile save              save the selected box as the current profile\n"
        "  quit                      end the running copy, as the tray's Exit does\n"
        "  --json                    print the answer as one JSON object\n"
        "  Exit status: 0 done, 1 no running copy (or it could not carry it out),\n"
        "  2 wrong input.\n"
        "\n"
        "Options:\n"
        "  --send MSG [W [L]]        deliver a remote-control message to the running copy\n"
        "                            (numbers decimal or 0x-hex; missing ones are 0)\n"
        "  --no-companion            do not start the phone-app server\n"
        "  --companion-address ADDR  listen for the phone app on ADDR only (default: all)\n"
        "  --openrgb-server [ADDRESS:]PORT\n"
        "                            serve the boxes' lights to OpenRGB clients (address\n"
        "                            127.0.0.1 unless given; no authentication)\n"
        "  --update-url URL          update service to ask (default: ZALDO_UPDATE_URL)\n"
        "  --verbose                 also print the diagnostic log\n"
        "  --version                 print the version and exit\n"
        "  -h, --help                print this help and exit\n"
        "\n"
        "Trying it without boxes:\n"
        "  --emulate LIST            emulate the boxes whose numbers (0-15) are in the\n"
        "                            comma-separated LIST instead of opening real devices\n"
        "  --emulate @PATH           as above, reading LIST from PATH at every scan\n"
        "  --emulate-stalled LIST    emulated fans that report 0 RPM, as box.fan pairs (e.g. 2.1)\n"
        "  --emulate-stall LIST      emulated fans that stall at a time, as box.fan@seconds\n"
        "                            from the start (e.g. 2.1@10,0.0@2.5)\n"
        "  --emulate-recover LIST    emulated fans that turn again at a time, as above\n"
        "  --emulate-trace PATH      append one line per report sent to an emulated box\n"
        "  --emulate-latency MICROSECONDS\n"
        "                            each emulated write and reply read takes this long\n"
        "                            (about 1000 on a real USB bus; default 0)\n"
        "  --emulate-silent LIST     emulated boxes that take reports but never answer\n"
        "  --emulate-slow LIST       only these emulated boxes take the --emulate-latency time\n");
}

bool parseProgramOptions(const QStringList &args, ProgramOptions *o, QString *error)
{
    if (!args.isEmpty() && QStringList{"status", "list", "sensors", "set", "profile", "quit"}.contains(args.first())) {
        o->verb = args.first();
        return parseVerb(args, o, error);
    }
    auto needValue = [&](int i, const QString &name) -> bool {
        if (i + 1 >= args.size() || args.at(i + 1).startsWith(QLatin1String("--"))) {
            *error = name + QStringLiteral(" needs a value");
            return false;
        }
        return true;
    };

    for (int i = 0; i < args.size(); ++i) {
        const QString a = args.at(i);
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            o->showHelp = true;
        } else if (a == QLatin1String("--version")) {
            o->showVersion = true;
        } else if (a == QLatin1String("--verbose")) {
            o->verbose = true;
        } else if (a == QLatin1String("--emulate")) {
            if (!needValue(i, a))
                return false;
            const QString v = args.at(++i);
            o->emulate = true;
            if (v.startsWith(QLatin1Char('@'))) {
                o->emulatedBoxFile = v.mid(1);
                if (o->emulatedBoxFile.isEmpty()) {
                    *error = QStringLiteral("--emulate @PATH needs a path");
                    return false;
                }
            } else if (!BoxEmulator::parseBoxList(v, &o->emulatedBoxes)) {
                *error = QStringLiteral("--emulate: malformed box list \"%1\" (box numbers 0-15, comma-separated)").arg(v);
                return false;
            }
        } else if (a == QLatin1String("--emulate-stalled")) {
            if (!needValue(i, a))
                return false;
            const QString v = args.at(++i);
            if (!BoxEmulator::parseStalledList(v, &o->stalledFans)) {
                *error = QStringLiteral("--emulate-stalled: malformed list \"%1\" (box.fan pairs, box 0-15, fan 0-2)").arg(v);
                return false;
            }
        } else if (a == QLatin1String("--emulate-stall") || a == QLatin1String("--emulate-recover")) {
            if (!needValue(i, a))
                return false;
            QList<BoxEmulator::FanEvent> events;
            QString wrong;
            if (!BoxEmulator::parseFanEvents(args.at(++i), a.endsWith(QLatin1String("stall")), &events, &wrong)) {
                *error = a + QStringLiteral(": ") + wrong;
                return false;
            }
            o->fanEvents += events;
        } else if (a == QLatin1String("--emulate-trace")) {
            if (!needValue(i, a))
                return false;
            o->tracePath = args.at(++i);
        } else if (a == QLatin1String("--emulate-latency")) {
            if (!needValue(i, a))
                return false;
            bool ok = false;
            o->latencyUs = args.at(++i).toInt(&ok);
            if (!ok || o->latencyUs < 0 || o->latencyUs > 1000000) {
                *error = QStringLiteral("--emulate-latency: \"%1\" is not a number of microseconds (0-1000000)")
                             .arg(args.at(i));
                return false;
            }
        } else if (a == QLatin1String("--io-inline")) {
            o->inlineIo = true;
        } else if (a == QLatin1String("--emulate-silent") || a == QLatin1String("--emulate-slow")) {
            if (!needValue(i, a))
                return false;
            const QString v = args.at(++i);
            if (!BoxEmulator::parseBoxList(v, a.endsWith(QLatin1String("slow")) ? &o->slowBoxes : &o->silentBoxes)) {
                *error = QStringLiteral("%1: malformed box list \"%2\" (box numbers 0-15, comma-separated)").arg(a, v);
                return false;
            }
        } else if (a == QLatin1String("--send")) {
            if (!needValue(i, a))
                return false;
            o->send = true;
            qint64 values[3] = {0, 0, 0};
            int n = 0;
            while (n < 3 && i + 1 < args.size() && !args.at(i + 1).startsWith(QLatin1String("--"))) {
                const QString v = args.at(++i);
                if (!parseMessageNumber(v, &values[n])) {
                    *error = QStringLiteral("--send: \"%1\" is not a number").arg(v);
                    return false;
                }
                ++n;
            }
            if (values[0] < 0 || values[0] > 0xFFFFFFFFLL) {
                *error = QStringLiteral("--send: message number out of range");
                return false;
            }
            o->message = static_cast<quint32>(values[0]);
            o->wParam = values[1];
            o->lParam = values[2];
        } else if (a == QLatin1String("--no-companion")) {
            o->companionEnabled = false;
        } else if (a == QLatin1String("--companion-address")) {
            if (!needValue(i, a))
                return false;
            o->companionAddress = args.at(++i);
            if (QHostAddress(o->companionAddress).isNull()) {
                *error = QStringLiteral("--companion-address: \"%1\" is not an IP address").arg(o->companionAddress);
                return false;
            }
        } else if (a == QLatin1String("--openrgb-server")) {
            if (!needValue(i, a))
                return false;
            if (!parseListenAddress(args.at(++i), &o->openRgbAddress, &o->openRgbPort)) {
                *error = QStringLiteral("--openrgb-server: \"%1\" is not [ADDRESS:]PORT").arg(args.at(i));
                return false;
            }
        } else if (a == QLatin1String("--update-url")) {
            if (!needValue(i, a))
                return false;
            o->updateUrl = args.at(++i);
        } else {
            *error = QStringLiteral("unknown %1 \"%2\" (see --help)")
                         .arg(a.startsWith(QLatin1Char('-')) ? QStringLiteral("option") : QStringLiteral("command"), a);
            return false;
        }
    }
    if (!o->emulate && (!o->stalledFans.isEmpty() || !o->tracePath.isEmpty() || o->latencyUs || !o->silentBoxes.isEmpty()
                         || !o->slowBoxes.isEmpty())) {
        *error = QStringLiteral("--emulate-stalled, --emulate-trace, --emulate-latency, --emulate-silent and --emulate-slow need --emulate");
        return false;
    }
    if (!o->emulate && !o->fanEvents.isEmpty()) {
        *error = QStringLiteral("--emulate-stall and --emulate-recover need --emulate");
        return false;
    }
    return true;
}
