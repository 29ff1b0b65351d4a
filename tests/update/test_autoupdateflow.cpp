#include "update/autoupdate.h"

#include "app/controllerstate.h"
#include "httpstub.h"
#include "recordinglauncher.h"

#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

QByteArray readText(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeText(const QString &path, const QByteArray &text)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(text);
}

QStringList keys(const QJsonObject &o) { return o.keys(); }

// One update checker talking to a loopback stub.
struct Flow {
    Flow()
    {
        stub.listen();
        state.softwareVersion = QStringLiteral("2.1.5");
    }
    void create()
    {
        up = std::make_unique<AutoUpdate>(dir.path(), stub.baseUrl(), launcher, state);
        up->setTransferTimeout(300);
        handled = std::make_unique<QSignalSpy>(up.get(), &AutoUpdate::replyHandled);
        notes = std::make_unique<QSignalSpy>(up.get(), &AutoUpdate::updateNoteReady);
    }
    QString file(const char *name) const { return dir.path() + QLatin1String(name); }

    QTemporaryDir dir;
    ControllerState state;
    RecordingLauncher launcher;
    HttpStub stub;
    std::unique_ptr<AutoUpdate> up;
    std::unique_ptr<QSignalSpy> handled;
    std::unique_ptr<QSignalSpy> notes;
};

} // namespace

