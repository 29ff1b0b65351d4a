#include "update/autoupdate.h"

#include "core/controllerstate.h"
#include "updatetestenv.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

// The whole exchange against tests/update/fake_update_server.py.
class TestUpdateServer : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("XDG_CONFIG_HOME", (m_home.path() + "/config").toLocal8Bit());
        qputenv("XDG_RUNTIME_DIR", (m_home.path() + "/runtime").toLocal8Bit());
        for (const char *var : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"})
            qunsetenv(var);
    }

    void fullExchange()
    {
        const QString python = QStandardPaths::findExecutable("python3");
        if (python.isEmpty())
            QSKIP("python3 not installed");
        const QString script = qEnvironmentVariable("ZALDO_TEST_SOURCE_DIR", QStringLiteral(ZALDO_SOURCE_DIR))
            + "/tests/update/fake_update_server.py";
        QVERIFY(QFile::exists(script));

        QProcess server;
        server.start(python, {script, "--lifetime", "60",
                              "--reply", "{\"Data\": {\"Result_Code\": \"002\", \"version\": \"V2.2.0\"}}",
                              "--reply", "{\"Data\": {\"Result_Code\": \"001\", \"version\": \"V2.2.0\", \"url\": \"http://127.0.0.1/BV_update.exe\"}}"});
        QVERIFY(server.waitForStarted(10000));
        QTRY_VERIFY_WITH_TIMEOUT(server.canReadLine(), 10000);
        const QByteArray first = server.readLine().trimmed();
        QVERIFY2(first.startsWith("PORT "), first.constData());
        const int port = first.mid(5).toInt();
        QVERIFY(port > 0);

        QTemporaryDir dir;
        ControllerState state;
        state.languageIndex = 3;
        RecordingLauncher launcher;
        AutoUpdate up(dir.path(), QStringLiteral("http://127.0.0.1:%1").arg(port), launcher, state);
        QSignalSpy handled(&up, &AutoUpdate::replyHandled);
        up.getVersion();
        QTRY_COMPARE_WITH_TIMEOUT(handled.count(), 2, 10000);
        QCOMPARE(launcher.parameters, QStringList{"RGBZaldo;de;2.1.5"});

        QTRY_VERIFY_WITH_TIMEOUT(server.bytesAvailable() > 0 || server.canReadLine(), 5000);
        QList<QByteArray> requests;
        for (int i = 0; i < 50 && requests.size() < 2; ++i) {
            while (server.canReadLine())
                requests << server.readLine().trimmed();
            if (requests.size() < 2)
                server.waitForReadyRead(200);
        }
        QCOMPARE(requests.size(), 2);
        QCOMPARE(requests[0], QByteArray("REQUEST {\"command_type\": \"Bv008\", \"getUrl\": 1}"));
        QFile uuid(dir.path() + "/UUID.txt");
        QVERIFY(uuid.open(QIODevice::ReadOnly));
        QCOMPARE(requests[1], "REQUEST {\"UUID\": \"" + uuid.readAll() + "\", \"command_type\": \"Bv008\"}");

        server.terminate();
        if (!server.waitForFinished(5000)) {
            server.kill();
            server.waitForFinished(5000);
        }
    }
};

QTEST_GUILESS_MAIN(TestUpdateServer)
#include "test_updateserver.moc"
