#include "monitor/hwmonsensortable.h"

#include "monitor/monitorlog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>

#include <algorithm>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr size_t kMaxAttributeBytes = 255;

// sysfs attributes are regular files. Anything else in their place (a FIFO,
// a device node) could block or act on open, so it is never opened; the
// descriptor is non-blocking, so a file swapped in after the check cannot
// block either. Returns the descriptor or -1; *irregular when such a file sits there.
int openRegular(const QByteArray &path, bool *irregular)
{
    struct stat st {};
    *irregular = false;
    if (::lstat(path.constData(), &st) != 0)
        return -1;
    const int fd = S_ISREG(st.st_mode) ? ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC) : -1;
    if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
        return fd;
    if (fd >= 0)
        ::close(fd);
    *irregular = !S_ISREG(st.st_mode);
    return -1;
}

// Labels are shown to the user and compared byte for byte: trim and drop
// control characters a broken driver might put there.
QByteArray cleanText(const QByteArray &raw)
{
    QByteArray out;
    for (char c : raw.trimmed()) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u != 0x7F)
            out.append(c);
    }
    return out;
}

bool isCoreTempDriver(const QByteArray &d) { return d == "coretemp" || d == "via_cputemp" || d == "zhaoxin_cputemp"; }
bool isAmdDriver(const QByteArray &d) { return d == "k10temp" || d == "zenpower" || d == "fam15h_power"; }
bool isCpuThermalZone(const QByteArray &d)
{
    const QByteArray l = d.toLower();
    return l.contains("cpu") && l.contains("thermal");
}

struct KindInfo {
    const char *prefix;
    double scale;   // raw sysfs unit -> reported unit
};
// Same order as HwmonSensorTable::Kind.
constexpr KindInfo kKinds[] = {
    {"temp", 1000.0},       // millidegrees -> degrees Celsius
    {"in", 1000.0},         // millivolts -> volts
    {"fan", 1.0},           // RPM
    {"curr", 1000.0},       // milliamperes -> amperes
    {"power", 1000000.0},   // microwatts -> watts
    {"freq", 1000000.0},    // hertz -> megahertz
    {"energy", 1000000.0},  // microjoules -> joules
    {"humidity", 1000.0},   // milli-percent -> percent
};

} // namespace

namespace {
// One read of a small attribute from an open descriptor, which it closes.
QByteArray readAndClose(int fd, bool *ok)
{
    char buf[kMaxAttributeBytes];
    ssize_t n = 0;
    do
        n = ::read(fd, buf, sizeof buf);
    while (n < 0 && errno == EINTR);
    ::close(fd);
    *ok = n >= 0;
    return *ok ? QByteArray(buf, int(n)) : QByteArray();
}
} // namespace

QByteArray readRegularFile(const QString &path, bool *ok, bool *irregular)
{
    *ok = false;
    const int fd = openRegular(QFile::encodeName(path), irregular);
    return fd < 0 ? QByteArray() : readAndClose(fd, ok);
}

HwmonSensorTable::HwmonSensorTable(const QString &root)
    : m_root(root.isEmpty() ? defaultRoot() : root)
{
}

QString HwmonSensorTable::defaultRoot()
{
    const QString env = qEnvironmentVariable("ZALDO_HWMON_ROOT");
    return env.isEmpty() ? QStringLiteral("/sys/class/hwmon") : env;
}

