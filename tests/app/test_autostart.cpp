#include "app/autostart.h"

#include <QtTest>

class TestAutoStart : public QObject {
    Q_OBJECT
private:
    static void writeEntry(const QString &path, const QString &exec)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[Desktop Entry]\nType=Application\nExec=" + exec.toUtf8() + "\n");
    }

private Q_SLOTS:
    void onWritesEntryWithProgramPath()
    {
        QTemporaryDir home;
        XdgAutoStartStore store(home.path());
        QCOMPARE(store.entryPath(), home.path() + "/autostart/Brenvar RGB Fan Controller.desktop");
        const QString program = "/opt/my apps/brenvar-rgb-fan-controller";
        setAutoRun(store, true, program);
        QString command;
        QVERIFY(store.read(&command));
        QCOMPARE(command, program);
        QFile f(store.entryPath());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray text = f.readAll();
        QVERIFY(text.contains("Exec=\"/opt/my apps/brenvar-rgb-fan-controller\"\n"));
        QVERIFY(text.startsWith("[Desktop Entry]\n"));
    }

    void offRemovesOurEntry()
    {
        QTemporaryDir home;
        XdgAutoStartStore store(home.path());
        setAutoRun(store, true, "/usr/bin/brenvar-rgb-fan-controller");
        QVERIFY(QFile::exists(store.entryPath()));
        setAutoRun(store, false, "/usr/bin/brenvar-rgb-fan-controller");
        QVERIFY(!QFile::exists(store.entryPath()));
    }

    void entryInOtherFolderWithOurNameIsKept()
    {
        QTemporaryDir home;
        XdgAutoStartStore store(home.path());
        writeEntry(store.entryPath(), "/old/place/brenvar-rgb-fan-controller");
        setAutoRun(store, true, "/new/place/brenvar-rgb-fan-controller");
        QString command;
        QVERIFY(store.read(&command));
        QCOMPARE(command, QString("/old/place/brenvar-rgb-fan-controller"));
    }

    void foreignEntryReplacedWhenOnKeptWhenOff()
    {
        QTemporaryDir home;
        XdgAutoStartStore store(home.path());
        writeEntry(store.entryPath(), "/usr/bin/something-else --flag");
        setAutoRun(store, false, "/usr/bin/brenvar-rgb-fan-controller");
        QVERIFY(QFile::exists(store.entryPath()));
        setAutoRun(store, true, "/usr/bin/brenvar-rgb-fan-controller");
        QString command;
        QVERIFY(store.read(&command));
        QCOMPARE(command, QString("/usr/bin/brenvar-rgb-fan-controller"));
    }

    void marksDiffer()
    {
        QVERIFY(autoRunMark(true) != autoRunMark(false));
        QVERIFY(!autoRunMark(true).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestAutoStart)
#include "test_autostart.moc"
