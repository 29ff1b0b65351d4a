// Configuration side of the emulated boxes: which boxes are plugged in, faults,
// the trace, and what the firmware of each box holds.
#include "device/boxemulator.h"

#include "core/boxmodel.h"
#include "core/controllerstate.h"
#include "device/boxemulator_p.h"
#include "device/devicelog.h"

#include <QDebug>
#include <QFile>

#include <chrono>
#include <thread>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <string>

Q_LOGGING_CATEGORY(lcBoxEmulator, "zaldo.device.emulator")

struct BoxEmulator::Impl {
    std::shared_ptr<EmulatorCore> core = std::make_shared<EmulatorCore>();
};

namespace {

bool parseNumber(const QString &text, int low, int high, int *value)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (!ok || v < low || v > high)
        return false;
    *value = v;
    return true;
}

std::vector<QString> splitItems(const QString &text)
{
    std::vector<QString> items;
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return items;
    for (const QString &item : trimmed.split(QLatin1Char(',')))
        items.push_back(item.trimmed());
    return items;
}

// Why an item of a box.fan@seconds list is wrong, or empty when it is right.
QString parseFanEvent(const QString &item, bool stall, BoxEmulator::FanEvent *event)
{
    const QStringList at = item.split(QLatin1Char('@'));
    const QStringList place = at.value(0).split(QLatin1Char('.'));
    if (at.size() != 2 || place.size() != 2)
        return QStringLiteral("\"%1\" is not box.fan@seconds").arg(item);
    bool ok = false;
    const double seconds = at[1].trimmed().toDouble(&ok);
    if (!parseNumber(place[0], 0, kBoxCount - 1, &event->box))
        return QStringLiteral("box \"%1\" in \"%2\" is not 0-%3").arg(place[0], item).arg(kBoxCount - 1);
    if (!parseNumber(place[1], 0, maxFanPorts() - 1, &event->fan))
        return QStringLiteral("fan \"%1\" in \"%2\" is not 0-%3").arg(place[1], item).arg(maxFanPorts() - 1);
    // A year of seconds is plenty and keeps the milliseconds far inside the range.
    if (!ok || !std::isfinite(seconds) || seconds < 0 || seconds > 366.0 * 24 * 3600)
        return QStringLiteral("\"%1\" in \"%2\" is not a number of seconds").arg(at[1], item);
    event->atMs = std::llround(seconds * 1000.0);
    event->stall = stall;
    return {};
}

} // namespace

EmulatorCore::EmulatorCore()
{
    const auto start = std::chrono::steady_clock::now();
    clock = [start] {
        return static_cast<qint64>(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
    };
    for (int b = 0; b < kBoxCount; ++b) {
        EmulatedFirmware &fw = boxes[idx(b)];
        fw.live.resize(idx(fanPortsOf(b)));
        fw.saved = fw.live;
        for (int f = 0; f < fanPortsOf(b); ++f)
            fw.motion.push_back(FanMotion(BoxEmulator::topRpm(b, f), BoxEmulator::kDefaultSpeedPercent));
    }
}

qint64 EmulatorCore::catchUp()
{
    const qint64 now = clock();
    auto due = fanEvents.begin();
    for (; due != fanEvents.end() && due->atMs <= now; ++due) {
        std::vector<FanMotion> &fans = boxes[idx(due->box)].motion;
        if (due->fan >= static_cast<int>(fans.size()))
            continue;  // a port this box's model does not have
        FanMotion &motion = fans[idx(due->fan)];
        if (due->stall)
            motion.stall(due->atMs);
        else
            motion.recover(due->atMs);
    }
    fanEvents.erase(fanEvents.begin(), due);
    return now;
}

void EmulatorCore::plug(const QList<int> &wanted)
{
    for (int box = 0; box < kBoxCount; ++box) {
        const int want = static_cast<int>(wanted.count(box));
        int have = 0;
        for (const auto &p : plugs)
            have += p->box == box ? 1 : 0;
        // Unplug the newest devices first, so a surviving box keeps its handle.
        for (auto it = plugs.end(); have > want && it != plugs.begin();) {
            --it;
            if ((*it)->box == box) {
                (*it)->alive = false;
                it = plugs.erase(it);
                --have;
            }
        }
        for (; have < want; ++have)
            plugs.push_back(std::make_shared<EmulatedPlug>(box));
    }
}

void EmulatorCore::unplugBox(int box)
{
    for (auto it = plugs.begin(); it != plugs.end();) {
        if ((*it)->box == box) {
            (*it)->alive = false;
            it = plugs.erase(it);
        } else {
            ++it;
        }
    }
}

void EmulatorCore::rescanBoxListFile()
{
    if (boxListFile.isEmpty())
        return;
    QFile file(boxListFile);
    if (!file.exists()) {
        plug({});
        return;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcBoxEmulator) << "box list unreadable, keeping the boxes as they are:" << boxListFile;
        return;
    }
    const QString text = QString::fromUtf8(file.read(4096));
    QList<int> boxes;
    if (!BoxEmulator::parseBoxList(text, &boxes)) {
        qCWarning(lcBoxEmulator) << "malformed box list, keeping the boxes as they are:" << text;
        return;
    }
    plug(boxes);
}