QByteArray HwmonSensorTable::mapCpuLabel(const QByteArray &driver, const QByteArray &label, bool driverHasTdie)
{
    if (isCoreTempDriver(driver)) {
        static const QRegularExpression package(QStringLiteral("^(?:Package|Physical) id (\\d+)$"));
        static const QRegularExpression core(QStringLiteral("^Core (\\d+)$"));
        const QString text = QString::fromLatin1(label);
        QRegularExpressionMatch m = package.match(text);
        if (m.hasMatch())
            return m.captured(1) == QLatin1String("0") ? QByteArray("CPU Package")
                                                       : "CPU " + m.captured(1).toLatin1();
        m = core.match(text);
        if (m.hasMatch())
            return "Core #" + m.captured(1).toLatin1();
        return label;
    }
    if (isAmdDriver(driver)) {
        // Where Tdie exists, Tctl carries a fan-control offset of up to 27 degrees
        // and is not the die temperature.
        if (label == "Tdie" || (label == "Tctl" && !driverHasTdie))
            return "CPU";
        return label;
    }
    if (driver == "x86_pkg_temp" && label == "temp1")
        return "CPU Package";
    if (isCpuThermalZone(driver) && label == "temp1")
        return "CPU";
    return label;
}

QStringList HwmonSensorTable::scanDevices()
{
    // readdir, not QDir: it gives each entry's inode without a stat per entry,
    // and a new inode is a new device under a reused hwmon number.
    QVector<QPair<QString, quint64>> entries;
    if (DIR *dir = ::opendir(QFile::encodeName(m_root).constData())) {
        while (const dirent *e = ::readdir(dir)) {
            const bool folder = e->d_type == DT_DIR || e->d_type == DT_LNK || e->d_type == DT_UNKNOWN;
            if (folder && qstrncmp(e->d_name, "hwmon", 5) == 0)
                entries.append({QFile::decodeName(e->d_name), quint64(e->d_ino)});
        }
        ::closedir(dir);
    }
    // hwmon10 after hwmon9, as the kernel numbered them.
    auto number = [](const QString &n) { return n.mid(5).toInt(); };
    std::sort(entries.begin(), entries.end(), [&](const auto &a, const auto &b) {
        const int na = number(a.first), nb = number(b.first);
        return na != nb ? na < nb : a.first < b.first;
    });
    QStringList paths;
    m_inodes.clear();
    for (const auto &[name, inode] : entries) {
        paths << QDir(m_root).filePath(name);
        m_inodes.insert(paths.last(), inode);
    }
    return paths;
}

bool HwmonSensorTable::load()
{
    m_devices = scanDevices();
    m_snapshots.clear();
    m_loaded = !m_devices.isEmpty();
    if (!m_loaded)
        qCDebug(lcMonitor) << "no hwmon device under" << m_root;
    return m_loaded;
}

int HwmonSensorTable::initialise(int)
{
    if (!m_loaded)
        return -1;
    m_devices = scanDevices();
    m_snapshots.clear();
    return m_devices.isEmpty() ? -2 : 0;
}

int HwmonSensorTable::sensorCount()
{
    // Rescanned per pass: hwmon devices come and go with modules and hot-plug.
    m_devices = scanDevices();
    m_snapshots.clear();
    for (auto it = m_layouts.begin(); it != m_layouts.end();)
        it = m_devices.contains(it.key()) ? std::next(it) : m_layouts.erase(it);
    return m_devices.size();
}

void HwmonSensorTable::reportUnreadable(const QString &path)
{
    if (m_reported.contains(path))
        return;
    m_reported.insert(path);
    qCWarning(lcMonitor) << "unreadable sensor file skipped:" << path;
}

QByteArray HwmonSensorTable::readFile(const QString &path, bool *ok)
{
    bool irregular = false;
    const QByteArray raw = readRegularFile(path, ok, &irregular);
    if (irregular)
        reportUnreadable(path);
    return raw;
}

bool HwmonSensorTable::readNumber(const QString &path, qint64 *value)
{
    bool ok = false;
    const QByteArray raw = readFile(path, &ok);
    if (ok)
        *value = raw.trimmed().toLongLong(&ok);
    if (!ok)
        reportUnreadable(path);
    return ok;
}

