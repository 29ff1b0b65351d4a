// Device.ini, Zaldo/ProfileN.ini and ProfileN.xml: first start, round trips,
// hand edits, damaged files and writes that fail.
#include "common/failingwrites.h"
#include "common/fanfields.h"
#include "storage/settingsstore.h"
#include "storage/xmlprofile.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {
using Flags3 = Flags;
const QStringList kMainDefaults{"1", "0", "7391", "0", "1"};
const QStringList kProfileDefaults{"255", "0", "0", "1", "5", "2", "1", "0", "0"};
const QStringList kKeys{"RColor", "GColor", "BColor", "Bright", "Speed", "SpeedMode", "PWM", "FanMode", "isTurnOffLed"};

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

QString iniValue(const QString &path, const QString &key) { return QSettings(path, QSettings::IniFormat).value(key).toString(); }

// AutoUpdate, Language, Password, OpenPassword, isAutoRun.
QStringList mainOf(const ControllerState &s)
{
    return {QString::number(s.isStartAutoUpdate), QString::number(s.languageIndex), s.passwordStr,
            QString::number(s.isOpenPassword), QString::number(s.isAutoRun)};
}

// Fan f of a box in profile-file key order, and setting it from that text.
QStringList fanOf(const ControllerBox &b, int f)
{
    QStringList out;
    for (double v : {double(b.fans[f].colour.red), double(b.fans[f].colour.green), double(b.fans[f].colour.blue), double(b.fans[f].brightness),
                     double(b.fans[f].speedLevel), double(b.fans[f].speedMode), double(b.fans[f].source.followsCurve()), double(static_cast<int>(b.fans[f].lighting)),
                     double(b.fans[f].ledsOff)})
        out << QString::number(v, 'g', 6);
    return out;
}

void setFan(ControllerBox &b, int f, const QStringList &v)
{
    b.fans[f].colour.red = v[0].toInt(), b.fans[f].colour.green = v[1].toInt(), b.fans[f].colour.blue = v[2].toInt();
    b.fans[f].brightness = v[3].toFloat(), b.fans[f].speedLevel = v[4].toInt(), b.fans[f].speedMode = v[5].toInt();
    b.fans[f].source = (v[6].toInt()) ? SpeedSource::following() : SpeedSource::fixed(), b.fans[f].ledsOff = v[8].toInt();
    b.fans[f].lighting = static_cast<std::decay_t<decltype(b.fans[f].lighting)>>(v[7].toInt());  // a number or an enum
}

QStringList damagedCopies(const QString &path)
{
    const QFileInfo info(path);
    return info.absoluteDir().entryList({info.fileName() + ".damaged-*"}, QDir::Files);
}

QByteArray xmlFan(int n, const QStringList &v)
{
    QString s = QStringLiteral("<Fan%1>").arg(n);
    const char *tags[] = {"RColor", "GColor", "BColor", "Bright", "Speed", "SpeedMode", "FanMode", "PWM"};
    for (int i = 0; i < 8; ++i)
        s += QStringLiteral("<%1>%2</%1>").arg(QLatin1String(tags[i]), v[i]);
    return (s + QStringLiteral("</Fan%1>\n").arg(n)).toUtf8();
}

QStringList xmlSlots(const XmlProfile &p)
{
    QStringList out;
    for (const auto &fan : p.fans)
        out += QStringList(fan.begin(), fan.end());
    return out;
}

const QStringList x1{"1", "2", "3", "0.5", "40", "0", "2", "0"}, x2{"4", "5", "6", "0.25", "60", "1", "1", "1"},
    x3{"7", "8", "9", "1", "80", "2", "0", "0"}, xEmpty{"", "", "", "", "", "", "", ""};
const QStringList xDefaults{"255", "0", "0", "1", "100", "2", "0", "1"};
} // namespace

class StorageTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> home, dir;
    QString data;
    QString device() const { return data + "/Device.ini"; }
    QString profile(int n) const { return data + QStringLiteral("/Zaldo/Profile%1.ini").arg(n); }

