#include "app/controllerstate.h"
#include "device/devicelink.h"
#include "device/hidtransport.h"

#include <QtTest>

#include <cstring>
#include <deque>

namespace {
// A box whose replies the test controls; records how long each read may wait.
struct ScriptedBox {
    bool answers = false;
    std::deque<int> lateReplies;  // replies that arrive between exchanges
    QList<int> timeouts;          // of the reads that follow a write
    bool afterWrite = false;
};

class ScriptedDevice : public HidDevice {
public:
    explicit ScriptedDevice(ScriptedBox &box) : m_box(box) {}
    int write(const std::uint8_t *, std::size_t length) override
    {
        m_box.afterWrite = true;
        return static_cast<int>(length);
    }
    int read(std::uint8_t *data, std::size_t length, int timeoutMs) override
    {
        if (!m_box.afterWrite) {  // draining before a write
            if (m_box.lateReplies.empty())
                return 0;
            m_box.lateReplies.pop_front();
            std::memset(data, 0, length);
            return 64;
        }
        m_box.afterWrite = false;
        m_box.timeouts << timeoutMs;
        if (!m_box.answers)
            return 0;
        std::memset(data, 0, length);
        return 64;
    }

private:
    ScriptedBox &m_box;
};

class ScriptedTransport : public HidTransport {
public:
    ScriptedBox box;
    std::unique_ptr<HidDevice> open(std::uint16_t, std::uint16_t productId) override
    {
        if (productId != productIdForBox(0))
            return nullptr;
        return std::make_unique<ScriptedDevice>(box);
    }
    int countDevices(std::uint16_t, std::uint16_t productId) override { return productId == productIdForBox(0); }
};
} // namespace

// A box that stops answering must not cost every later exchange the full wait.
class TestSilentBox : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void silentBoxIsNotWaitedFor()
    {
        ControllerState state;
        ScriptedTransport transport;
        DeviceLink link(state, transport);
        transport.box.answers = true;
        link.connectAllBoxes();
        QVERIFY(state.boxArray[0].isConnected);
        transport.box.timeouts.clear();

        transport.box.answers = false;
        for (int i = 0; i < 45; ++i)
            link.setFanLedCycle(0, 0);
        const QList<int> &t = transport.box.timeouts;
        QCOMPARE(t.size(), 45);
        for (int i = 0; i < 45; ++i) {
            const int missedBefore = i;
            const bool waits = missedBefore < DeviceLink::kSilentAfterMisses
                               || missedBefore % DeviceLink::kSilentProbeEvery == 0;
            QCOMPARE(t.at(i), waits ? DeviceLink::kReplyTimeoutMs : 0);
        }
        // The state of the box is untouched by the misses.
        QVERIFY(state.boxArray[0].isConnected);
    }

    void answerRestoresTheWait()
    {
        ControllerState state;
        ScriptedTransport transport;
        DeviceLink link(state, transport);
        transport.box.answers = true;
        link.connectAllBoxes();
        transport.box.answers = false;
        for (int i = 0; i < 5; ++i)
            link.setFanLedCycle(0, 1);
        transport.box.timeouts.clear();

        // A late reply found while draining shows the box is alive again.
        transport.box.lateReplies.push_back(1);
        link.setFanLedCycle(0, 1);
        link.setFanLedCycle(0, 1);
        QCOMPARE(transport.box.timeouts.first(), DeviceLink::kReplyTimeoutMs);

        // So does a reply in time.
        for (int i = 0; i < 5; ++i)
            link.setFanLedCycle(0, 1);
        transport.box.answers = true;
        transport.box.timeouts.clear();
        link.setFanLedCycle(0, 1);  // silent: only what is there is taken
        link.setFanLedCycle(0, 1);
        QCOMPARE(transport.box.timeouts, (QList<int>{0, DeviceLink::kReplyTimeoutMs}));

        // A new scan starts every box afresh.
        transport.box.answers = false;
        for (int i = 0; i < 5; ++i)
            link.setFanLedCycle(0, 1);
        link.connectAllBoxes();
        transport.box.timeouts.clear();
        link.setFanLedCycle(0, 1);
        QCOMPARE(transport.box.timeouts, QList<int>{DeviceLink::kReplyTimeoutMs});
    }
};

QTEST_GUILESS_MAIN(TestSilentBox)
#include "test_silentbox.moc"
