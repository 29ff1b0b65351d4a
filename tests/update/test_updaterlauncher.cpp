#include "update/updaterlauncher.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

class TestUpdaterLauncher : public QObject {
    Q_OBJECT

    static void writeScript(const QString &path, const QByteArray &body, bool executable)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("#!/bin/sh\n" + body);
        f.close();
        QVERIFY(f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | (executable ? QFile::ExeOwner : QFile::Permissions())));
    }

private Q_SLOTS:
    void startsBesideProgramWithOneArgument()
    {
        QCOMPARE(ProcessUpdaterLauncher().programPath(), QCoreApplication::applicationDirPath() + "/BrenvarUpdate");
        QTemporaryDir dir;
        // Writes to a temporary name first so the test never sees half a file.
        writeScript(dir.path() + "/BrenvarUpdate",
                    "{ pwd; echo \"$#\"; printf '%s\\n' \"$1\"; } > out.tmp && mv out.tmp out.txt\n", true);
        ProcessUpdaterLauncher launcher(dir.path());
        QCOMPARE(launcher.programPath(), dir.path() + "/BrenvarUpdate");
        QVERIFY(launcher.launch("RGBZaldo;de;2.1.5"));
        QFile out(dir.path() + "/out.txt");
        QTRY_VERIFY(out.exists());
        QVERIFY(out.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = out.readAll().split('\n');
        QCOMPARE(QDir(QString::fromLocal8Bit(lines.value(0))).canonicalPath(), QDir(dir.path()).canonicalPath());
        QCOMPARE(lines.mid(1, 2), (QList<QByteArray>{"1", "RGBZaldo;de;2.1.5"}));
    }

    void missingOrNotExecutable()
    {
        QTemporaryDir dir;
        ProcessUpdaterLauncher launcher(dir.path());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^updater missing:"));
        QVERIFY(!launcher.launch("RGBZaldo;en;2.1.5"));
        writeScript(dir.path() + "/BrenvarUpdate", "touch ran\n", false);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^updater missing:"));
        QVERIFY(!launcher.launch("RGBZaldo;en;2.1.5"));
        QVERIFY(!QFile::exists(dir.path() + "/ran"));
    }
};

QTEST_GUILESS_MAIN(TestUpdaterLauncher)
#include "test_updaterlauncher.moc"