HwmonSensorTable::Layout HwmonSensorTable::lookUp(const QString &path)
{
    Layout layout;
    QDir dir(path);
    // Older kernels keep the attributes on the parent device.
    if (!dir.exists(QStringLiteral("name")) && QDir(path + QStringLiteral("/device")).exists(QStringLiteral("name")))
        dir.setPath(path + QStringLiteral("/device"));

    bool ok = false;
    layout.name = cleanText(readFile(dir.filePath(QStringLiteral("name")), &ok));
    if (layout.name.isEmpty())
        layout.name = QDir(path).dirName().toLatin1();
    const QString canonical = QFileInfo(path).canonicalFilePath();
    layout.place = canonical.isEmpty() ? QString() : QFileInfo(canonical).path();

    static const QRegularExpression attr(
        QStringLiteral("^(temp|in|fan|curr|power|freq|energy|humidity)(\\d+)_(input|average)$"));
    // kind -> channel -> attribute file; *_input wins over power*_average.
    std::array<QMap<int, QString>, KindCount> channels;
    for (const QString &file : dir.entryList(QDir::Files | QDir::Readable)) {
        const QRegularExpressionMatch m = attr.match(file);
        if (!m.hasMatch())
            continue;
        const QString prefix = m.captured(1);
        const bool average = m.captured(3) == QLatin1String("average");
        if (average && prefix != QLatin1String("power"))
            continue;
        const int kind = int(std::find_if(std::begin(kKinds), std::end(kKinds),
                                          [&](const KindInfo &k) { return prefix == QLatin1String(k.prefix); })
                             - std::begin(kKinds));
        const int channel = m.captured(2).toInt();
        auto &slot = channels[size_t(kind)];
        if (!slot.contains(channel) || !average)
            slot.insert(channel, file);
    }

    bool hasTdie = false;
    for (auto it = channels[Temp].cbegin(); it != channels[Temp].cend() && !hasTdie; ++it)
        hasTdie = cleanText(readFile(dir.filePath(QStringLiteral("temp%1_label").arg(it.key())), &ok)) == "Tdie";

    for (int kind = 0; kind < KindCount; ++kind) {
        const KindInfo &info = kKinds[kind];
        auto &list = layout.channels[size_t(kind)];
        for (auto it = channels[size_t(kind)].cbegin(); it != channels[size_t(kind)].cend(); ++it) {
            if (list.size() >= kReadingsPerSensor)
                break;
            Channel c;
            c.input = dir.filePath(it.value());
            const QString labelFile = QStringLiteral("%1%2_label").arg(QLatin1String(info.prefix)).arg(it.key());
            c.label = cleanText(readFile(dir.filePath(labelFile), &ok));
            if (c.label.isEmpty())
                c.label = QByteArray(info.prefix) + QByteArray::number(it.key());
            c.sourceLabel = c.label;
            if (kind == Temp)
                c.label = mapCpuLabel(layout.name, c.label, hasTdie);
            list.append(c);
        }
    }
    return layout;
}

const HwmonSensorTable::Layout &HwmonSensorTable::layoutOf(const QString &path)
{
    // hwmon numbers are handed out again when devices come and go: an entry
    // under another inode is another device.
    const quint64 inode = m_inodes.value(path);
    auto it = m_layouts.find(path);
    if (it == m_layouts.end() || ++it->reads > kReadsPerLayout || it->inode != inode) {
        it = m_layouts.insert(path, lookUp(path));
        it->inode = inode;
    }
    return *it;
}

bool HwmonSensorTable::readChannel(const QString &path, qint64 *value)
{
    // The layout found it regular; non-blocking, so whatever took its place
    // since cannot block, and a failure sends the device to be looked over.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    bool ok = false;
    const QByteArray raw = fd < 0 ? QByteArray() : readAndClose(fd, &ok);
    if (ok)
        *value = raw.trimmed().toLongLong(&ok);
    return ok;
}

