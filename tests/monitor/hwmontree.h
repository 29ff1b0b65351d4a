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

// hwmon<first>: coretemp with "Core 0" 41.9 and "Core 1" 44.2.
// hwmon<first + 1>: a board chip with "System" 60.0, a zero reading, a label
// without reading, one fan, one voltage and one power reading.
inline void writeStandardTree(const QString &root, int first = 0)
{
    const QString cpu = QStringLiteral("hwmon%1/").arg(first), board = QStringLiteral("hwmon%1/").arg(first + 1);
    writeHwmonFile(root, cpu + "name", "coretemp\n");
    writeHwmonFile(root, cpu + "temp2_input", "41900\n");
    writeHwmonFile(root, cpu + "temp2_label", "Core 0\n");
    writeHwmonFile(root, cpu + "temp3_input", "44200\n");
    writeHwmonFile(root, cpu + "temp3_label", "Core 1\n");

    writeHwmonFile(root, board + "name", "nct6775\n");
    writeHwmonFile(root, board + "temp1_input", "60000\n");
    writeHwmonFile(root, board + "temp1_label", "System\n");
    writeHwmonFile(root, board + "temp2_input", "0\n");
    writeHwmonFile(root, board + "temp2_label", "AUXTIN0\n");
    writeHwmonFile(root, board + "temp7_label", "PECI Agent 0\n");
    writeHwmonFile(root, board + "fan1_input", "1500\n");
    writeHwmonFile(root, board + "fan1_label", "CPU Fan\n");
    writeHwmonFile(root, board + "in0_input", "1104\n");
    writeHwmonFile(root, board + "power1_input", "12500000\n");
}
