#include "app/autostart.h"

#include <QtTest>

// The autostart entry after switching, starting from what was in the folder.
class TestAutoStart : public QObject {
    Q_OBJECT
    const QString program = QStringLiteral("/opt/my apps/brenvar-rgb-fan-controller");

private Q_SLOTS:
    void switching_data()
    {
        QTest::addColumn<QByteArray>("before"); // entry already there ("" none)
        QTest::addColumn<bool>("on");
        QTest::addColumn<QString>("command");   // the one read back ("" no entry that starts anything)
        QTest::addColumn<bool>("exists");
        const QByteArray ours = "Exec=\"/opt/my apps/brenvar-rgb-fan-controller\"\n";
        QTest::newRow("on, none") << QByteArray() << true << program << true;
        QTest::newRow("off removes ours") << ours << false << QString() << false;
        // An older copy of ours elsewhere still starts us: left alone.
        QTest::newRow("ours from another folder kept")
            << QByteArray("Exec=/old/place/brenvar-rgb-fan-controller\n") << true
            << "/old/place/brenvar-rgb-fan-controller" << true;
        QTest::newRow("foreign kept when off") << QByteArray("Exec=/usr/bin/other --flag\n") << false
                                               << "/usr/bin/other" << true;
        QTest::newRow("foreign replaced when on") << QByteArray("Exec=/usr/bin/other --flag\n") << true << program << true;
        // The desktop's own switch for an entry: such an entry starts nothing.
        QTest::newRow("Hidden rewritten") << ours + "Hidden=true\n" << true << program << true;
        QTest::newRow("GNOME switch rewritten") << ours + "X-GNOME-Autostart-enabled=false\n" << true << program << true;
    }
    void switching()
    {
        QFETCH(QByteArray, before);
        QFETCH(bool, on);
        QFETCH(QString, command);
        QFETCH(bool, exists);
        QTemporaryDir home;
        XdgAutoStartStore store(home.path());
        QCOMPARE(store.entryPath(), home.path() + "/autostart/Brenvar RGB Fan Controller.desktop");
        if (!before.isEmpty()) {
            QDir().mkpath(home.path() + "/autostart");
            QFile f(store.entryPath());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("[Desktop Entry]\nType=Application\n" + before);
        }
        setAutoRun(store, on, program);
        QString got;
        QCOMPARE(store.read(&got), !command.isEmpty());
        QCOMPARE(got, command);
        QCOMPARE(QFile::exists(store.entryPath()), exists);
        QFile f(store.entryPath());
        if (on && command == program) {
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QByteArray text = f.readAll();
            QVERIFY(text.startsWith("[Desktop Entry]\n") && text.contains("Exec=\"" + program.toUtf8() + "\"\n"));
            QVERIFY(text.contains("X-GNOME-Autostart-enabled=true\n") && !text.contains("Hidden=true"));
        }
    }
};

QTEST_GUILESS_MAIN(TestAutoStart)
#include "test_autostart.moc"