bool EmulatorCore::isStalled(int box, int fan) const
{
    return stalled.contains(qMakePair(box, fan));
}

void EmulatorCore::appendTrace(const QString &line) const
{
    if (tracePath.isEmpty())
        return;
    QFile file(tracePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        qCWarning(lcBoxEmulator) << "cannot append to trace file" << tracePath;
        return;
    }
    file.write(line.toLatin1() + '\n');
    file.flush();
}

void EmulatorCore::waitLatency(int box) const
{
    const int us = latencyUs[static_cast<size_t>(box)].load();
    if (us > 0)
        std::this_thread::sleep_for(std::chrono::microseconds(us));
}

BoxEmulator::BoxEmulator() : d(std::make_unique<Impl>())
{
    d->core->owner = this;
}

BoxEmulator::~BoxEmulator()
{
    const std::lock_guard<std::recursive_mutex> guard(d->core->lock);
    // Handles that outlive the emulator fail from now on.
    d->core->owner = nullptr;
    for (const auto &p : d->core->plugs)
        p->alive = false;
    d->core->plugs.clear();
}

void BoxEmulator::setBoxes(const QList<int> &boxes)
{
    QList<int> valid;
    for (int b : boxes) {
        if (isValidBox(b))
            valid.append(b);
        else
            qCWarning(lcBoxEmulator) << "ignoring box number out of range:" << b;
    }
    const std::lock_guard<std::recursive_mutex> guard(d->core->lock);
    d->core->plug(valid);
}

void BoxEmulator::setBoxListFile(const QString &path)
{
    const std::lock_guard<std::recursive_mutex> guard(d->core->lock);
    d->core->boxListFile = path;
    d->core->rescanBoxListFile();
}

void BoxEmulator::setStalledFans(const QList<QPair<int, int>> &fans)
{
    const std::lock_guard<std::recursive_mutex> guard(d->core->lock);
    d->core->stalled = fans;
}

void BoxEmulator::setClock(Clock clock)
{
    const std::lock_guard<std::recursive_mutex> guard(d->core->lock);
    d->core->clock = std::move(clock);
}

void BoxEmulator::addFanEvents(const QList<FanEvent> &events)
{
    const std::lock_guard<std::recursive_mutex> guard(d->core->lock);
    for (const FanEvent &e : events) {
        if (isValidBox(e.box) && isValidFan(e.box, e.fan))
            d->core->fanEvents.push_back(e);
        else
            qCWarning(lcBoxEmulator) << "ignoring a stall or recovery of box/fan out of range:" << e.box << e.fan;
    }
    // Stable: a stall and a recovery at the same time happen in the order given.
    std::stable_sort(d->core->fanEvents.begin(), d->core->fanEvents.end(),
                     [](const FanEvent &a, const FanEvent &b) { return a.atMs < b.atMs; });
}

void BoxEmulator::setTracePath(const QString &path)
{
    const std::lock_guard<std::recursive_mutex> guard(d->core->lock);
    d->core->tracePath = path;
}

void BoxEmulator::setFault(int box, Fault fault)
{
    if (!isValidBox(box)) {
        qCWarning(lcBoxEmulator) << "fault for box out of range ignored:" << box;
        return;
    }
    const std::lock_guard<std::recursive_mutex> guard(d->core->lock);
    d->core->boxes[static_cast<size_t>(box)].fault = fault;
}

void BoxEmulator::setLatencyMicroseconds(int us, int box)
{
    for (int b = 0; b < kBoxCount; ++b) {
        if (box < 0 || b == box)
            d->core->latencyUs[static_cast<size_t>(b)] = us < 0 ? 0 : us;
    }
}

bool BoxEmulator::parseBoxList(const QString &text, QList<int> *boxes)
{
    QList<int> result;
    for (const QString &item : splitItems(text)) {
        int box = 0;
        if (!parseNumber(item, 0, kBoxCount - 1, &box))
            return false;
        result.append(box);
    }
    if (boxes)
        *boxes = result;
    return true;
}

