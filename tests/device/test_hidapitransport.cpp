// The hidapi side, as far as it can be checked without a box.
#include "device/hidapitransport.h"

#include <QtTest>

#include <cerrno>

class TestHidapiTransport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Interrupted calls are retried with what is left of the time-out; real
    // errors and endless interrupts are not.
    void retryInterrupted()
    {
        QList<int> given;
        const auto run = [&given](QList<int> script, bool endless, int timeoutMs) {
            given.clear();
            return HidapiTransport::retryInterrupted(
                [&](int remaining) {
                    given.append(remaining);
                    if (script.isEmpty() && !endless)
                        return 5;
                    errno = script.isEmpty() ? EINTR : script.takeFirst();
                    if (given.size() == 1 && timeoutMs > 0)
                        QThread::msleep(20);
                    return -1;
                },
                timeoutMs);
        };
        QCOMPARE(run({EINTR, EINTR}, false, -1), 5);
        QCOMPARE(given, (QList<int>{-1, -1, -1}));  // no time-out stays none
        QCOMPARE(run({EIO}, false, 50), -1);
        QCOMPARE(given.size(), 1);
        QCOMPARE(run({}, true, 0), -1);
        QVERIFY(given.size() > 1 && given.size() < 100);
        QCOMPARE(run({EINTR}, false, 50), 5);
        QVERIFY(given.size() == 2 && given[0] == 50 && given[1] >= 0 && given[1] <= 30);
    }

    void wildcardIdsAreRefused()
    {
        HidapiTransport transport;
        // hidapi reads 0 as "any device"; the transport must never do that.
        QVERIFY(!transport.open(0, 0));
        QVERIFY(!transport.open(kControllerVendorId, 0));
        QCOMPARE(transport.countDevices(0, productIdForBox(0)), 0);
        QVERIFY(transport.unopenableDevices(0, 0).empty());
    }

    // Why a listed node did not open (a directory fails even for root).
    void openError()
    {
        QTemporaryDir dir;
        QFile node(dir.filePath(QStringLiteral("hidraw0")));
        QVERIFY(node.open(QIODevice::WriteOnly));
        QCOMPARE(HidapiTransport::openError(qPrintable(node.fileName())), 0);
        QCOMPARE(HidapiTransport::openError(qPrintable(dir.filePath(QStringLiteral("gone")))), ENOENT);
        QCOMPARE(HidapiTransport::openError(qPrintable(dir.path())), EISDIR);
    }
};

QTEST_GUILESS_MAIN(TestHidapiTransport)
#include "test_hidapitransport.moc"
