#include "app/options.h"

#include <QtTest>

class TestOptions : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void accepted_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("boxes");
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("stalled");
        QTest::newRow("nothing") << QStringList() << "" << "" << 0;
        QTest::newRow("two boxes") << QStringList{"--emulate", "0,2"} << "0,2" << "" << 0;
        QTest::newRow("duplicate") << QStringList{"--emulate", "3,3"} << "3,3" << "" << 0;
        QTest::newRow("file") << QStringList{"--emulate", "@/tmp/boxes"} << "" << "/tmp/boxes" << 0;
        QTest::newRow("stalled") << QStringList{"--emulate", "2", "--emulate-stalled", "2.1,2.2"} << "2" << "" << 2;
    }
    void accepted()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, boxes);
        QFETCH(QString, file);
        QFETCH(int, stalled);
        ProgramOptions o;
        QString error;
        QVERIFY2(parseProgramOptions(args, &o, &error), qPrintable(error));
        QStringList got;
        for (int b : o.emulatedBoxes)
            got << QString::number(b);
        QCOMPARE(got.join(','), boxes);
        QCOMPARE(o.emulatedBoxFile, file);
        QCOMPARE(o.stalledFans.size(), stalled);
    }

    void refused_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("unknown") << QStringList{"--frobnicate"};
        QTest::newRow("box 16") << QStringList{"--emulate", "0,16"};
        QTest::newRow("not a number") << QStringList{"--emulate", "a"};
        QTest::newRow("empty item") << QStringList{"--emulate", "0,,2"};
        QTest::newRow("missing value") << QStringList{"--emulate"};
        QTest::newRow("fan 3") << QStringList{"--emulate", "0", "--emulate-stalled", "0.3"};
        QTest::newRow("trace without emulation") << QStringList{"--emulate-trace", "/tmp/t"};
        QTest::newRow("send garbage") << QStringList{"--send", "0x81zz"};
        QTest::newRow("send missing") << QStringList{"--send"};
    }
    void refused()
    {
        QFETCH(QStringList, args);
        ProgramOptions o;
        QString error;
        QVERIFY(!parseProgramOptions(args, &o, &error));
        QVERIFY(!error.isEmpty());
    }

    void sendNumbers()
    {
        ProgramOptions o;
        QString error;
        QVERIFY(parseProgramOptions({"--send", "0x8112", "3", "1"}, &o, &error));
        QVERIFY(o.send);
        QCOMPARE(o.message, 0x8112u);
        QCOMPARE(o.wParam, 3);
        QCOMPARE(o.lParam, 1);

        ProgramOptions p;
        QVERIFY(parseProgramOptions({"--send", "33028"}, &p, &error));
        QCOMPARE(p.message, 0x8104u);
        QCOMPARE(p.wParam, 0);
        QCOMPARE(p.lParam, 0);

        ProgramOptions q;
        QVERIFY(parseProgramOptions({"--send", "0x8118", "0xFF00", "2"}, &q, &error));
        QCOMPARE(q.wParam, 0xFF00);
    }
};

QTEST_GUILESS_MAIN(TestOptions)
#include "test_options.moc"
