#pragma once

#include "core/hidtransport.h"
#include "core/vocabulary.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

// Stands in for real boxes: models the firmware of each emulated box behind the
// same transport interface as hidapi, so the protocol code runs unchanged.
class BoxEmulator : public HidTransport {
public:
    // Firmware version every emulated box reports.
    static constexpr std::uint8_t kFirmwareMajor = 1;
    static constexpr std::uint8_t kFirmwareMinor = 4;
    static constexpr std::uint8_t kFirmwarePatch = 2;
    // Speed a fan runs at before the program sends any.
    static constexpr int kDefaultSpeedPercent = 60;

    enum class Fault {
        None,
        NoReply,          // reads time out
        WrongHeader,      // replies with a corrupted header
        ShortReply,       // replies with fewer bytes than a report
        VanishAfterWrite, // the box disappears between the write and the read
        RejectWrites,     // opens, but every write (the probe included) fails
        LateReply,        // each reply only becomes readable at the read after its own
        NoPermission,     // enumerates, but this user may not open it (no udev rule)
    };

    struct FanState {
        LedMode ledMode = LedMode::Steady;  // last LED report mode
        int red = 0, green = 0, blue = 0;
        int speedPercent = kDefaultSpeedPercent;
    };

    // A fan that stalls (its rotor stops, it reads 0 RPM) or turns again, at a
    // time on the emulator's clock.
    struct FanEvent {
        int box = 0;
        int fan = 0;
        qint64 atMs = 0;
        bool stall = true;  // false: recovers
        bool operator==(const FanEvent &o) const
        {
            return box == o.box && fan == o.fan && atMs == o.atMs && stall == o.stall;
        }
    };
    // Milliseconds since the emulator started; tests give their own.
    using Clock = std::function<qint64()>;

    struct SentReport {
        int box = -1;
        std::array<std::uint8_t, 64> command{};  // w1..w64 (report ID stripped)
    };

    BoxEmulator();
    ~BoxEmulator() override;

    // Box numbers 0..15 that are plugged in; a number given twice is two
    // devices answering to the same product ID.
    void setBoxes(const QList<int> &boxes);
    // Re-reads the comma-separated box list from this file at every scan (open/count).
    void setBoxListFile(const QString &path);
    // (box, fan) pairs whose fan reports 0 RPM.
    void setStalledFans(const QList<QPair<int, int>> &fans);
    // Fans turn on this clock from now on. Called from every box's worker.
    void setClock(Clock clock);
    // Stalls and recoveries still to come; earlier ones are applied at once.
    void addFanEvents(const QList<FanEvent> &events);
    // Appends one line per output report to this file.
    void setTracePath(const QString &path);
    void setFault(int box, Fault fault);
    // Each write and each reply read then takes this long, as on a real USB
    // bus (about 1000 for a full-speed box); 0, the default, answers at once.
    // Box 0..15 sets only that box's timing, -1 every box's.
    void setLatencyMicroseconds(int us, int box = -1);

    // Parses "0,2,2" (box numbers 0..15); false on anything malformed.
    static bool parseBoxList(const QString &text, QList<int> *boxes);
    // Parses "2.1,0.0" (box.fan pairs, fans counted from 0); false on anything malformed.
    static bool parseStalledList(const QString &text, QList<QPair<int, int>> *fans);
    // Parses "2.1@10,0.0@2.5" (box.fan@seconds, box 0-15, fan 0-2); false with
    // *error naming the wrong part on anything malformed.
    static bool parseFanEvents(const QString &text, bool stall, QList<FanEvent> *events, QString *error);
    // One trace line: box in decimal, then w1..w8 as two-digit lower-case hex.
    static QString traceLine(int box, const std::uint8_t *command);
    // RPM the fan turns at 100 %, 1500..2000, a little different for each fan.
    static int topRpm(int box, int fan);
    // Longest a read that finds no reply sleeps, whatever timeout it was given.
    static constexpr int kMaxIdleWaitMs = 5;

    // Keeps every report sent in memory for sentReports(); on by default for
    // tests, off in the running program, where it would only grow. Read it
    // only while no handle is in use on another thread.
    void setRecording(bool on) { m_recording = on; }
    const std::vector<SentReport> &sentReports() const { return m_sent; }
    void clearSentReports() { m_sent.clear(); }
    // sentReports() as trace lines.
    QStringList traceLines() const;

    FanState fanState(int box, int fan) const;
    // Settings the box stored with the save report (what it keeps without the program).
    FanState savedFanState(int box, int fan) const;
    int saveCount(int box) const;
    // Plugged devices answering as this box (0, 1 or more).
    int pluggedCount(int box) const;

    std::unique_ptr<HidDevice> open(std::uint16_t vendorId, std::uint16_t productId) override;
    int countDevices(std::uint16_t vendorId, std::uint16_t productId) override;
    std::vector<HidOpenFailure> unopenableDevices(std::uint16_t vendorId, std::uint16_t productId) override;

private:
    friend class EmulatedDevice;
    struct Impl;
    std::unique_ptr<Impl> d;
    std::vector<SentReport> m_sent;
    bool m_recording = true;
};