private slots:
    void initTestCase()
    {
        home = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", (home->path() + "/config").toLocal8Bit());
        qputenv("XDG_RUNTIME_DIR", (home->path() + "/runtime").toLocal8Bit());
        QDir().mkpath(home->path() + "/runtime");
    }
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        data = dir->path() + "/RGBZaldo";
    }

    void firstStartCreatesDefaults()
    {
        QCOMPARE(SettingsStore::defaultDataDirectory(), home->path() + "/config/Bv/RGBZaldo");
        ControllerState state;
        state.isStartAutoUpdate = false;
        state.boxArray[4].profileValue = 3;
        setAlarms(state.boxArray[4], {false, false, false});
        SettingsStore store(state, data);
        store.parseDevice();
        QVERIFY(state.boxArray[4].profileValue == 1 && alarms(state.boxArray[4]) == (Flags3{true, true, true}));
        QCOMPARE(mainOf(state), kMainDefaults);
        QCOMPARE(QSettings(device(), QSettings::IniFormat).allKeys().size(), 16 * 2 + 5);
        QCOMPARE(iniValue(device(), "Device15/Monitor") + iniValue(device(), "Device15/Profile"), QStringLiteral("1,1,11"));
        QVERIFY(!QFileInfo::exists(data + "/Zaldo"));  // no profile file until one is saved
    }

    void deviceRoundTrip()
    {
        ControllerState state;
        state.boxArray[0].profileValue = 4;
        state.boxArray[15].profileValue = 5;
        setAlarms(state.boxArray[7], {true, false, true});
        state.isStartAutoUpdate = false;
        state.languageIndex = 6;
        state.passwordStr = "0042";
        state.isOpenPassword = true;
        state.isAutoRun = false;
        state.openRgbServer = "[::1]:6800";
        QVERIFY(SettingsStore(state, data).saveDeviceSettings());
        // Monitor is stored as one quoted string, not as a list.
        const QByteArray text = readBytes(device());
        QVERIFY2(text.contains("Monitor=\"1,0,1\"") && text.contains("Password=0042"), text.constData());
        ControllerState loaded;
        SettingsStore(loaded, data).parseDevice();
        QVERIFY(loaded.boxArray[0].profileValue == 4 && loaded.boxArray[15].profileValue == 5);
        QCOMPARE(alarms(loaded.boxArray[7]), (Flags3{true, false, true}));
        QCOMPARE(loaded.openRgbServer, QStringLiteral("[::1]:6800"));
        QCOMPARE(mainOf(loaded), (QStringList{"0", "6", "0042", "1", "0"}));
    }

    // [Sensors] only while there is one: other files keep their bytes; a damaged entry is left out with a warning.
    void userSensorsStored()
    {
        ControllerState state;
        SettingsStore store(state, data);
        QVERIFY(store.saveDeviceSettings());
        const QByteArray plain = readBytes(device());
        const auto def = [](const QString &id, const QString &text) { return *parseUserSensor(id, text).def; };
        state.userSensors = {def("coolant", "file:/run/cool ant"), def("hot", "weighted:k10temp/Tctl*2,nvme#2/Composite*1.5")};
        QVERIFY(store.saveDeviceSettings());
        ControllerState loaded;
        QVERIFY((SettingsStore(loaded, data).parseDevice(), loaded.userSensors == state.userSensors));
        state.userSensors.clear();
        QVERIFY(store.saveDeviceSettings());
        QCOMPARE(readBytes(device()), plain);
        QVERIFY(writeBytes(device(), plain + "[Sensors]\nbad=max:a*2\ncoolant=file:/x\n"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Device.ini sensor \"bad\" damaged: part \"a\\*2\".*left out$"));
        store.parseDevice();
        QVERIFY(state.userSensors == QVector<UserSensorDef>{def("coolant", "file:/x")});
        QVERIFY(store.saveDeviceSettings());
        QCOMPARE(readBytes(device()), plain + "\n[Sensors]\nbad=max:a*2\ncoolant=file:/x\n");  // kept for the user to mend
    }

    // A missing part of Monitor keeps the stopped-fan warning on.
    void deviceGroupValues()
    {
        for (auto [lines, readAs, flags, profile] : {std::tuple{"Profile=3\nMonitor=\"1,0,1\"", "1,0,1", Flags3{1, 0, 1}, 3},
                                                     {"Profile=0\nMonitor=0", "0", Flags3{0, 1, 1}, 1},
                                                     {"Profile=two\nMonitor=\"x,2,-1\"", "x,2,-1", Flags3{0, 1, 1}, 1},
                                                     // Unquoted, the settings layer reads a list: joined at commas again.
                                                     {"Profile=2\nMonitor=1,0,0", "1,0,0", Flags3{1, 0, 0}, 2}}) {
            init();
            QVERIFY(writeBytes(device(), QByteArray("[Device5]\n") + lines + "\n"));
            ControllerState state;
            SettingsStore store(state, data);
            QCOMPARE(store.readDeviceIni().devices[5][1], QString(readAs));
            store.parseDevice();
            QVERIFY(alarms(state.boxArray[5]) == flags && state.boxArray[5].profileValue == profile);
        }
    }

    void damagedDeviceFile_data()
    {
        QTest::addColumn<QByteArray>("content");
        static const char junk[] = "[Device2]\nProfile=4\n\x01\x02\x03\xff\xfe\x00\x7f junk\n[Main]\nPassword=1111\n";
        QTest::newRow("binary junk") << QByteArray(junk, sizeof(junk) - 1);
        QTest::newRow("stray quote") << QByteArray("[Device2]\nProfile=4\n[Main]\nPassword=1111\nLanguage=\"2\n");
    }
    void damagedDeviceFile()
    {
        QFETCH(QByteArray, content);
        QVERIFY(writeBytes(device(), content));
        ControllerState state;
        SettingsStore store(state, data);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Settings file damaged:"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Damaged settings file, copy kept:"));
        store.parseDevice();
        QCOMPARE(state.boxArray[2].profileValue, 4);
        QCOMPARE(state.passwordStr, QStringLiteral("1111"));
        const QStringList copies = damagedCopies(device());
        QCOMPARE(copies.size(), 1);
        QVERIFY(copies.first().contains(QRegularExpression("^Device\\.ini\\.damaged-\\d{8}-\\d{6}$")));
        state.languageIndex = 3;
        QVERIFY(store.saveDeviceSettings());
        QCOMPARE(iniValue(device(), "Device2/Profile") + iniValue(device(), "Main/Password") + iniValue(device(), "Main/Language"),
                 QStringLiteral("411113"));
        QCOMPARE(readBytes(data + "/" + copies.first()), content);
    }

    // A save that cannot write leaves the file, and what reads return, as they
    // were; the next save that can write stores what the box holds by then.
    void failedSaveChangesNothing()
    {
        // A read-only folder, a full disk, a disk that fills mid-write: the old
        // file's copy fits, the longer new values do not (seen only by reading back).
        for (int failure : {0, 1, 2}) {
            init();
            const QStringList user{"10", "20", "30", "0.5", "3", "0", "0", "0", "0"};
            const QStringList edited{"255", "255", "255", "0.25", "5", "2", "1", "2", "1"};
            ControllerState state;
            SettingsStore store(state, data);
            for (int f = 0; f < 3; ++f)
                setFan(state.boxArray[0], f, user);
            QVERIFY(store.saveProfileSettings(1));
            const QByteArray before = readBytes(profile(1));
            for (int f = 0; f < 3; ++f)
                setFan(state.boxArray[0], f, edited);
            const auto failThenRead = [&] {
                if (store.saveProfileSettings(1))
                    return false;
                const auto fan = store.readProfileIni(1).fans[0];
                return QStringList(fan.begin(), fan.end()) == user;
            };
            QVERIFY(failure == 0 ? whileFolderReadOnly(data + "/Zaldo", failThenRead)
                                 : whileDiskFull(failThenRead, failure == 1 ? 0 : rlim_t(before.size() + 6)));
            QCOMPARE(readBytes(profile(1)), before);
            QCOMPARE(QDir(data + "/Zaldo").entryList(QDir::Files), QStringList{"Profile1.ini"});
            store.loadProfileIni(4, 1);
            QCOMPARE(fanOf(state.boxArray[4], 0), user);
            QCOMPARE(fanOf(state.boxArray[0], 2), edited);
            QVERIFY(store.saveProfileSettings(1));
            store.loadProfileIni(4, 1);
            QCOMPARE(fanOf(state.boxArray[4], 1), edited);
        }
    }

    // A killed save's work files go at the next start unless their save runs (process id and start
    // time); none of them, even of an earlier process with the same id, stops a save.
    void saveLeftovers()
    {
        const QString pid = QString::number(QCoreApplication::applicationPid());
        const QByteArray stat = readBytes("/proc/self/stat");
        const QString running = pid + "-" + stat.mid(stat.lastIndexOf(')') + 2).split(' ').value(19);
        QStringList gone{"Device.ini.saving-2147483646-1-1.lock", "Zaldo/Profile1.ini.saving-" + pid + "-7-2.Ab12Cd"};
        QStringList kept{"Device.ini.damaged-20240101-000000", "Device.ini.saving-notes"};
        for (int n = 1; n <= 256; ++n)
            gone << "Device.ini.saving-" + pid + "-" + QString::number(n), kept << "Device.ini.saving-" + running + "-" + QString::number(n);
        ControllerState state;
        QVERIFY(SettingsStore(state, data).saveDeviceSettings());
        for (const QString &name : gone + kept)
            QVERIFY(writeBytes(data + "/" + name, "x"));
        QVERIFY(SettingsStore(state, data).saveDeviceSettings());
        SettingsStore::removeSaveLeftovers(data);
        for (const QString &name : gone + kept)
            QVERIFY2(QFileInfo::exists(data + "/" + name) == kept.contains(name), qPrintable(name));
    }

    void missingProfileGivesDefaultsWithoutCreatingIt()
    {
        ControllerState state;
        for (int f = 0; f < 3; ++f)
            setFan(state.boxArray[3], f, {"1", "9", "3", "0.5", "0", "1", "0", "2", "1"});
        SettingsStore store(state, data);
        for (const auto &fan : store.readProfileIni(2).fans)
            QCOMPARE(QStringList(fan.begin(), fan.end()), kProfileDefaults);
        store.loadProfileIni(3, 4);
        for (int f = 0; f < 3; ++f)
            QCOMPARE(fanOf(state.boxArray[3], f), kProfileDefaults);
        QVERIFY(!QFileInfo::exists(data));
    }

    // The selected box is saved under the profile's keys; a level above 5 is
    // stored, and kept, as 5 with the temperature mode.
    void profileSaveWritesKeys()
    {
        const QList<QStringList> fans{{"10", "40", "70", "0.25", "7", "1", "0", "0", "1"},
                                      {"20", "50", "80", "0.3", "3", "0", "1", "1", "0"},
                                      {"30", "60", "90", "0", "5", "0", "0", "2", "0"}};
        ControllerState state;
        state.controllerBoxNumber = 6;
        for (int f = 0; f < 3; ++f)
            setFan(state.boxArray[6], f, fans[f]);
        QVERIFY(SettingsStore(state, data).saveProfileSettings(2));
        QSettings file(profile(2), QSettings::IniFormat);
        QCOMPARE(file.childGroups(), (QStringList{"Fan0", "Fan1", "Fan2"}));
        for (int f = 0; f < 3; ++f) {
            QStringList expected = fans[f], values;
            if (f == 0)
                expected[4] = "5", expected[5] = "2";
            for (const QString &key : kKeys)
                values << file.value(QStringLiteral("Fan%1/").arg(f) + key).toString();
            QCOMPARE(values, expected);
            QCOMPARE(fanOf(state.boxArray[6], f), expected);
        }
        QVERIFY(!QFileInfo::exists(device()));  // only the profile file
    }

    // The kick switch and the minimum RPM have keys of their own, there only while set.
    void kickAndMinimumOnlyWhenSet()
    {
        ControllerState state;
        SettingsStore store(state, data);
        QVERIFY(store.saveProfileSettings(1));
        const QByteArray plain = readBytes(profile(1));
        std::tie(state.boxArray[0].fans[1].kickOn, state.boxArray[0].fans[2].minRpm) = std::tuple(false, 300);
        QVERIFY(store.saveProfileSettings(1));
        QSettings file(profile(1), QSettings::IniFormat);
        QCOMPARE(file.allKeys().filter(QRegularExpression("Kick|MinRpm")), (QStringList{"Fan1/Kick", "Fan2/MinRpm"}));
        QCOMPARE(file.value("Fan1/Kick").toString() + file.value("Fan2/MinRpm").toString(), "0300");
        QVERIFY(writeBytes(profile(3), readBytes(profile(1)).replace("MinRpm=300", "MinRpm=-7")));
        for (int p : {1, 3}) {
            store.loadProfileIni(4, p);
            const auto &fans = state.boxArray[4].fans;
            QCOMPARE(QList<int>({fans[0].kickOn, fans[1].kickOn, fans[2].minRpm}), QList<int>({1, 0, p == 1 ? 300 : 0}));
        }
        std::tie(state.boxArray[0].fans[1].kickOn, state.boxArray[0].fans[2].minRpm) = std::tuple(true, 0);
        QVERIFY(store.saveProfileSettings(1));
        QCOMPARE(readBytes(profile(1)), plain);
    }

    // FanN/Curve while the fan follows its own curve; damaged text loads as the built-in curve, with a warning.
    void curvesStoredWithTheProfile()
    {
        const QList<std::tuple<QString, QString, QString>> rows{  // Curve line, PWM, loaded source
            {"Curve=\"30:20,50:40;sensor=coretemp/Core 0;hysteresis=3\"", "1", "30:20,50:40;sensor=coretemp/Core 0;hysteresis=3"},
            {"Curve=\"30:20,20:40\"", "1", "builtin"}, {"Curve=hot", "1", "builtin"}, {"Curve=\"30:20,50:40\"", "0", "fixed"},
            {"Curve=\"" + QString("1:1,").repeated(3000) + "99:9\"", "1", "builtin"}, {"", "1", "builtin"}};
        for (const auto &[line, pwm, loaded] : rows) {
            init();
            QVERIFY(writeBytes(profile(1), ("[Fan0]\nPWM=" + pwm + "\n" + line + "\n").toUtf8()));
            ControllerState state;
            if (loaded == "builtin" && !line.isEmpty())
                QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Profile 1 fan 0 Curve damaged: .* using the built-in curve"));
            SettingsStore(state, data).loadProfileIni(0, 1);
            const SpeedSource &s = state.boxArray[0].fans[0].source;
            QCOMPARE(!s.followsCurve() ? "fixed" : s.userCurve ? serialiseUserCurve(*s.userCurve) : "builtin", loaded);
        }
        ControllerState state;
        SpeedSource &source = state.boxArray[0].fans[1].source;
        source = SpeedSource::following(std::make_shared<const UserCurve>(*parseUserCurve("30:20,50:40;sensor=nvme#2/x;min=20").curve));
        SettingsStore store(state, data);
        QVERIFY(store.saveProfileSettings(2) && readBytes(profile(2)).count("Curve=") == 1);
        QCOMPARE(iniValue(profile(2), "Fan1/Curve"), "30:20,50:40;sensor=nvme#2/x;min=20");
        store.loadProfileIni(3, 2);
        QVERIFY(*state.boxArray[3].fans[1].source.userCurve == *source.userCurve);
        source = SpeedSource::following();
        QVERIFY(store.saveProfileSettings(2) && !readBytes(profile(2)).contains("Curve"));
    }

    // A hand edit can leave values no box takes; each comes in range on load.
    void rangeCheckedOnLoad()
    {
        // The line replacing that key of the base fan, and the loaded values that differ from it.
        const QList<QPair<QString, QStringList>> rows{
            {"RColor=7200000", {"RColor=255"}}, {"GColor=-5", {"GColor=0"}},
            {"RColor=99999999999", {"RColor=255"}}, {"Bright=-0.5", {"Bright=0"}}, {"Bright=7", {"Bright=1"}},
            {"Bright=nan", {"Bright=1"}}, {"Speed=9", {"Speed=5", "SpeedMode=2"}}, {"Speed=0", {"Speed=0"}},
            {"FanMode=7", {"FanMode=0"}}, {"FanMode=-1", {"FanMode=0"}}, {"FanMode=2", {"FanMode=2"}}};
        const QStringList base{"10", "20", "30", "0.5", "3", "0", "0", "0", "0"};
        for (const auto &[line, loaded] : rows) {
            init();  // a fresh file: the settings cache may miss a rewrite of the same size
            QStringList expected = base;
            QString text = "[Fan0]\n";
            for (int k = 0; k < kKeys.size(); ++k)
                text += (line.startsWith(kKeys[k] + "=") ? line : kKeys[k] + "=" + base[k]) + "\n";
            for (const QString &kv : loaded)
                expected[kKeys.indexOf(kv.section('=', 0, 0))] = kv.section('=', 1);
            QVERIFY(writeBytes(profile(1), text.toLatin1()));
            ControllerState state;
            SettingsStore(state, data).loadProfileIni(0, 1);
            QVERIFY2(fanOf(state.boxArray[0], 0) == expected, qPrintable(line));
        }
    }

    // Only the fans inside the matching Profile_<n> element (or after it ends),
    // in any order; a fan without PWM runs into the next; other elements are
    // skipped; a file that does not parse gives the defaults and a warning.
    void xmlProfile()
    {
        const QStringList broken = xDefaults + xDefaults + xDefaults;
        const QList<std::tuple<int, QByteArray, QStringList>> rows{
            {3, "<?xml version=\"1.0\"?>\n<Profiles><Profile_3>" + xmlFan(3, x3) + xmlFan(1, x1) + xmlFan(2, x2)
                    + "</Profile_3></Profiles>", x1 + x2 + x3},  // any order
            {1, "<All><Profile_2>" + xmlFan(1, x2) + "</Profile_2><Deep><Profile_1/></Deep>" + xmlFan(3, x3) + "</All>",
             xEmpty + xEmpty + x3},  // only the matching element
            {1, "<Profile_1><Fan1><RColor>11</RColor><Bright>0.1</Bright></Fan1><Fan2><RColor>22</RColor><PWM>0</PWM>"
                "</Fan2></Profile_1>", QStringList{"22", "", "", "0.1", "", "", "", "0"} + xEmpty + xEmpty},  // no PWM
            {1, "<Profile_1>" + xmlFan(1, x1) + "<Fan2><Bright><b>1</b></Bright><PWM>1</PWM></Fan2></Profile_1>", broken},
            {1, "\x01\x02 RColor=1\n", broken}};
        for (const auto &[number, content, expected] : rows) {
            QVERIFY(writeBytes(dir->filePath(QStringLiteral("Profile%1.xml").arg(number)), content));
            if (expected == broken)
                QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Failed to parse file"));
            QCOMPARE(xmlSlots(getProfile(number, dir->path())), expected);
        }
    }
};

QTEST_GUILESS_MAIN(StorageTest)
#include "tst_storage.moc"
