#pragma once

#include <QString>
#include <QVector>

class QImage;

// Writes a Windows icon file with one 32-bit entry per image (square, at most
// 256 px). Entries below 256 px are DIBs with an AND mask, the 256 px entry is
// PNG, as Windows expects.
bool writeIco(const QString &path, const QVector<QImage> &images);
