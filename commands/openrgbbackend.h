#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// What the OpenRGB SDK server needs of the program: one controller per
// connected box, described in plain values, and the few things a client may
// ask of it. The server never reads the model itself.

struct OpenRgbColour {
    unsigned char red = 0, green = 0, blue = 0;
    bool operator==(const OpenRgbColour &o) const { return red == o.red && green == o.green && blue == o.blue; }
};

// The controller's modes, in the order the clients see them (their index is the mode number).
enum class OpenRgbMode : int { Direct = 0, Static, ColourCycle, Flashing, Off };
constexpr int kOpenRgbModeCount = 5;

// One box as a controller. One zone per fan port with one LED each, so the
// zone count is leds.size().
struct OpenRgbController {
    int box = 0;              // as the panel shows it
    QString usbPath;          // the box's USB path
    QString firmware;         // may be empty
    OpenRgbMode activeMode = OpenRgbMode::Direct;
    std::vector<OpenRgbColour> leds;
    OpenRgbColour modeColour;
    int brightness = 100;     // 0..100

    // Stay the same across restarts: they come from the box number and the USB path.
    QString name() const { return QStringLiteral("Zaldo RGB Radiator Fan Box %1").arg(box); }
    QString serial() const { return QStringLiteral("ZALDO-BOX-%1").arg(box); }
    QString location() const { return QStringLiteral("HID: ") + usbPath; }
};

class OpenRgbBackend {
public:
    virtual ~OpenRgbBackend() = default;

    virtual int controllerCount() const = 0;
    // index is 0..controllerCount()-1.
    virtual OpenRgbController describe(int index) const = 0;

    // Each leaves the named fans steady in these colours, whatever mode was
    // active; the controller shows Direct afterwards. led and zone are fan ports.
    virtual void setLeds(int index, const std::vector<OpenRgbColour> &colours) = 0;
    virtual void setZoneLeds(int index, int zone, const std::vector<OpenRgbColour> &colours) = 0;
    virtual void setSingleLed(int index, int led, OpenRgbColour colour) = 0;

    // brightness (0..100) only when the mode has one and the client sent it.
    virtual void setMode(int index, OpenRgbMode mode, OpenRgbColour colour, std::optional<int> brightness) = 0;
    // Stores the box's lighting on the box, as the panel's save does.
    virtual void saveMode(int index) = 0;

    // The five profiles in order; n is 0..4.
    virtual QStringList profileNames() const = 0;
    virtual void loadProfile(int n) = 0;
    virtual void saveProfile(int n) = 0;
};
