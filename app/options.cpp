#include "app/options.h"

#include "device/boxemulator.h"

#include <QHostAddress>
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

QString programUsage()
{
    return QStringLiteral(
        "Usage: brenvar-rgb-fan-controller [options]\n"
        "\n"
        "Drives the RGB fan controller boxes attached over USB.\n"
        "\n"
        "Options:\n"
        "  --emulate LIST            emulate the boxes whose numbers (0-15) are in the\n"
        "                            comma-separated LIST instead of opening real devices\n"
        "  --emulate @PATH           as above, reading LIST from PATH at every scan\n"
        "  --emulate-stalled LIST    emulated fans that report 0 RPM, as box.fan pairs (e.g. 2.1)\n"
        "  --emulate-trace PATH      append one line per report sent to an emulated box\n"
        "  --emulate-latency MICROSECONDS\n"
        "                            each emulated write and reply read takes this long\n"
        "                            (about 1000 on a real USB bus; default 0)\n"
        "  --emulate-silent LIST     emulated boxes that take reports but never answer\n"
        "  --send MSG [W [L]]        deliver a remote-control message to the running copy\n"
        "                            (numbers decimal or 0x-hex; missing ones are 0)\n"
        "  --no-companion            do not start the phone-app server\n"
        "  --companion-address ADDR  listen for the phone app on ADDR only (default: all)\n"
        "  --update-url URL          update service to ask (default: ZALDO_UPDATE_URL)\n"
        "  --version                 print the version and exit\n"
        "  -h, --help                print this help and exit\n");
}

bool parseProgramOptions(const QStringList &args, ProgramOptions *o, QString *error)
{
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
        } else if (a == QLatin1String("--emulate-silent")) {
            if (!needValue(i, a))
                return false;
            const QString v = args.at(++i);
            if (!BoxEmulator::parseBoxList(v, &o->silentBoxes)) {
                *error = QStringLiteral("--emulate-silent: malformed box list \"%1\" (box numbers 0-15, comma-separated)").arg(v);
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
        } else if (a == QLatin1String("--update-url")) {
            if (!needValue(i, a))
                return false;
            o->updateUrl = args.at(++i);
        } else {
            *error = QStringLiteral("unknown option \"%1\"").arg(a);
            return false;
        }
    }
    if (!o->emulate && (!o->stalledFans.isEmpty() || !o->tracePath.isEmpty() || o->latencyUs || !o->silentBoxes.isEmpty())) {
        *error = QStringLiteral("--emulate-stalled, --emulate-trace, --emulate-latency and --emulate-silent need --emulate");
        return false;
    }
    return true;
}
