// A box that stops answering must not cost every later exchange the full wait.
#include "core/controllerstate.h"
#include "device/devicelink.h"
#include "core/hidtransport.h"

#include <QtTest>

#include <cstring>

namespace {
// Box 0 only, with replies the test controls; records the time-out of each read
// that follows a write.
struct ScriptedTransport : HidTransport, HidDevice {
    bool answers = true;
    int lateReplies = 0;  // replies that arrive between exchanges
    bool afterWrite = false;
    QList<int> timeouts;

    struct Handle : HidDevice {
        explicit Handle(HidDevice &box) : box(box) {}
        int write(const std::uint8_t *d, std::size_t n) override { return box.write(d, n); }
        int read(std::uint8_t *d, std::size_t n, int t) override { return box.read(d, n, t); }
        HidDevice &box;
    };
    std::unique_ptr<HidDevice> open(std::uint16_t, std::uint16_t productId) override
    {
        return productId == productIdForBox(0) ? std::make_unique<Handle>(*this) : nullptr;
    }
    int countDevices(std::uint16_t, std::uint16_t productId) override { return productId == productIdForBox(0); }
    int write(const std::uint8_t *, std::size_t length) override
    {
        afterWrite = true;
        return static_cast<int>(length);
    }
    int read(std::uint8_t *data, std::size_t length, int timeoutMs) override
    {
        if (afterWrite) {
            afterWrite = false;
            timeouts << timeoutMs;
            if (!answers)
                return 0;
        } else if (lateReplies > 0) {
            --lateReplies;  // found while draining
        } else {
            return 0;
        }
        std::memset(data, 0, length);
        return 64;
    }
};

struct Rig {
    ControllerState state;
    ScriptedTransport t;
    DeviceLink link{state, t};
    Rig() { link.connectAllBoxes(); }
    void exchanges(int n)
    {
        for (int i = 0; i < n; ++i)
            link.setFanLedCycle(0, 1);
    }
};
} // namespace

class TestSilentBox : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void silentBoxIsNotWaitedFor()
    {
        Rig rig;
        QVERIFY(rig.state.boxArray[0].isConnected);
        rig.t.timeouts.clear();
        rig.t.answers = false;
        rig.exchanges(45);
        // Waits for the first misses, then only probes now and then.
        QList<int> expected;
        for (int missed = 0; missed < 45; ++missed)
            expected << (missed < DeviceLink::kSilentAfterMisses || missed % DeviceLink::kSilentProbeEvery == 0
                             ? DeviceLink::kReplyTimeoutMs : 0);
        QCOMPARE(rig.t.timeouts, expected);
        QVERIFY(rig.state.boxArray[0].isConnected);  // the misses leave the box alone
    }

    void answerRestoresTheWait()
    {
        Rig rig;
        rig.t.answers = false;
        rig.exchanges(5);
        // A late reply found while draining shows the box is alive again.
        rig.t.timeouts.clear();
        rig.t.lateReplies = 1;
        rig.exchanges(2);
        QCOMPARE(rig.t.timeouts.first(), DeviceLink::kReplyTimeoutMs);
        // So does a reply in time.
        rig.exchanges(5);
        rig.t.answers = true;
        rig.t.timeouts.clear();
        rig.exchanges(2);  // the first, still silent, only takes what is there
        QCOMPARE(rig.t.timeouts, (QList<int>{0, DeviceLink::kReplyTimeoutMs}));
        // A new scan starts every box afresh.
        rig.t.answers = false;
        rig.exchanges(5);
        rig.link.connectAllBoxes();
        rig.t.timeouts.clear();
        rig.exchanges(1);
        QCOMPARE(rig.t.timeouts, QList<int>{DeviceLink::kReplyTimeoutMs});
    }
};

QTEST_GUILESS_MAIN(TestSilentBox)
#include "test_silentbox.moc"
