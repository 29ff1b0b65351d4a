#include "storage/xmlprofile.h"

#include "storage/storagelog.h"

#include <QDir>
#include <QFile>
#include <QXmlStreamReader>

#include <cstdio>

namespace {

constexpr const char *kSlotNames[kXmlSlotCount] = {"RColor", "GColor", "BColor", "Bright",
                                                   "Speed",  "SpeedMode", "FanMode", "PWM"};
// Speed is a percentage here, unlike the level of the INI profiles.
constexpr const char *kSlotDefaults[kXmlSlotCount] = {"255", "0", "0", "1", "100", "2", "0", "1"};
constexpr int kPwmSlot = 7;

int slotOf(const QStringRef &name)
{
    for (int s = 0; s < kXmlSlotCount; ++s) {
        if (name == QLatin1String(kSlotNames[s]))
            return s;
    }
    return -1;
}

int fanOf(const QStringRef &name)
{
    if (name == QLatin1String("Fan1"))
        return 0;
    if (name == QLatin1String("Fan2"))
        return 1;
    if (name == QLatin1String("Fan3"))
        return 2;
    return -1;
}

// Fills one fan until its PWM element. Without a PWM the scan runs on, so the
// values of later fans land here; that is how the format has always been read.
void readFan(QXmlStreamReader &xml, std::array<QString, kXmlSlotCount> &fan)
{
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        const int slot = slotOf(xml.name());
        if (slot < 0)
            continue;
        fan[static_cast<size_t>(slot)] = xml.readElementText();
        if (slot == kPwmSlot)
            return;
    }
}

} // namespace

XmlProfile getProfile(int profileCount, const QString &directory)
{
    XmlProfile profile;
    const int n = (profileCount >= 1 && profileCount <= 5) ? profileCount : 1;
    const QString baseName = QStringLiteral("Profile%1.xml").arg(n);
    const QString fileName = directory.isEmpty() ? baseName : QDir(directory).filePath(baseName);
    const QString element = QStringLiteral("Profile_%1").arg(n);

    QFile file(fileName);
    const bool opened = file.open(QIODevice::ReadOnly | QIODevice::Text);
    if (!opened) {
        std::fprintf(stderr, "Error: Cannot read file %s: %s\n", qPrintable(fileName),
                     qPrintable(file.errorString()));
    }

    QXmlStreamReader xml(&file);
    while (opened && !xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement() || xml.name() != element)
            continue;
        // Fans are looked for up to the end of the document, not of the profile element.
        while (!xml.atEnd()) {
            xml.readNext();
            if (!xml.isStartElement())
                continue;
            const int fan = fanOf(xml.name());
            if (fan >= 0)
                readFan(xml, profile.fans[static_cast<size_t>(fan)]);
        }
    }
    const bool fileError = opened && file.error() != QFileDevice::NoError;
    file.close();

    if (!opened || xml.hasError()) {
        qCWarning(lcStorage).noquote() << "Failed to parse file" << fileName
                                       << (opened ? xml.errorString() : QString());
        for (auto &fan : profile.fans) {
            for (int s = 0; s < kXmlSlotCount; ++s)
                fan[static_cast<size_t>(s)] = QLatin1String(kSlotDefaults[s]);
        }
    } else if (fileError) {
        qCWarning(lcStorage).noquote() << "Cannot read file" << fileName;
    }
    return profile;
}
