// The OpenRGB SDK server over loopback, against a backend that records its calls.
#include "commands/openrgbbridge.h"
#include "commands/openrgbserver.h"
#include "common/coreharness.h"

#include <QElapsedTimer>
#include <QtEndian>
#include <QLoggingCategory>
#include <QTcpSocket>
#include <QtTest>

#include <memory>

using namespace OpenRgb;

namespace {
QString hex(OpenRgbColour c) { return QString::asprintf("%02X%02X%02X", c.red, c.green, c.blue); }
QString hex(const std::vector<OpenRgbColour> &cs)
{
    QStringList l;
    for (auto c : cs)
        l << hex(c);
    return l.join(',');
}

struct FakeBackend : OpenRgbBackend {
    std::vector<OpenRgbController> boxes;
    QStringList calls;
    int controllerCount() const override { return int(boxes.size()); }
    OpenRgbController describe(int i) const override { return boxes.at(size_t(i)); }
    void setLeds(int i, const std::vector<OpenRgbColour> &c) override { calls << QString("leds %1 %2").arg(i).arg(hex(c)); }
    void setZoneLeds(int i, int z, const std::vector<OpenRgbColour> &c) override { calls << QString("zone %1 %2 %3").arg(i).arg(z).arg(hex(c)); }
    void setSingleLed(int i, int led, OpenRgbColour c) override { calls << QString("led %1 %2 %3").arg(i).arg(led).arg(hex(c)); }
    void setMode(int i, OpenRgbMode m, OpenRgbColour c, std::optional<int> b) override
    {
        calls << QString("mode %1 %2 %3 %4").arg(i).arg(int(m)).arg(hex(c)).arg(b ? QString::number(*b) : "-");
    }
    void saveMode(int i) override { calls << QString("save %1").arg(i); }
    QStringList profileNames() const override { return {"Profile 1", "Profile 2", "Profile 3", "Profile 4", "Profile 5"}; }
    void loadProfile(int n) override { calls << QString("load %1").arg(n); }
    void saveProfile(int n) override { calls << QString("store %1").arg(n); }
};

// The wire written out by hand from the published field tables.
QByteArray u32(quint32 v) { return QByteArray(reinterpret_cast<const char *>(&v), 4); }
QByteArray u16(quint16 v) { return QByteArray(reinterpret_cast<const char *>(&v), 2); }
QByteArray text(const QString &s) { return u16(quint16(s.toUtf8().size() + 1)) + s.toUtf8() + '\0'; }
QByteArray rgb(OpenRgbColour c) { return QByteArray(1, char(c.red)) + char(c.green) + char(c.blue) + '\0'; }
QByteArray packet(quint32 dev, quint32 id, const QByteArray &p = {}) { return "ORGB" + u32(dev) + u32(id) + u32(quint32(p.size())) + p; }
QByteArray sized(const QByteArray &body) { return u32(quint32(body.size() + 4)) + body; }

OpenRgbController box(int number, int fans)
{
    OpenRgbController c{number, QString("1-%1:1.0").arg(number), "1.2", OpenRgbMode::Static, {}, {10, 20, 30}, 70};
    for (int f = 0; f < fans; ++f)
        c.leds.push_back({quint8(f), 0x80, 0xFF});
    return c;
}

QByteArray expectedData(const OpenRgbController &c, quint32 v)
{
    QByteArray d = u32(3) + text(c.name()) + (v >= 1 ? text("Brenvar") : QByteArray()) + text("Zaldo RGB fan controller box")
        + text(c.firmware) + text(c.serial()) + text(c.location()) + u16(5) + u32(quint32(c.activeMode));
    const struct { const char *name; quint32 flags, colourMode; } modes[] = {
        {"Direct", 0x130, 1}, {"Static", 0x150, 2}, {"Colour cycle", 0x100, 0}, {"Flashing", 0x150, 2}, {"Off", 0x100, 0}};
    for (quint32 m = 0; m < 5; ++m) {
        const bool colour = modes[m].colourMode == 2, bright = v >= 3;
        d += text(modes[m].name) + u32(m) + u32(modes[m].flags & (v >= 3 ? 0x3FF : 0xFF)) + u32(0) + u32(0)
            + (bright ? u32(0) + u32(100) : "") + u32(colour) + u32(colour) + u32(0) + (bright ? u32(70) : "") + u32(0)
            + u32(modes[m].colourMode) + u16(colour) + (colour ? rgb(c.modeColour) : "");
    }
    QByteArray zones = u16(quint16(c.leds.size())), leds = zones, colours = zones;
    for (quint32 f = 0; f < c.leds.size(); ++f) {
        zones += text(QString("Fan %1").arg(f + 1)) + u32(0) + u32(1) + u32(1) + u32(1) + u16(0) + (v >= 4 ? u16(0) : "");
        leds += text(QString("Fan %1").arg(f + 1)) + u32(f);
        colours += rgb(c.leds[f]);
    }
    return sized(d + zones + leds + colours);
}

// An update-mode payload: mode m in version v's layout, mode colour 010203.
QByteArray mode(qint32 m, quint32 v, quint32 brightness)
{
    QByteArray b = text("x") + u32(0) + u32(0) + u32(0) + u32(0) + (v >= 3 ? u32(0) + u32(100) : "") + u32(1) + u32(1)
        + u32(0) + (v >= 3 ? u32(brightness) : "") + u32(0) + u32(2) + u16(1) + rgb({1, 2, 3});
    return sized(u32(quint32(m)) + b);
}

// A client on loopback; reply() waits up to five seconds for size bytes.
struct Client {
    std::unique_ptr<QTcpSocket> s = std::make_unique<QTcpSocket>();
    explicit Client(quint16 port) { s->connectToHost(QHostAddress::LocalHost, port), s->waitForConnected(3000); }
    QByteArray reply(int size)
    {
        QByteArray got;
        QElapsedTimer t;
        for (t.start(); (got += s->read(size - got.size())).size() < size && t.elapsed() < 5000;)
            QTest::qWait(2);
        return got;
    }
    bool closed() { return QTest::qWaitFor([&] { return s->state() == QAbstractSocket::UnconnectedState; }, 5000); }
    // Served: answers the controller count.
    bool served() { return s->write(packet(0, 0)) && reply(20) == packet(0, 0, u32(2)); }
};
} // namespace

