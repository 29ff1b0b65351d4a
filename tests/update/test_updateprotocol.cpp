#include "update/autoupdate.h"

#include "app/controllerstate.h"
#include "recordinglauncher.h"

#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

void writeText(const QString &path, const QByteArray &text)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

QByteArray readText(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

class TestUpdateProtocol : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("XDG_CONFIG_HOME", (m_home.path() + "/config").toLocal8Bit());
        qputenv("XDG_RUNTIME_DIR", (m_home.path() + "/runtime").toLocal8Bit());
        qunsetenv("ZALDO_UPDATE_URL");
    }

    void compareVersion_data()
    {
        QTest::addColumn<QString>("offered");
        QTest::addColumn<QString>("installed");
        QTest::addColumn<bool>("newer");
        QTest::addColumn<QString>("marker");
        QTest::newRow("patch newer") << "V2.1.6" << "2.1.5" << true << "44444";
        QTest::newRow("same") << "V2.1.5" << "2.1.5" << false << "33333";
        QTest::newRow("numeric minor") << "V2.10.0" << "2.9.9" << true << "55555";
        QTest::newRow("no V") << "2.1.6" << "2.1.5" << false << "11111";
        QTest::newRow("major newer") << "V3.0.0" << "2.9.9" << true << "66666";
        QTest::newRow("major older") << "V1.9.9" << "2.0.0" << false << "11111";
        QTest::newRow("minor older") << "V2.0.9" << "2.1.0" << false << "22222";
        QTest::newRow("patch older") << "V2.1.4" << "2.1.5" << false << "33333";
        QTest::newRow("text before V") << "xV2.1.6" << "2.1.5" << true << "44444";
        QTest::newRow("short offered") << "V2.2" << "2.1.9" << true << "55555";
        QTest::newRow("short installed") << "V2.1.1" << "2.1" << true << "44444";
        QTest::newRow("garbage") << "Vabc.def" << "0.0.0" << false << "33333";
        QTest::newRow("overflow") << "V99999999999999999999.0.0" << "2.1.5" << false << "11111";
        QTest::newRow("empty") << "" << "" << false << "33333";
    }
    void compareVersion()
    {
        QFETCH(QString, offered);
        QFETCH(QString, installed);
        QFETCH(bool, newer);
        QFETCH(QString, marker);
        QTest::ignoreMessage(QtDebugMsg, marker.toLatin1().constData());
        QCOMPARE(AutoUpdate::compareVersion(offered, installed), newer);
    }

    void requestBodyIsBase64OfIndentedJson()
    {
        const QJsonObject members{{"getUrl", 1}, {"command_type", "Bv008"}};
        const QByteArray json = AutoUpdate::requestJson(members);
        QCOMPARE(json, QByteArray("{\n    \"command_type\": \"Bv008\",\n    \"getUrl\": 1\n}\n"));
        const QByteArray body = AutoUpdate::requestBody(members);
        QVERIFY(body.startsWith("ActiveData="));
        QCOMPARE(body.mid(11), json.toBase64());
        QCOMPARE(QByteArray::fromBase64(body.mid(11)), json);
    }

    void downloadUrl_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("http") << "http://dl.example.com/BV_update.exe" << true;
        QTest::newRow("https query") << "https://dl.example.com/get?f=1&v=2.1.6" << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("line break") << "http://dl.example.com/a\nhttp://evil/" << false;
        QTest::newRow("carriage return") << "http://dl.example.com/a\r" << false;
        QTest::newRow("control") << QString("http://dl.example.com/\x01") << false;
        QTest::newRow("delete") << QString("http://dl.example.com/\x7f") << false;
        QTest::newRow("blank") << "http://dl.example.com/a b" << false;
        QTest::newRow("non ascii") << QString::fromUtf8("http://dl.example.com/\xc3\xa9") << false;
        QTest::newRow("file scheme") << "file:///etc/passwd" << false;
        QTest::newRow("no scheme") << "dl.example.com/x" << false;
        QTest::newRow("too long") << "http://dl.example.com/" + QString(3000, 'a') << false;
    }
    void downloadUrl()
    {
        QFETCH(QString, url);
        QFETCH(bool, accepted);
        QCOMPARE(AutoUpdate::isAcceptableDownloadUrl(url), accepted);

        QTemporaryDir dir;
        ControllerState state;
        RecordingLauncher launcher;
        AutoUpdate up(dir.path(), "http://127.0.0.1:9", launcher, state);
        if (!accepted)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^download URL refused:"));
        QCOMPARE(up.writeFileUrl(url), accepted);
        QCOMPARE(QFile::exists(dir.path() + "/fileUrl.txt"), accepted);
        if (accepted)
            QCOMPARE(readText(dir.path() + "/fileUrl.txt"), url.toLatin1());
    }

    void uuidFromFile_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("sent");
        QTest::newRow("braced") << QByteArray("{abc}") << "%7Babc%7D";
        QTest::newRow("bare") << QByteArray("abc") << "abc";
        QTest::newRow("no closing brace") << QByteArray("{abc") << "%7Babc%7D";
        QTest::newRow("text after brace") << QByteArray("{abc}tail") << "%7Babc%7D";
        QTest::newRow("empty") << QByteArray() << "";
    }
    void uuidFromFile()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, sent);
        QTemporaryDir dir;
        writeText(dir.path() + "/UUID.txt", file);
        ControllerState state;
        RecordingLauncher launcher;
        AutoUpdate up(dir.path(), QString(), launcher, state);
        QCOMPARE(up.readUUID(), sent);
        QCOMPARE(readText(dir.path() + "/UUID.txt"), file);
    }

    void uuidCreatedOnFirstRun()
    {
        QTemporaryDir dir;
        ControllerState state;
        RecordingLauncher launcher;
        AutoUpdate up(dir.path() + "/RGBZaldo", QString(), launcher, state);
        const QString id = up.readUUID();
        QCOMPARE(id.size(), 36);
        QVERIFY(!id.contains('{') && !id.contains('}'));
        QVERIFY(QRegularExpression("^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$").match(id).hasMatch());
        QCOMPARE(readText(dir.path() + "/RGBZaldo/UUID.txt"), id.toLatin1());
        QCOMPARE(up.readUUID(), id);
        up.deleteUUID();
        QVERIFY(!QFile::exists(dir.path() + "/RGBZaldo/UUID.txt"));
        QVERIFY(up.readUUID() != id);
    }

    void installerRemovedAtCreation()
    {
        QTemporaryDir dir;
        writeText(dir.path() + "/BV_update.exe", "MZ");
        writeText(dir.path() + "/Version.txt", "2.1.4");
        ControllerState state;
        RecordingLauncher launcher;
        AutoUpdate up(dir.path(), QString(), launcher, state);
        QVERIFY(!QFile::exists(dir.path() + "/BV_update.exe"));
        QVERIFY(QFile::exists(dir.path() + "/Version.txt"));
    }

    void checkOldVersion()
    {
        QTemporaryDir dir;
        ControllerState state;
        state.softwareVersion = "2.1.5";
        RecordingLauncher launcher;
        AutoUpdate up(dir.path(), QString(), launcher, state);
        QCOMPARE(up.runningVersion(), QString("2.1.5"));
        QTest::ignoreMessage(QtDebugMsg, "no file");
        QCOMPARE(up.checkOldVersion(), QString("2.1.5"));
        up.setCurrentVersion("2.1.7");
        up.writeVersionFile();
        QCOMPARE(readText(dir.path() + "/Version.txt"), QByteArray("2.1.7"));
        up.setCurrentVersion("2.1.8");
        QTest::ignoreMessage(QtDebugMsg, "Have file");
        QCOMPARE(up.checkOldVersion(), QString("2.1.7"));
    }

    void serviceUrl_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("environment");
        QTest::addColumn<QString>("expected");
        QTest::newRow("default") << "" << "" << "http://update.zaldo.invalid/download/getVersionV1";
        QTest::newRow("environment") << "" << "http://127.0.0.1:8080" << "http://127.0.0.1:8080/download/getVersionV1";
        QTest::newRow("argument wins") << "http://localhost:81/" << "http://127.0.0.1:8080"
                                       << "http://localhost:81/download/getVersionV1";
        QTest::newRow("base path") << "https://h.example/api/?q=1#f" << "" << "https://h.example/api/download/getVersionV1";
        QTest::newRow("bad scheme") << "ftp://h.example" << "" << "http://update.zaldo.invalid/download/getVersionV1";
        QTest::newRow("no host") << "http://" << "" << "http://update.zaldo.invalid/download/getVersionV1";
    }
    void serviceUrl()
    {
        QFETCH(QString, argument);
        QFETCH(QString, environment);
        QFETCH(QString, expected);
        if (environment.isEmpty())
            qunsetenv("ZALDO_UPDATE_URL");
        else
            qputenv("ZALDO_UPDATE_URL", environment.toUtf8());
        if (QTest::currentDataTag() == QByteArray("bad scheme") || QTest::currentDataTag() == QByteArray("no host"))
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^update service URL refused"));
        QTemporaryDir dir;
        ControllerState state;
        RecordingLauncher launcher;
        AutoUpdate up(dir.path(), argument, launcher, state);
        qunsetenv("ZALDO_UPDATE_URL");
        QCOMPARE(up.requestUrl().toString(), expected);
    }

    void updaterParameter_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("parameter");
        const char *const tags[] = {"en", "tc", "sc", "de", "fr", "ja", "th"};
        for (int i = 0; i < 7; ++i)
            QTest::addRow("%d", i) << i << QStringLiteral("RGBZaldo;%1;2.1.5").arg(tags[i]);
        QTest::newRow("7") << 7 << "RGBZaldo;en;2.1.5";
        QTest::newRow("-1") << -1 << "RGBZaldo;en;2.1.5";
    }
    void updaterParameter()
    {
        QFETCH(int, language);
        QFETCH(QString, parameter);
        QCOMPARE(::updaterParameter(language, "2.1.5"), parameter);

        QTemporaryDir dir;
        ControllerState state;
        state.languageIndex = language;
        RecordingLauncher launcher;
        AutoUpdate up(dir.path(), QString(), launcher, state);
        QSignalSpy started(&up, &AutoUpdate::updaterStarted);
        up.startUpdate();
        QCOMPARE(launcher.parameters, QStringList{parameter});
        QCOMPARE(started.count(), 1);
    }

    void failedLaunchIsQuiet()
    {
        QTemporaryDir dir;
        ControllerState state;
        RecordingLauncher launcher;
        launcher.result = false;
        AutoUpdate up(dir.path(), QString(), launcher, state);
        QSignalSpy started(&up, &AutoUpdate::updaterStarted);
        up.startUpdate();
        QCOMPARE(launcher.parameters.size(), 1);
        QCOMPARE(started.count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestUpdateProtocol)
#include "test_updateprotocol.moc"
