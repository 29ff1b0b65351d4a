// Profile<n>.xml reader.
#include "storage/xmlprofile.h"
#include "storagetestenv.h"

#include <cstdio>
#include <unistd.h>

namespace {

QStringList slots_(const XmlProfile &p, int fan)
{
    const auto &f = p.fans[size_t(fan)];
    return QStringList(f.begin(), f.end());
}

const QStringList kDefaults{"255", "0", "0", "1", "100", "2", "0", "1"};
const QStringList kEmpty{"", "", "", "", "", "", "", ""};
const QStringList f1{"1", "2", "3", "0.5", "40", "0", "2", "0"};
const QStringList f2{"4", "5", "6", "0.25", "60", "1", "1", "1"};
const QStringList f3{"7", "8", "9", "1", "80", "2", "0", "0"};

QByteArray fan(int n, const QStringList &v)
{
    return QStringLiteral("  <Fan%1>\n    <RColor>%2</RColor>\n    <GColor>%3</GColor>\n    <BColor>%4</BColor>\n"
                          "    <Bright>%5</Bright>\n    <Speed>%6</Speed>\n    <SpeedMode>%7</SpeedMode>\n"
                          "    <FanMode>%8</FanMode>\n    <PWM>%9</PWM>\n  </Fan%1>\n")
        .arg(n).arg(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7])
        .toUtf8();
}

// Collects messages of our category while alive.
QStringList g_messages;
QtMessageHandler g_previous = nullptr;
struct MessageCapture {
    MessageCapture()
    {
        g_previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &ctx, const QString &msg) {
            if (ctx.category && QByteArray(ctx.category) == "zaldo.storage")
                g_messages << msg;
            g_previous(type, ctx, msg);
        });
    }
    ~MessageCapture() { qInstallMessageHandler(g_previous); }
};

QStringList allSlots(const XmlProfile &p) { return slots_(p, 0) + slots_(p, 1) + slots_(p, 2); }
const QStringList kAllDefaults = kDefaults + kDefaults + kDefaults;

} // namespace

class XmlProfileTest : public QObject {
    Q_OBJECT
    StorageDirs m;

    QString dir() const { return m.dir->path(); }
    void put(int n, const QByteArray &body) { QVERIFY(writeBytes(m.dir->filePath(QStringLiteral("Profile%1.xml").arg(n)), body)); }

private slots:
    void initTestCase() { m.initHome(); }
    void init() { m.reset(); }

    void fansInAnyOrder()
    {
        put(3, "<?xml version=\"1.0\"?>\n<Profiles>\n <Profile_3>\n" + fan(3, f3) + fan(1, f1) + fan(2, f2)
                   + " </Profile_3>\n</Profiles>\n");
        QCOMPARE(allSlots(getProfile(3, dir())), f1 + f2 + f3);
    }

    void profileNumberOutOfRange_data()
    {
        QTest::addColumn<int>("number");
        QTest::newRow("0") << 0;
        QTest::newRow("6") << 6;
        QTest::newRow("-1") << -1;
    }
    void profileNumberOutOfRange()
    {
        QFETCH(int, number);
        put(1, "<Profile_1>" + fan(1, f1) + "</Profile_1>");
        put(6, "<Profile_6>" + fan(1, f2) + "</Profile_6>");
        QCOMPARE(allSlots(getProfile(number, dir())), f1 + kEmpty + kEmpty);
    }

    void onlyTheMatchingProfileElement()
    {
        // Profile_2 does not start profile 1; fans before the element are not
        // read, fans after its end are.
        put(1, "<All><Profile_2>" + fan(1, f2) + "</Profile_2><Deep><Profile_1/></Deep>" + fan(3, f3) + "</All>");
        QCOMPARE(allSlots(getProfile(1, dir())), kEmpty + kEmpty + f3);
    }

    void noProfileElementGivesEmptyAndNoLog()
    {
        put(2, "<Profiles><Profile_1>" + fan(1, f1) + "</Profile_1></Profiles>");
        g_messages.clear();
        MessageCapture log;
        QCOMPARE(allSlots(getProfile(2, dir())), kEmpty + kEmpty + kEmpty);
        QCOMPARE(g_messages, QStringList());
    }

    void fanWithoutPwmRunsIntoTheNext()
    {
        put(4, "<Profile_4><Fan1><RColor>11</RColor><Bright>0.1</Bright></Fan1>"
               "<Fan2><RColor>22</RColor><PWM>0</PWM></Fan2></Profile_4>");
        QCOMPARE(allSlots(getProfile(4, dir())), QStringList({"22", "", "", "0.1", "", "", "", "0"}) + kEmpty + kEmpty);
    }

    void otherElementsIgnored()
    {
        put(1, "<Profile_1 name=\"x\"><Fan1 id=\"1\"><Colour>blue</Colour><RColor>5</RColor><!-- c -->"
               "<Note><GColor>6</GColor></Note><PWM>1</PWM></Fan1></Profile_1>");
        QCOMPARE(slots_(getProfile(1, dir()), 0), (QStringList{"5", "6", "", "", "", "", "", "1"}));
    }

    void failures_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("nested element in Bright")
            << QByteArray("<Profile_1>" + fan(1, f1) + "<Fan2><Bright><b>1</b></Bright><PWM>1</PWM></Fan2></Profile_1>");
        QTest::newRow("mismatched tags") << QByteArray("<Profile_1>" + fan(1, f1) + "</Profile_2>");
        QTest::newRow("truncated") << QByteArray("<Profile_1>" + fan(1, f1) + fan(2, f2).left(40));
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("not xml") << QByteArray("\x01\x02 RColor=1\n");
    }
    void failures()
    {
        QFETCH(QByteArray, content);
        put(1, content);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Failed to parse file"));
        QCOMPARE(allSlots(getProfile(1, dir())), kAllDefaults);
    }

    void missingFileWritesToStandardError()
    {
        QTemporaryFile capture;
        QVERIFY(capture.open());
        std::fflush(stderr);
        const int saved = ::dup(2);
        ::dup2(capture.handle(), 2);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Failed to parse file"));
        const XmlProfile p = getProfile(2, dir());
        std::fflush(stderr);
        ::dup2(saved, 2);
        ::close(saved);
        capture.seek(0);
        const QByteArray text = capture.readAll();
        const QByteArray expected = "Error: Cannot read file " + m.dir->filePath("Profile2.xml").toLocal8Bit() + ": ";
        QVERIFY2(text.startsWith(expected) && text.endsWith('\n'), text.constData());
        QCOMPARE(allSlots(p), kAllDefaults);
    }

    void readsFromWorkingDirectoryByDefault()
    {
        put(2, "<Profile_2>" + fan(2, f2) + "</Profile_2>");
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir()));
        const XmlProfile p = getProfile(2);
        QVERIFY(QDir::setCurrent(previous));
        QCOMPARE(slots_(p, 1), f2);
    }
};

QTEST_GUILESS_MAIN(XmlProfileTest)
#include "tst_xmlprofile.moc"