HwmonSensorTable::Snapshot HwmonSensorTable::readDevice(const QString &path)
{
    const Layout &layout = layoutOf(path);
    Snapshot snap;
    snap.name = layout.name;
    bool gone = false;
    for (int kind = 0; kind < KindCount; ++kind) {
        for (const Channel &c : layout.channels[size_t(kind)]) {
            qint64 raw = 0;
            // The careful read again, which says once what is wrong with it.
            if (!readChannel(c.input, &raw) && !readNumber(c.input, &raw)) {
                gone = true;
                continue;
            }
            snap.readings[size_t(kind)].append({c.label, c.sourceLabel, double(raw) / kKinds[kind].scale});
        }
    }
    if (gone)
        m_layouts.remove(path);  // a channel went: look the device over again next time
    return snap;
}

const HwmonSensorTable::Snapshot *HwmonSensorTable::snapshot(int sensor)
{
    if (!m_loaded || sensor < 0 || sensor >= m_devices.size())
        return nullptr;
    auto it = m_snapshots.find(sensor);
    if (it == m_snapshots.end())
        it = m_snapshots.insert(sensor, readDevice(m_devices.at(sensor)));
    return &it.value();
}

void HwmonSensorTable::prepareSensor(int sensor)
{
    // Fresh values for this sensor: one read of its files per pass.
    m_snapshots.remove(sensor);
    snapshot(sensor);
}

void HwmonSensorTable::sensorName(int sensor, char *buf, int size)
{
    const Snapshot *snap = snapshot(sensor);
    copySensorText(snap ? snap->name.constData() : "", buf, size);
}

QString HwmonSensorTable::sensorPlace(int sensor)
{
    if (sensor < 0 || sensor >= m_devices.size())
        return QString();
    return layoutOf(m_devices.at(sensor)).place;
}

double HwmonSensorTable::reading(int sensor, Kind kind, int index, char *label, int size)
{
    const Snapshot *snap = snapshot(sensor);
    if (!snap || index < 0 || index >= snap->readings[size_t(kind)].size()) {
        copySensorText("", label, size);
        return kNoReading;
    }
    const Reading &r = snap->readings[size_t(kind)].at(index);
    copySensorText(r.label.constData(), label, size);
    return r.value;
}

double HwmonSensorTable::getTemperature(int s, int r, char *label, int size) { return reading(s, Temp, r, label, size); }

void HwmonSensorTable::sourceTemperatureLabel(int s, int r, char *label, int size)
{
    const Snapshot *snap = snapshot(s);
    const bool exists = snap && r >= 0 && r < snap->readings[Temp].size();
    copySensorText(exists ? snap->readings[Temp].at(r).sourceLabel.constData() : "", label, size);
}
double HwmonSensorTable::getVoltage(int s, int r, char *label, int size) { return reading(s, Volt, r, label, size); }
double HwmonSensorTable::getCurrent(int s, int r, char *label, int size) { return reading(s, Curr, r, label, size); }
double HwmonSensorTable::getPower(int s, int r, char *label, int size) { return reading(s, Power, r, label, size); }
double HwmonSensorTable::getClock(int s, int r, char *label, int size) { return reading(s, Freq, r, label, size); }

int HwmonSensorTable::getFan(int s, int r, char *label, int size)
{
    const double v = reading(s, Fan, r, label, size);
    if (v == kNoReading)
        return int(kNoReading);
    return int(std::clamp(v, 0.0, 1000000.0));
}

double HwmonSensorTable::getUsage(int, int, char *label, int size)
{
    // hwmon has no load figures.
    copySensorText("", label, size);
    return kNoReading;
}

double HwmonSensorTable::otherReading(int s, int r, char *label, int labelSize, char *text, int textSize)
{
    // Energy counters first, then humidity, as one list.
    const Snapshot *snap = snapshot(s);
    const int energies = snap ? snap->readings[Energy].size() : 0;
    const double v = r < energies ? reading(s, Energy, r, label, labelSize)
                                  : reading(s, Humidity, r - energies, label, labelSize);
    copySensorText(v == kNoReading ? "" : QByteArray::number(v, 'g', 6).constData(), text, textSize);
    return v;
}
