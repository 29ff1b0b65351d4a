#include "app/autostart.h"

#include <QtTest>

class TestAutoStart : public QObject {
    Q_OBJECT
private:
    static void writeEntry(const QString &path, const QString &exec, const QByteArray &extra = QByteArray())
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[Desktop Entry]\nType=Application\nExec=" + exec.toUtf8() + "\n" + extra);
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

    // The desktop's own switch for an entry: such an entry starts nothing.
    void entryDisabledByDesktopIsRewritten_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("Hidden") << QByteArray("Hidden=true\n");
        QTest::newRow("GNOME switch") << QByteArray("X-GNOME-Autostart-enabled=false\n");
    }
    void entryDisabledByDesktopIsRewritten()
    {
        QFETCH(QByteArray, line);
        QTemporaryDir home;
        XdgAutoStartStore store(home.path());
        const QString program = "/usr/bin/brenvar-rgb-fan-controller";
        writeEntry(store.entryPath(), program, line);
        QString command;
        QVERIFY(!store.read(&command));
        setAutoRun(store, true, program);
        QVERIFY(store.read(&command));
        QFile f(store.entryPath());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray text = f.readAll();
        QVERIFY(!text.contains(line));
        QVERIFY(text.contains("X-GNOME-Autostart-enabled=true\n"));
    }

    void marksDiffer()
    {
        QVERIFY(autoRunMark(true) != autoRunMark(false));
        QVERIFY(!autoRunMark(true).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestAutoStart)
#include "test_autostart.moc"
