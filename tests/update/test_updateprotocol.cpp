#include "updatetestenv.h"

#include <QRegularExpression>

class TestUpdateProtocol : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;

private Q_SLOTS:
    void initTestCase() { isolateUpdateTest(m_home); }

    void compareVersion_data()
    {
        QTest::addColumn<QString>("offered");
        QTest::addColumn<QString>("installed");
        QTest::addColumn<bool>("newer");
        QTest::addColumn<QString>("marker");
        QTest::newRow("same") << "V2.1.5" << "2.1.5" << false << "33333";
        QTest::newRow("numeric minor") << "V2.10.0" << "2.9.9" << true << "55555";
        QTest::newRow("minor older") << "V2.0.9" << "2.1.0" << false << "22222";
        QTest::newRow("short installed") << "V2.1.1" << "2.1" << true << "44444";
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

    void updaterParameter_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<bool>("launched");
        QTest::addColumn<QString>("parameter");
        QTest::newRow("0") << 0 << true << "RGBZaldo;en;2.1.5";
        QTest::newRow("5") << 5 << true << "RGBZaldo;ja;2.1.5";
        QTest::newRow("7") << 7 << true << "RGBZaldo;en;2.1.5";
        QTest::newRow("-1, launch fails") << -1 << false << "RGBZaldo;en;2.1.5";
    }
    void updaterParameter()
    {
        QFETCH(int, language);
        QFETCH(bool, launched);
        QFETCH(QString, parameter);
        QCOMPARE(::updaterParameter(language, "2.1.5"), parameter);
        UpdateRig rig;
        rig.state.languageIndex = language;
        rig.launcher.result = launched;
        rig.create().startUpdate();
        QCOMPARE(rig.launcher.parameters, QStringList{parameter});
        QCOMPARE(rig.started->count(), launched ? 1 : 0); // a failed start is quiet
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
};

QTEST_GUILESS_MAIN(TestUpdateProtocol)
#include "test_updateprotocol.moc"
