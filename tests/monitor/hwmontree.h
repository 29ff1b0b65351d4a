#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

// Builds a fake /sys/class/hwmon below a test directory.
inline void writeHwmonFile(const QString &root, const QString &relative, const QByteArray &content)
{
    const QString path = root + QLatin1Char('/') + relative;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(content);
}

// hwmon0: coretemp with "Core 0" 41.9 and "Core 1" 44.2.
// hwmon1: a board chip with "System" 60.0, a zero reading, a label without
// reading, one fan, one voltage and one power reading.
inline void writeStandardTree(const QString &root)
{
    writeHwmonFile(root, "hwmon0/name", "coretemp\n");
    writeHwmonFile(root, "hwmon0/temp2_input", "41900\n");
    writeHwmonFile(root, "hwmon0/temp2_label", "Core 0\n");
    writeHwmonFile(root, "hwmon0/temp3_input", "44200\n");
    writeHwmonFile(root, "hwmon0/temp3_label", "Core 1\n");

    writeHwmonFile(root, "hwmon1/name", "nct6775\n");
    writeHwmonFile(root, "hwmon1/temp1_input", "60000\n");
    writeHwmonFile(root, "hwmon1/temp1_label", "System\n");
    writeHwmonFile(root, "hwmon1/temp2_input", "0\n");
    writeHwmonFile(root, "hwmon1/temp2_label", "AUXTIN0\n");
    writeHwmonFile(root, "hwmon1/temp7_label", "PECI Agent 0\n");
    writeHwmonFile(root, "hwmon1/fan1_input", "1500\n");
    writeHwmonFile(root, "hwmon1/fan1_label", "CPU Fan\n");
    writeHwmonFile(root, "hwmon1/in0_input", "1104\n");
    writeHwmonFile(root, "hwmon1/power1_input", "12500000\n");
}
