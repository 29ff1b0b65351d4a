// The update check: version rules, the updater hand-over, and whole runs
// against a loopback stub of the service.
#include "httpstub.h"
#include "core/controllerstate.h"
#include "update/autoupdate.h"
#include "update/updaterlauncher.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {
// Records the updater starts instead of running anything.
struct RecordingLauncher : UpdaterLauncher {
    QStringList parameters;
    bool result = true;
    bool launch(const QString &parameter) override { return parameters << parameter, result; }
};

QByteArray readText(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeText(const QString &path, const QByteArray &text)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

// An update checker over a private data directory and a loopback stub
// scripted with replies; create() once the directory and state are set up.
struct Flow {
    QTemporaryDir dir;
    ControllerState state;
    RecordingLauncher launcher;
    std::unique_ptr<AutoUpdate> up;
    std::unique_ptr<QSignalSpy> handled, notes, started;
    HttpStub stub;

    explicit Flow(const QVector<HttpStub::Response> &replies = {})
    {
        stub.listen();
        for (const auto &r : replies)
            stub.enqueue(r);
    }
    AutoUpdate &create(const QString &serviceUrl = QString())
    {
        up = std::make_unique<AutoUpdate>(dir.path(), serviceUrl, launcher, state);
        up->setTransferTimeout(300);
        handled = std::make_unique<QSignalSpy>(up.get(), &AutoUpdate::replyHandled);
        notes = std::make_unique<QSignalSpy>(up.get(), &AutoUpdate::updateNoteReady);
        started = std::make_unique<QSignalSpy>(up.get(), &AutoUpdate::updaterStarted);
        return *up;
    }
    AutoUpdate &start()
    {
        create(stub.baseUrl()).getVersion();
        return *up;
    }
    QString file(const char *name) const { return dir.path() + QLatin1String(name); }
    QJsonObject sent(int i) const { return stub.requests.value(i).activeData(); }
};
const auto offer = HttpStub::dataReply;
} // namespace

class TestAutoUpdate : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;