class TestAutoUpdateFlow : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("XDG_CONFIG_HOME", (m_home.path() + "/config").toLocal8Bit());
        qputenv("XDG_RUNTIME_DIR", (m_home.path() + "/runtime").toLocal8Bit());
        for (const char *var : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
            qunsetenv(var);
    }

    void getVersionRequest()
    {
        Flow f;
        f.create();
        f.up->getVersion();
        QTRY_COMPARE(f.handled->count(), 1);
        QCOMPARE(f.stub.requests.size(), 1);
        const HttpStub::Request &r = f.stub.requests.first();
        QCOMPARE(r.method, QByteArray("POST"));
        QCOMPARE(r.path, QByteArray("/download/getVersionV1"));
        QCOMPARE(r.headers.value("content-type"), QByteArray("application/x-www-form-urlencoded"));
        QVERIFY(r.body.startsWith("ActiveData="));
        QCOMPARE(r.activeDataJson(), QByteArray("{\n    \"command_type\": \"Bv008\",\n    \"getUrl\": 1\n}\n"));
        QCOMPARE(keys(r.activeData()), QStringList({"command_type", "getUrl"}));
        // 404 from the stub: a quiet end, nothing written, nothing started.
        QCOMPARE(f.up->requestsSent(), 1);
        QVERIFY(f.launcher.parameters.isEmpty());
        QVERIFY(!QFile::exists(f.file("/UUID.txt")));
    }

    void newerVersionAsksForUrl()
    {
        Flow f;
        f.stub.enqueue(HttpStub::dataReply("002", "V2.1.6"));
        f.create();
        f.up->getVersion();
        QTRY_COMPARE(f.handled->count(), 2);
        QCOMPARE(f.stub.requests.size(), 2);
        const QJsonObject second = f.stub.requests[1].activeData();
        QCOMPARE(keys(second), QStringList({"UUID", "command_type"}));
        QCOMPARE(second.value("command_type").toString(), QString("Bv008"));
        const QString id = second.value("UUID").toString();
        QCOMPARE(id.size(), 36);
        QCOMPARE(readText(f.file("/UUID.txt")), id.toLatin1());
    }

    void sameVersionEndsThere()
    {
        Flow f;
        f.stub.enqueue(HttpStub::dataReply("002", "V2.1.5"));
        f.create();
        f.up->getVersion();
        QTRY_COMPARE(f.handled->count(), 1);
        QCOMPARE(f.up->requestsSent(), 1);
        QCOMPARE(f.notes->count(), 0);
    }

    void downloadLocationHandsOver()
    {
        Flow f;
        f.state.languageIndex = 5;
        writeText(f.dir.path() + "/UUID.txt", "{abc}");
        f.stub.enqueue(HttpStub::dataReply("002", "V2.1.6"));
        f.stub.enqueue(HttpStub::dataReply("001", "V2.1.6", "http://dl.example.com/BV_update.exe"));
        f.create();
        QSignalSpy started(f.up.get(), &AutoUpdate::updaterStarted);
        f.up->getVersion();
        QTRY_COMPARE(f.handled->count(), 2);
        QCOMPARE(f.stub.requests[1].activeData().value("UUID").toString(), QString("%7Babc%7D"));
        QCOMPARE(readText(f.file("/Version.txt")), QByteArray("2.1.5"));
        QCOMPARE(readText(f.file("/fileUrl.txt")), QByteArray("http://dl.example.com/BV_update.exe"));
        QCOMPARE(f.launcher.parameters, QStringList{"RGBZaldo;ja;2.1.5"});
        QCOMPARE(started.count(), 1);
        QCOMPARE(f.up->requestsSent(), 2);
    }

    void nextStartReportsSuccess()
    {
        Flow f;
        writeText(f.file("/Version.txt"), "2.1.5");
        writeText(f.file("/UUID.txt"), "0f0e0d0c-0b0a-0908-0706-050403020100");
        f.state.softwareVersion = "2.1.6";
        f.create();
        writeText(f.file("/BV_update.exe"), "MZ");  // left by the updater after creation
        QTest::ignoreMessage(QtDebugMsg, "Update Success");
        QTest::ignoreMessage(QtDebugMsg, "Delete Update File");
        f.up->getVersion();
        QVERIFY(!QFile::exists(f.file("/Version.txt")));
        QVERIFY(!QFile::exists(f.file("/BV_update.exe")));
        QTRY_COMPARE(f.handled->count(), 1);
        QCOMPARE(f.stub.requests.size(), 1);
        const QJsonObject report = f.stub.requests[0].activeData();
        QCOMPARE(keys(report), QStringList({"UUID", "command_type", "currentVersion", "status", "updateVersion"}));
        QCOMPARE(report.value("UUID").toString(), QString("0f0e0d0c-0b0a-0908-0706-050403020100"));
        QCOMPARE(report.value("currentVersion").toString(), QString("2.1.5"));
        QCOMPARE(report.value("updateVersion").toString(), QString("2.1.6"));
        QCOMPARE(report.value("status").toString(), QString("ok"));
        QVERIFY(f.launcher.parameters.isEmpty());
    }

    void olderDownloadShowsNote()
    {
        Flow f;
        f.stub.enqueue(HttpStub::dataReply("001", "V2.1.4", "http://dl.example.com/x", "Already up to date"));
        f.create();
        f.up->getVersion();
        QTRY_COMPARE(f.handled->count(), 1);
        QCOMPARE(f.notes->count(), 1);
        QCOMPARE(f.notes->at(0).at(0).toString(), QString("Already up to date"));
        QVERIFY(f.launcher.parameters.isEmpty());
        QVERIFY(!QFile::exists(f.file("/Version.txt")));
        QVERIFY(!QFile::exists(f.file("/fileUrl.txt")));
    }

    void hostileReplies_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        // The log line that shows which guard caught the reply.
        QTest::addColumn<QString>("log");
        const int reply = int(HttpStub::Mode::Reply);
        auto data = [](const QByteArray &members) { return "{\"Data\":{" + members + "}}"; };
        QTest::newRow("html") << reply << 200 << QByteArray("<html>busy</html>") << QString("W:not a JSON object");
        QTest::newRow("empty") << reply << 200 << QByteArray() << QString("W:not a JSON object");
        QTest::newRow("array") << reply << 200 << QByteArray("[1,2]") << QString("W:not a JSON object");
        QTest::newRow("data string") << reply << 200 << QByteArray("{\"Data\":\"001\"}") << QString("W:\"Data\" is not an object");
        QTest::newRow("numbers") << reply << 200 << data("\"Result_Code\":1,\"version\":9,\"url\":[]") << QString("D:^------------------------$");
        QTest::newRow("unknown code") << reply << 200 << data("\"Result_Code\":\"003\",\"version\":\"V9.0.0\"") << QString("D:^------------------------$");
        QTest::newRow("url line break") << reply << 200
                                        << data("\"Result_Code\":\"001\",\"version\":\"V9.0.0\",\"url\":\"http://a/x\\nrm -rf\"") << QString("W:^download URL refused");
        QTest::newRow("url control") << reply << 200
                                     << data("\"Result_Code\":\"001\",\"version\":\"V9.0.0\",\"url\":\"http://a/\\u0007\"") << QString("W:^download URL refused");
        QTest::newRow("url file") << reply << 200
                                  << data("\"Result_Code\":\"001\",\"version\":\"V9.0.0\",\"url\":\"file:///etc/shadow\"") << QString("W:^download URL refused");
        QTest::newRow("url missing") << reply << 200 << data("\"Result_Code\":\"001\",\"version\":\"V9.0.0\"") << QString("W:^download URL refused");
        QTest::newRow("huge version") << reply << 200
                                      << data("\"Result_Code\":\"002\",\"version\":\"V" + QByteArray(30000, '9') + "\"") << QString("D:^11111$");
        QTest::newRow("server error") << reply << 500 << data("\"Result_Code\":\"002\",\"version\":\"V9.0.0\"") << QString("D:^found error \\.\\.\\.\\.code: 500 ");
        QTest::newRow("too large") << reply << 200 << QByteArray(70 * 1024, ' ') << QString("W:^update reply too large");
        QTest::newRow("oversized") << int(HttpStub::Mode::Oversized) << 200 << QByteArray() << QString("W:^update reply too large");
        QTest::newRow("endless") << int(HttpStub::Mode::Endless) << 200 << QByteArray() << QString("W:^update reply too large");
        QTest::newRow("closed") << int(HttpStub::Mode::CloseEarly) << 200 << QByteArray() << QString("D:^handle errors here$");
        QTest::newRow("silent") << int(HttpStub::Mode::Hang) << 200 << QByteArray() << QString("D:^found error \\.\\.\\.\\.code: 0 5");
    }
    void hostileReplies()
    {
        QFETCH(int, mode);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, log);
        Flow f;
        f.stub.enqueue({HttpStub::Mode(mode), status, body});
        f.create();
        QTest::ignoreMessage(log.startsWith('W') ? QtWarningMsg : QtDebugMsg, QRegularExpression(log.mid(2)));
        f.up->getVersion();
        QTRY_COMPARE(f.handled->count(), 1);
        QCOMPARE(f.up->requestsSent(), 1);
        QVERIFY(f.launcher.parameters.isEmpty());
        QCOMPARE(f.notes->count(), 0);
        QVERIFY(!QFile::exists(f.file("/Version.txt")));
        QVERIFY(!QFile::exists(f.file("/fileUrl.txt")));
        QVERIFY(f.stub.endlessSent < HttpStub::kEndlessLimit);
    }

    void unreachableService()
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        const quint16 port = probe.serverPort();
        probe.close();
        QTemporaryDir dir;
        ControllerState state;
        RecordingLauncher launcher;
        AutoUpdate up(dir.path(), QStringLiteral("http://127.0.0.1:%1").arg(port), launcher, state);
        QSignalSpy handled(&up, &AutoUpdate::replyHandled);
        QTest::ignoreMessage(QtDebugMsg, "handle errors here");
        up.getVersion();
        QTRY_COMPARE(handled.count(), 1);
        QCOMPARE(up.requestsSent(), 1);
    }

    void serviceThatNeverStopsOffering()
    {
        Flow f;
        for (int i = 0; i < 20; ++i)
            f.stub.enqueue(HttpStub::dataReply("002", "V9.9.9"));
        f.create();
        f.up->getVersion();
        QTRY_COMPARE(f.handled->count(), AutoUpdate::kMaxRequestsPerRun);
        QCOMPARE(f.up->requestsSent(), AutoUpdate::kMaxRequestsPerRun);
        QCOMPARE(f.stub.requests.size(), AutoUpdate::kMaxRequestsPerRun);
    }

    void handsOverOnlyOnce()
    {
        Flow f;
        const auto offer = HttpStub::dataReply("001", "V2.1.6", "http://dl.example.com/a");
        f.create();
        f.stub.enqueue(offer);
        f.stub.enqueue(offer);
        f.up->getUpdateUrl();
        f.up->getUpdateUrl();
        QTRY_COMPARE(f.handled->count(), 2);
        QCOMPARE(f.launcher.parameters.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestAutoUpdateFlow)
#include "test_autoupdateflow.moc"
