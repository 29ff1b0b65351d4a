#include "update/updaterlauncher.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

class TestUpdaterLauncher : public QObject {
    Q_OBJECT

private:
    static void writeScript(const QString &path, const QByteArray &body, bool executable)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("#!/bin/sh\n" + body);
        f.close();
        QFile::Permissions p = QFile::ReadOwner | QFile::WriteOwner;
        if (executable)
            p |= QFile::ExeOwner;
        QVERIFY(f.setPermissions(p));
    }
    static QByteArray readAll(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private Q_SLOTS:
    void startsBesideProgramWithOneArgument()
    {
        QTemporaryDir dir;
        const QString out = dir.path() + "/out.txt";
        // Writes to a temporary name first so the test never sees half a file.
        writeScript(dir.path() + "/BrenvarUpdate",
                    "{ pwd; echo \"$#\"; printf '%s\\n' \"$1\"; } > out.tmp && mv out.tmp out.txt\n", true);
        ProcessUpdaterLauncher launcher(dir.path());
        QCOMPARE(launcher.programPath(), dir.path() + "/BrenvarUpdate");
        QVERIFY(launcher.launch("RGBZaldo;de;2.1.5"));
        QTRY_VERIFY(QFile::exists(out));
        const QList<QByteArray> lines = readAll(out).split('\n');
        QCOMPARE(QDir(QString::fromLocal8Bit(lines.value(0))).canonicalPath(), QDir(dir.path()).canonicalPath());
        QCOMPARE(lines.value(1), QByteArray("1"));
        QCOMPARE(lines.value(2), QByteArray("RGBZaldo;de;2.1.5"));
    }

    void missingUpdater()
    {
        QTemporaryDir dir;
        ProcessUpdaterLauncher launcher(dir.path());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^updater missing:"));
        QVERIFY(!launcher.launch("RGBZaldo;en;2.1.5"));
    }

    void notExecutable()
    {
        QTemporaryDir dir;
        writeScript(dir.path() + "/BrenvarUpdate", "touch ran\n", false);
        ProcessUpdaterLauncher launcher(dir.path());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^updater missing:"));
        QVERIFY(!launcher.launch("RGBZaldo;en;2.1.5"));
        QVERIFY(!QFile::exists(dir.path() + "/ran"));
    }

    void defaultsToProgramDirectory()
    {
        ProcessUpdaterLauncher launcher;
        QCOMPARE(launcher.programPath(), QCoreApplication::applicationDirPath() + "/BrenvarUpdate");
    }
};

QTEST_GUILESS_MAIN(TestUpdaterLauncher)
#include "test_updaterlauncher.moc"
