// The hidapi side, as far as it can be checked without a box.
#include "device/hidapitransport.h"

#include <QtTest>

#include <cerrno>

class TestHidapiTransport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void interruptedCallIsRetried();
    void remainingTimeShrinks();
    void realErrorIsNotRetried();
    void endlessInterruptsGiveUp();
    void wildcardIdsAreRefused();
};

void TestHidapiTransport::interruptedCallIsRetried()
{
    int calls = 0;
    QList<int> given;
    const int result = HidapiTransport::retryInterrupted(
        [&](int remaining) {
            given.append(remaining);
            if (++calls < 3) {
                errno = EINTR;
                return -1;
            }
            return 5;
        },
        -1);
    QCOMPARE(result, 5);
    QCOMPARE(given, (QList<int>{-1, -1, -1}));
}

void TestHidapiTransport::remainingTimeShrinks()
{
    QList<int> given;
    HidapiTransport::retryInterrupted(
        [&](int remaining) {
            given.append(remaining);
            if (given.size() == 1) {
                QThread::msleep(20);
                errno = EINTR;
                return -1;
            }
            return 0;
        },
        50);
    QCOMPARE(given.size(), 2);
    QCOMPARE(given[0], 50);
    QVERIFY(given[1] >= 0 && given[1] <= 30);
}

void TestHidapiTransport::realErrorIsNotRetried()
{
    int calls = 0;
    const int result = HidapiTransport::retryInterrupted(
        [&](int) {
            ++calls;
            errno = EIO;
            return -1;
        },
        50);
    QCOMPARE(result, -1);
    QCOMPARE(calls, 1);
}

void TestHidapiTransport::endlessInterruptsGiveUp()
{
    int calls = 0;
    const int result = HidapiTransport::retryInterrupted(
        [&](int) {
            ++calls;
            errno = EINTR;
            return -1;
        },
        0);
    QCOMPARE(result, -1);
    QVERIFY(calls > 1 && calls < 100);
}

void TestHidapiTransport::wildcardIdsAreRefused()
{
    HidapiTransport transport;
    // hidapi reads 0 as "any device"; the transport must never do that.
    QVERIFY(!transport.open(0, 0));
    QVERIFY(!transport.open(kControllerVendorId, 0));
    QCOMPARE(transport.countDevices(0, 0), 0);
    QCOMPARE(transport.countDevices(0, productIdForBox(0)), 0);
}

QTEST_GUILESS_MAIN(TestHidapiTransport)
#include "test_hidapitransport.moc"