class TestOpenRgb : public QObject {
    Q_OBJECT
    FakeBackend backend;
    std::unique_ptr<OpenRgbServer> server;
private Q_SLOTS:
    void init()
    {
        QLoggingCategory::setFilterRules("zaldo.openrgb.debug=false");
        backend.boxes = {box(1, 3), box(3, 4)}, backend.calls.clear();
        server = std::make_unique<OpenRgbServer>(backend);
        QVERIFY(!server->isListening() && server->listen(QHostAddress::LocalHost, 0));
    }

    // The client's version request gets the lower of its and ours; the
    // controller data then comes in that version's layout, for 3 and 4 fans.
    void versionsAndControllerData()
    {
        for (auto [offered, got] : {std::pair{0u, 0u}, {1u, 1u}, {3u, 3u}, {4u, 4u}, {5u, 4u}, {99u, 4u}}) {
            Client c(server->serverPort());
            c.s->write(packet(0, 40, u32(offered)));
            QCOMPARE(c.reply(20), packet(0, 40, u32(got)));
            for (quint32 dev : {0u, 1u}) {
                const QByteArray want = expectedData(backend.boxes[dev], got);
                c.s->write(packet(dev, 1, got ? u32(got) : QByteArray()));
                QCOMPARE(c.reply(16 + want.size()), packet(dev, 1, want));
                QCOMPARE(controllerData(backend.boxes[dev], got), want);
            }
        }
    }

    // Each packet, sent after negotiating the version, and the backend calls it makes.
    void packetsReachTheBackend()
    {
        const QList<std::tuple<quint32, QByteArray, QString>> rows{
            {4, packet(1, 1050, sized(u16(2) + rgb({255, 0, 0}) + rgb({0, 0, 9}))), "leds 1 FF0000,000009"},
            {4, packet(1, 1051, sized(u32(3) + u16(1) + rgb({1, 1, 1}))), "zone 1 3 010101"},
            {4, packet(1, 1051, sized(u32(4) + u16(1) + rgb({1, 1, 1}))), ""},  // no zone 4
            {4, packet(0, 1052, u32(2) + rgb({7, 8, 9})), "led 0 2 070809"},
            {4, packet(0, 1052, u32(3) + rgb({7, 8, 9})), ""},
            {4, packet(0, 1100), "mode 0 0 0A141E -"},
            {3, packet(1, 1101, mode(1, 3, 40)), "mode 1 1 010203 40"},
            {3, packet(1, 1101, mode(2, 3, 40)), "mode 1 2 010203 -"},  // cycle has no brightness
            {1, packet(1, 1101, mode(3, 1, 40)), "mode 1 3 010203 -"},  // nor has version 1
            {3, packet(1, 1101, mode(4, 3, 250)), "mode 1 4 010203 -"}, {3, packet(1, 1101, mode(5, 3, 40)), ""},
            {3, packet(0, 1101, mode(1, 3, 101)), ""}, {4, packet(0, 1102, mode(3, 4, 0)), "mode 0 3 010203 0|save 0"},
            {4, packet(1, 1000, u32(0) + u32(8)), ""}, {4, packet(0, 50, "OpenRGB\0"), ""},
            {4, packet(0, 152, QByteArray("Profile 3\0", 10)), "load 2"}, {4, packet(0, 151, "Profile 5"), "store 4"},
            {4, packet(0, 152, "Nope"), ""}, {4, packet(0, 153, "Profile 1"), ""}, {4, packet(7, 1050, sized(u16(0))), ""},
            {4, packet(0, 7777, QByteArray(300, 'x')), ""}, {4, packet(0, 100), ""}};
        for (const auto &[version, bytes, calls] : rows) {
            Client c(server->serverPort());
            c.s->write(packet(0, 40, u32(version)));
            QCOMPARE(c.reply(20), packet(0, 40, u32(version)));
            backend.calls.clear();
            c.s->write(bytes);
            QVERIFY(c.served());
            QCOMPARE(backend.calls.join('|'), calls);
        }
        Client c(server->serverPort());
        c.s->write(packet(0, 150));
        QByteArray list = u16(5);
        for (const QString &n : backend.profileNames())
            list += text(n);
        QCOMPARE(c.reply(16 + list.size() + 4), packet(0, 150, sized(list)));
    }

