// The hidapi side, as far as it can be checked without a box.
#include "device/hidapitransport.h"

#include <QtTest>

#include <cerrno>

namespace {
// Fails with each errno of the script in turn (EINTR when it runs out and
// endless is set), then returns 5. Records the time-out of every call.
int runScript(QList<int> script, bool endless, int timeoutMs, QList<int> *given)
{
    return HidapiTransport::retryInterrupted(
        [&](int remaining) {
            given->append(remaining);
            if (script.isEmpty() && !endless)
                return 5;
            errno = script.isEmpty() ? EINTR : script.takeFirst();
            if (given->size() == 1 && timeoutMs > 0)
                QThread::msleep(20);
            return -1;
        },
        timeoutMs);
}
} // namespace

class TestHidapiTransport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void retryInterrupted()
    {
        QList<int> given;
        QCOMPARE(runScript({EINTR, EINTR}, false, -1, &given), 5);
        QCOMPARE(given, (QList<int>{-1, -1, -1}));  // no time-out stays none

        given.clear();
        QCOMPARE(runScript({EIO}, false, 50, &given), -1);
        QCOMPARE(given.size(), 1);  // a real error is not retried

        given.clear();
        QCOMPARE(runScript({}, true, 0, &given), -1);
        QVERIFY(given.size() > 1 && given.size() < 100);  // endless interrupts give up

        given.clear();  // the retry only gets what is left of the time-out
        QCOMPARE(runScript({EINTR}, false, 50, &given), 5);
        QCOMPARE(given.size(), 2);
        QCOMPARE(given[0], 50);
        QVERIFY(given[1] >= 0 && given[1] <= 30);
    }

    void wildcardIdsAreRefused()
    {
        HidapiTransport transport;
        // hidapi reads 0 as "any device"; the transport must never do that.
        QVERIFY(!transport.open(0, 0));
        QVERIFY(!transport.open(kControllerVendorId, 0));
        QCOMPARE(transport.countDevices(0, 0), 0);
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
