// Profile<n>.xml reader.
#include "storage/xmlprofile.h"
#include "storagetestenv.h"

#include <cstdio>
#include <unistd.h>

namespace {

QStringList slots_(const XmlProfile &p, int fan)
{
    QStringList out;
    for (const QString &s : p.fans[static_cast<size_t>(fan)])
        out << s;
    return out;
}

const QStringList kDefaults{"255", "0", "0", "1", "100", "2", "0", "1"};
const QStringList kEmpty{"", "", "", "", "", "", "", ""};

QByteArray fan(int n, const QStringList &v)
{
    return QStringLiteral("  <Fan%1>\n    <RColor>%2</RColor>\n    <GColor>%3</GColor>\n    <BColor>%4</BColor>\n"
                          "    <Bright>%5</Bright>\n    <Speed>%6</Speed>\n    <SpeedMode>%7</SpeedMode>\n"
                          "    <FanMode>%8</FanMode>\n    <PWM>%9</PWM>\n  </Fan%1>\n")
        .arg(n).arg(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7])
        .toUtf8();
}

// Collects what the code under test writes to standard error.
class StderrCapture {
public:
    StderrCapture()
    {
        m_file.open();
        std::fflush(stderr);
        m_saved = ::dup(2);
        ::dup2(m_file.handle(), 2);
    }
    QByteArray take()
    {
        std::fflush(stderr);
        ::dup2(m_saved, 2);
        ::close(m_saved);
        m_file.seek(0);
        return m_file.readAll();
    }

private:
    QTemporaryFile m_file;
    int m_saved = -1;
};

// Counts messages of our category while alive.
QStringList *g_messages = nullptr;
QtMessageHandler g_previous = nullptr;
void collect(QtMsgType type, const QMessageLogContext &ctx, const QString &msg)
{
    if (g_messages && ctx.category && QByteArray(ctx.category) == "zaldo.storage")
        g_messages->append(msg);
    g_previous(type, ctx, msg);
}
struct MessageCapture {
    QStringList messages;
    MessageCapture() { g_messages = &messages; g_previous = qInstallMessageHandler(collect); }
    ~MessageCapture() { qInstallMessageHandler(g_previous); g_messages = nullptr; }
};

const QStringList f1{"1", "2", "3", "0.5", "40", "0", "2", "0"};
const QStringList f2{"4", "5", "6", "0.25", "60", "1", "1", "1"};
const QStringList f3{"7", "8", "9", "1", "80", "2", "0", "0"};

} // namespace

class XmlProfileTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<QTemporaryDir> m_dir;

    void put(int n, const QByteArray &body) { QVERIFY(writeBytes(m_dir->filePath(QStringLiteral("Profile%1.xml").arg(n)), body)); }

private slots:
    void initTestCase() { m_home = makeTestHome(); }
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void fansInAnyOrder()
    {
        put(3, "<?xml version=\"1.0\"?>\n<Profiles>\n <Profile_3>\n" + fan(3, f3) + fan(1, f1) + fan(2, f2)
                   + " </Profile_3>\n</Profiles>\n");
        const XmlProfile p = getProfile(3, m_dir->path());
        QCOMPARE(slots_(p, 0), f1);
        QCOMPARE(slots_(p, 1), f2);
        QCOMPARE(slots_(p, 2), f3);
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
        const XmlProfile p = getProfile(number, m_dir->path());
        QCOMPARE(slots_(p, 0), f1);
        QCOMPARE(slots_(p, 1), kEmpty);
    }

    void onlyTheMatchingProfileElement()
    {
        // Profile_2 does not start profile 1; fans before the element are not read,
        // fans after its end are.
        put(1, "<All><Profile_2>" + fan(1, f2) + "</Profile_2><Deep><Profile_1/></Deep>" + fan(3, f3) + "</All>");
        const XmlProfile p = getProfile(1, m_dir->path());
        QCOMPARE(slots_(p, 0), kEmpty);
        QCOMPARE(slots_(p, 2), f3);
    }

    void noProfileElementGivesEmptyAndNoLog()
    {
        put(2, "<Profiles><Profile_1>" + fan(1, f1) + "</Profile_1></Profiles>");
        MessageCapture log;
        const XmlProfile p = getProfile(2, m_dir->path());
        for (int f = 0; f < 3; ++f)
            QCOMPARE(slots_(p, f), kEmpty);
        QCOMPARE(log.messages, QStringList());
    }

    void fanWithoutPwmRunsIntoTheNext()
    {
        put(4, "<Profile_4><Fan1><RColor>11</RColor><Bright>0.1</Bright></Fan1>"
               "<Fan2><RColor>22</RColor><PWM>0</PWM></Fan2></Profile_4>");
        const XmlProfile p = getProfile(4, m_dir->path());
        QCOMPARE(slots_(p, 0), (QStringList{"22", "", "", "0.1", "", "", "", "0"}));
        QCOMPARE(slots_(p, 1), kEmpty);
    }

    void compactXmlKeepsEveryValue()
    {
        put(5, "<Profile_5><Fan2><RColor>1</RColor><GColor>2</GColor><BColor>3</BColor><Bright>0.75</Bright>"
               "<Speed>20</Speed><SpeedMode>0</SpeedMode><FanMode>1</FanMode><PWM>1</PWM></Fan2></Profile_5>");
        QCOMPARE(slots_(getProfile(5, m_dir->path()), 1), (QStringList{"1", "2", "3", "0.75", "20", "0", "1", "1"}));
    }

    void otherElementsIgnored()
    {
        put(1, "<Profile_1 name=\"x\"><Fan1 id=\"1\"><Colour>blue</Colour><RColor>5</RColor><!-- c -->"
               "<Note><GColor>6</GColor></Note><PWM>1</PWM></Fan1></Profile_1>");
        QCOMPARE(slots_(getProfile(1, m_dir->path()), 0), (QStringList{"5", "6", "", "", "", "", "", "1"}));
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
        const XmlProfile p = getProfile(1, m_dir->path());
        for (int f = 0; f < 3; ++f)
            QCOMPARE(slots_(p, f), kDefaults);
    }

    void missingFile()
    {
        StderrCapture err;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Failed to parse file"));
        const XmlProfile p = getProfile(2, m_dir->path());
        const QByteArray text = err.take();
        const QByteArray expected = "Error: Cannot read file " + m_dir->filePath("Profile2.xml").toLocal8Bit() + ": ";
        QVERIFY2(text.startsWith(expected), text.constData());
        QVERIFY(text.endsWith('\n'));
        for (int f = 0; f < 3; ++f)
            QCOMPARE(slots_(p, f), kDefaults);
    }

    void readsFromWorkingDirectoryByDefault()
    {
        put(2, "<Profile_2>" + fan(2, f2) + "</Profile_2>");
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir->path()));
        const XmlProfile p = getProfile(2);
        QVERIFY(QDir::setCurrent(previous));
        QCOMPARE(slots_(p, 1), f2);
    }
};

QTEST_GUILESS_MAIN(XmlProfileTest)
#include "tst_xmlprofile.moc"