    // The program's bridge over emulated boxes 1 and 3: what each packet
    // sends to the boxes, a profile by name, and a box unplugged.
    void bridgeDrivesTheBoxes()
    {
        CoreHarness rig({0, 2});
        OpenRgbBridge bridge(rig.state, rig.link, *rig.store, *rig.selection);
        OpenRgbServer real(bridge);
        bridge.follow(real);
        QVERIFY(real.listen(QHostAddress::LocalHost, 0));
        Client c(real.serverPort());
        c.s->write(packet(0, 40, u32(4)));
        QCOMPARE(c.reply(20), packet(0, 40, u32(4)));
        const auto all = [](int b, auto report) { return QStringList{report(b, 0), report(b, 1), report(b, 2)}; };
        const QList<std::pair<QByteArray, QStringList>> rows{
            {packet(1, 1050, sized(u16(2) + rgb({255, 0, 0}) + rgb({0, 0, 9}))), {steady(2, 0, 255, 0, 0), steady(2, 1, 0, 0, 9)}},
            {packet(0, 1052, u32(2) + rgb({7, 8, 9})), {steady(0, 2, 7, 8, 9)}},
            {packet(0, 1101, mode(2, 4, 0)), all(0, [](int b, int f) { return cycle(b, f); })},
            {packet(1, 1101, mode(4, 4, 0)), all(2, [](int b, int f) { return steady(b, f, 0, 0, 0); })},
            {packet(1, 1101, mode(1, 4, 50)), all(2, [](int b, int f) { return steady(b, f, 0, 1, 1); })},
            {packet(0, 152, QByteArray("Profile 2\0", 10)),
             all(0, [](int b, int f) { return steady(b, f, 255, 0, 0); }) + all(2, [](int b, int f) { return steady(b, f, 255, 0, 0); })}};
        for (const auto &[bytes, reports] : rows) {
            rig.clear();
            c.s->write(bytes);
            QVERIFY(c.served());
            QCOMPARE(rig.reports(), reports);
            if (bytes.mid(8, 4) == u32(1101))  // the mode the controller shows afterwards
                QCOMPARE(bridge.describe(bytes.at(4)).activeMode, OpenRgbMode(qFromLittleEndian<qint32>(bytes.constData() + 20)));
        }
        QCOMPARE(rig.state.currentProfile, 2);
        rig.emu.setBoxes({0});
        rig.link.connectAllBoxes();
        QCOMPARE(c.reply(16), packet(0, 100));
    }

    // A bad client is closed; another keeps being served.
    void badClientsCloseOnlyThemselves()
    {
        const QList<QByteArray> rows{"XRGB" + QByteArray(12, 0), packet(0, 1050).left(12) + u32(kMaxPayload + 1),
                                     "GET / HTTP/1.1\r\n\r\n", "ORGB" + QByteArray(12, '\xFF'),
                                     packet(0, 0).left(8)};  // half a header, then nothing
        server->setPacketDeadline(200);
        Client good(server->serverPort());
        for (const QByteArray &bytes : rows) {
            Client bad(server->serverPort());
            bad.s->write(bytes);
            QVERIFY2(bad.closed(), bytes.toHex());
            QVERIFY(good.served());
        }
        // Clients past sixteen are turned away.
        std::vector<std::unique_ptr<Client>> more;
        for (int n = 1; n < OpenRgbServer::kMaxClients; ++n)
            more.push_back(std::make_unique<Client>(server->serverPort()));
        QVERIFY(more.back()->served());
        Client extra(server->serverPort());
        QVERIFY(extra.closed() && good.served());
        more.clear();
        QVERIFY(QTest::qWaitFor([&] { return server->clientCount() == 1; }, 5000));
        // One that asks and never reads is dropped once its replies pile up.
        Client deaf(server->serverPort());
        QVERIFY(deaf.served());
        deaf.s->setReadBufferSize(16);
        const QByteArray asks = packet(1, 1, u32(4)).repeated(2000);
        QVERIFY(QTest::qWaitFor([&] {
            return (deaf.s->bytesToWrite() < (1 << 20) && deaf.s->write(asks) < 0) || deaf.s->state() != QAbstractSocket::ConnectedState;
        }, 10000));
        QVERIFY(deaf.closed() && good.served());
    }

    // A box coming or going reaches every client.
    void deviceListUpdated()
    {
        Client a(server->serverPort()), b(server->serverPort());
        QVERIFY(a.served() && b.served());
        server->devicesChanged();
        QCOMPARE(a.reply(16), packet(0, 100));
        QCOMPARE(b.reply(16), packet(0, 100));
    }
};

QTEST_MAIN(TestOpenRgb)
#include "tst_openrgb.moc"