private Q_SLOTS:
    // Private XDG home, no proxies, no service URL from the environment.
    void initTestCase()
    {
        qputenv("XDG_CONFIG_HOME", (m_home.path() + "/config").toLocal8Bit());
        qputenv("XDG_RUNTIME_DIR", (m_home.path() + "/runtime").toLocal8Bit());
        for (const char *var : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY", "ZALDO_UPDATE_URL"})
            qunsetenv(var);
    }

    // The debug marker names the rule that decided.
    void compareVersion()
    {
        for (auto [offered, installed, newer, marker] : {std::tuple{"V2.1.5", "2.1.5", false, "33333"},
                                                         {"V2.10.0", "2.9.9", true, "55555"},
                                                         {"V2.0.9", "2.1.0", false, "22222"},
                                                         {"V2.1.1", "2.1", true, "44444"}}) {
            QTest::ignoreMessage(QtDebugMsg, marker);
            QCOMPARE(AutoUpdate::compareVersion(offered, installed), newer);
        }
    }

    // Languages outside the table ask for English; a failed start is quiet.
    void updaterParameter()
    {
        for (auto [language, launched, parameter] : {std::tuple{0, true, "RGBZaldo;en;2.1.5"}, {5, true, "RGBZaldo;ja;2.1.5"},
                                                     {7, true, "RGBZaldo;en;2.1.5"}, {-1, false, "RGBZaldo;en;2.1.5"}}) {
            QCOMPARE(::updaterParameter(language, "2.1.5"), QString(parameter));
            Flow rig;
            rig.state.languageIndex = language;
            rig.launcher.result = launched;
            rig.create().startUpdate();
            QCOMPARE(rig.launcher.parameters, QStringList{parameter});
            QCOMPARE(rig.started->count(), launched ? 1 : 0);
        }
    }

    // The real launcher: the updater beside the program, run in its folder with one argument.
    void processLauncher()
    {
        QTemporaryDir dir;
        ProcessUpdaterLauncher launcher(dir.path());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^updater missing:"));
        QVERIFY(!launcher.launch("RGBZaldo;en;2.1.5"));
        QFile script(dir.path() + "/BrenvarUpdate");
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\n{ pwd; echo \"$#\"; printf '%s\\n' \"$1\"; } > out.tmp && mv out.tmp out.txt\n");
        script.close();
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^updater missing:"));  // not executable yet
        QVERIFY(!launcher.launch("RGBZaldo;en;2.1.5"));
        script.setPermissions(script.permissions() | QFile::ExeOwner);
        QVERIFY(launcher.launch("RGBZaldo;de;2.1.5"));
        QTRY_VERIFY(QFile::exists(dir.path() + "/out.txt"));
        const QList<QByteArray> lines = readText(dir.path() + "/out.txt").split('\n');
        QCOMPARE(QDir(QString::fromLocal8Bit(lines.value(0))).canonicalPath(), QDir(dir.path()).canonicalPath());
        QCOMPARE(lines.mid(1, 2), (QList<QByteArray>{"1", "RGBZaldo;de;2.1.5"}));
    }

    void getVersionRequest()
    {
        Flow f;
        f.start();
        QTRY_COMPARE(f.handled->count(), 1);
        QCOMPARE(f.stub.requests.size(), 1);
        const HttpStub::Request &r = f.stub.requests.first();
        QCOMPARE(r.method + ' ' + r.path, QByteArray("POST /download/getVersionV1"));
        QCOMPARE(r.headers.value("content-type"), QByteArray("application/x-www-form-urlencoded"));
        // Standard Base64 of the indented JSON, with no further encoding.
        const QByteArray json("{\n    \"command_type\": \"Bv008\",\n    \"getUrl\": 1\n}\n");
        QCOMPARE(r.body, "ActiveData=" + json.toBase64());
        QCOMPARE(f.sent(0).keys(), QStringList({"command_type", "getUrl"}));
        // 404 from the stub: a quiet end, nothing written, nothing started.
        QCOMPARE(f.up->requestsSent(), 1);
        QVERIFY(f.launcher.parameters.isEmpty());
        QVERIFY(!QFile::exists(f.file("/UUID.txt")));
    }

    void newerVersionAsksForUrl()
    {
        Flow f({offer("002", "V2.1.6", {}, {})});
        f.start();
        QTRY_COMPARE(f.handled->count(), 2);
        QCOMPARE(f.sent(1).keys(), QStringList({"UUID", "command_type"}));
        // A first run makes the identifier and keeps it.
        const QString id = f.sent(1).value("UUID").toString();
        QVERIFY(QRegularExpression("^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$").match(id).hasMatch());
        QCOMPARE(readText(f.file("/UUID.txt")), id.toLatin1());
    }

    void sameVersionEndsThere()
    {
        Flow f({offer("002", "V2.1.5", {}, {})});
        f.start();
        QTRY_COMPARE(f.handled->count(), 1);
        QCOMPARE(f.up->requestsSent(), 1);
        QCOMPARE(f.notes->count(), 0);
    }

    void downloadLocationHandsOver()
    {
        Flow f({offer("002", "V2.1.6", {}, {}), offer("001", "V2.1.6", "http://dl.example.com/BV_update.exe", {})});
        f.state.languageIndex = 5;
        writeText(f.file("/UUID.txt"), "{abc}");
        f.start();
        QTRY_COMPARE(f.handled->count(), 2);
        QCOMPARE(f.sent(1).value("UUID").toString(), QString("%7Babc%7D"));
        QCOMPARE(readText(f.file("/Version.txt")), QByteArray("2.1.5"));
        QCOMPARE(readText(f.file("/fileUrl.txt")), QByteArray("http://dl.example.com/BV_update.exe"));
        QCOMPARE(f.launcher.parameters, QStringList{"RGBZaldo;ja;2.1.5"});
        QCOMPARE(f.started->count(), 1);
        QCOMPARE(f.up->requestsSent(), 2);
    }

    void nextStartReportsSuccess()
    {
        Flow f;
        writeText(f.file("/Version.txt"), "2.1.5");
        writeText(f.file("/UUID.txt"), "0f0e0d0c-0b0a-0908-0706-050403020100");
        f.state.softwareVersion = "2.1.6";
        f.create(f.stub.baseUrl());
        writeText(f.file("/BV_update.exe"), "MZ"); // left by the updater after creation
        QTest::ignoreMessage(QtDebugMsg, "Update Success");
        QTest::ignoreMessage(QtDebugMsg, "Delete Update File");
        f.up->getVersion();
        QVERIFY(!QFile::exists(f.file("/Version.txt")));
        QVERIFY(!QFile::exists(f.file("/BV_update.exe")));
        QTRY_COMPARE(f.handled->count(), 1);
        QCOMPARE(f.stub.requests.size(), 1);
        QCOMPARE(f.stub.requests[0].activeDataJson(),
                 QByteArray("{\n    \"UUID\": \"0f0e0d0c-0b0a-0908-0706-050403020100\",\n    \"command_type\": \"Bv008\",\n"
                            "    \"currentVersion\": \"2.1.5\",\n    \"status\": \"ok\",\n    \"updateVersion\": \"2.1.6\"\n}\n"));
        QVERIFY(f.launcher.parameters.isEmpty());
    }

    void hostileReplies_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        // The log line that shows which guard caught the reply: W warning, D debug.
        QTest::addColumn<QString>("log");
        const int reply = int(HttpStub::Mode::Reply);
        auto data = [](const QByteArray &members) { return "{\"Data\":{" + members + "}}"; };
        const QByteArray v9 = "\"Result_Code\":\"001\",\"version\":\"V9.0.0\"";
        QTest::newRow("html") << reply << 200 << QByteArray("<html>busy</html>") << "W:not a JSON object";
        QTest::newRow("numbers") << reply << 200 << data("\"Result_Code\":1,\"version\":9,\"url\":[]") << "D:^-{24}$";
        QTest::newRow("url file") << reply << 200 << data(v9 + ",\"url\":\"file:///etc/shadow\"") << "W:^download URL refused";
        QTest::newRow("server error") << reply << 500 << data("\"Result_Code\":\"002\",\"version\":\"V9.0.0\"")
                                      << "D:^found error \\.\\.\\.\\.code: 500 ";
        QTest::newRow("oversized") << int(HttpStub::Mode::Oversized) << 200 << QByteArray() << "W:^update reply too large";
        QTest::newRow("endless") << int(HttpStub::Mode::Endless) << 200 << QByteArray() << "W:^update reply too large";
        QTest::newRow("closed") << int(HttpStub::Mode::CloseEarly) << 200 << QByteArray() << "D:^handle errors here$";
        QTest::newRow("silent") << int(HttpStub::Mode::Hang) << 200 << QByteArray() << "D:^found error \\.\\.\\.\\.code: 0 5";
    }
    void hostileReplies()
    {
        QFETCH(int, mode);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, log);
        Flow f({HttpStub::Response{HttpStub::Mode(mode), status, body}});
        QTest::ignoreMessage(log.startsWith('W') ? QtWarningMsg : QtDebugMsg, QRegularExpression(log.mid(2)));
        f.start();
        QTRY_COMPARE(f.handled->count(), 1);
        QCOMPARE(f.up->requestsSent(), 1);
        QVERIFY(f.launcher.parameters.isEmpty());
        QCOMPARE(f.notes->count(), 0);
        QVERIFY(!QFile::exists(f.file("/Version.txt")));
        QVERIFY(!QFile::exists(f.file("/fileUrl.txt")));
        QVERIFY(f.stub.endlessSent < HttpStub::kEndlessLimit);
    }

    void serviceThatNeverStopsOffering()
    {
        Flow f(QVector<HttpStub::Response>(20, offer("002", "V9.9.9", {}, {})));
        f.start();
        QTRY_COMPARE(f.handled->count(), AutoUpdate::kMaxRequestsPerRun);
        QCOMPARE(f.up->requestsSent(), AutoUpdate::kMaxRequestsPerRun);
        QCOMPARE(f.stub.requests.size(), AutoUpdate::kMaxRequestsPerRun);
    }

};

QTEST_GUILESS_MAIN(TestAutoUpdate)
#include "test_autoupdate.moc"