bool BoxEmulator::parseStalledList(const QString &text, QList<QPair<int, int>> *fans)
{
    QList<QPair<int, int>> result;
    for (const QString &item : splitItems(text)) {
        const QStringList parts = item.split(QLatin1Char('.'));
        int box = 0;
        int fan = 0;
        if (parts.size() != 2 || !parseNumber(parts[0], 0, kBoxCount - 1, &box)
            || !parseNumber(parts[1], 0, maxFanPorts() - 1, &fan))
            return false;
        result.append(qMakePair(box, fan));
    }
    if (fans)
        *fans = result;
    return true;
}

bool BoxEmulator::parseFanEvents(const QString &text, bool stall, QList<FanEvent> *events, QString *error)
{
    QList<FanEvent> result;
    for (const QString &item : splitItems(text)) {
        FanEvent event;
        const QString wrong = parseFanEvent(item, stall, &event);
        if (!wrong.isEmpty()) {
            if (error)
                *error = wrong;
            return false;
        }
        result.append(event);
    }
    if (events)
        *events = result;
    return true;
}

QString BoxEmulator::traceLine(int box, const std::uint8_t *command)
{
    QString line = QString::number(box);
    for (int i = 0; i < 8; ++i)
        line += QStringLiteral(" %1").arg(command[i], 2, 16, QLatin1Char('0'));
    return line;
}

int BoxEmulator::topRpm(int box, int fan)
{
    return 1500 + (box * 131 + fan * 197) % 501;
}

QStringList BoxEmulator::traceLines() const
{
    const std::lock_guard<std::recursive_mutex> guard(d->core->lock);
    QStringList lines;
    for (const SentReport &r : m_sent)
        lines.append(traceLine(r.box, r.command.data()));
    return lines;
}

BoxEmulator::FanState BoxEmulator::fanState(int box, int fan) const
{
    if (!isValidBox(box) || !isValidFan(box, fan))
        return {};
    const std::lock_guard<std::recursive_mutex> guard(d->core->lock);
    return d->core->boxes[static_cast<size_t>(box)].live[static_cast<size_t>(fan)];
}

BoxEmulator::FanState BoxEmulator::savedFanState(int box, int fan) const
{
    if (!isValidBox(box) || !isValidFan(box, fan))
        return {};
    const std::lock_guard<std::recursive_mutex> guard(d->core->lock);
    return d->core->boxes[static_cast<size_t>(box)].saved[static_cast<size_t>(fan)];
}

int BoxEmulator::saveCount(int box) const
{
    const std::lock_guard<std::recursive_mutex> guard(d->core->lock);
    return isValidBox(box) ? d->core->boxes[static_cast<size_t>(box)].saves : 0;
}

int BoxEmulator::pluggedCount(int box) const
{
    const std::lock_guard<std::recursive_mutex> guard(d->core->lock);
    int n = 0;
    for (const auto &p : d->core->plugs)
        n += p->box == box ? 1 : 0;
    return n;
}

static int boxForIds(std::uint16_t vendorId, std::uint16_t productId)
{
    if (vendorId != kControllerVendorId || productId < kFirstProductId || productId >= kFirstProductId + kBoxCount)
        return -1;
    return productId - kFirstProductId;
}

std::unique_ptr<HidDevice> BoxEmulator::open(std::uint16_t vendorId, std::uint16_t productId)
{
    const std::lock_guard<std::recursive_mutex> guard(d->core->lock);
    const int box = boxForIds(vendorId, productId);
    if (box < 0)
        return nullptr;
    d->core->rescanBoxListFile();
    if (d->core->boxes[static_cast<size_t>(box)].fault == Fault::NoPermission)
        return nullptr;
    for (const auto &p : d->core->plugs) {
        if (p->box == box)
            return std::make_unique<EmulatedDevice>(d->core, p);
    }
    return nullptr;
}

int BoxEmulator::countDevices(std::uint16_t vendorId, std::uint16_t productId)
{
    const std::lock_guard<std::recursive_mutex> guard(d->core->lock);
    const int box = boxForIds(vendorId, productId);
    if (box < 0)
        return 0;
    d->core->rescanBoxListFile();
    return pluggedCount(box);
}

std::vector<HidOpenFailure> BoxEmulator::unopenableDevices(std::uint16_t vendorId, std::uint16_t productId)
{
    const std::lock_guard<std::recursive_mutex> guard(d->core->lock);
    const int box = boxForIds(vendorId, productId);
    if (box < 0 || d->core->boxes[static_cast<size_t>(box)].fault != Fault::NoPermission)
        return {};
    const std::string path = "/dev/emulated-box-" + std::to_string(box);
    return std::vector<HidOpenFailure>(static_cast<size_t>(countDevices(vendorId, productId)), {path, EACCES});
}
