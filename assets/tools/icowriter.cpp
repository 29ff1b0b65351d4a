#include "icowriter.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>

namespace {

void put16(QByteArray &a, quint16 v)
{
    a.append(char(v & 0xFF));
    a.append(char(v >> 8));
}

void put32(QByteArray &a, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        a.append(char((v >> (8 * i)) & 0xFF));
}

QByteArray dibEntry(const QImage &source)
{
    const QImage img = source.convertToFormat(QImage::Format_ARGB32);
    const int w = img.width();
    const int h = img.height();
    const int maskStride = ((w + 31) / 32) * 4;
    QByteArray a;
    put32(a, 40);
    put32(a, quint32(w));
    put32(a, quint32(2 * h)); // colour rows followed by the mask rows
    put16(a, 1);
    put16(a, 32);
    put32(a, 0);
    put32(a, quint32(w * h * 4 + maskStride * h));
    put32(a, 0);
    put32(a, 0);
    put32(a, 0);
    put32(a, 0);
    for (int y = h - 1; y >= 0; --y) {
        const auto *line = reinterpret_cast<const QRgb *>(img.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            a.append(char(qBlue(line[x])));
            a.append(char(qGreen(line[x])));
            a.append(char(qRed(line[x])));
            a.append(char(qAlpha(line[x])));
        }
    }
    for (int y = h - 1; y >= 0; --y) {
        QByteArray row(maskStride, '\0');
        const auto *line = reinterpret_cast<const QRgb *>(img.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            if (qAlpha(line[x]) == 0)
                row[x / 8] = char(row.at(x / 8) | (0x80 >> (x % 8)));
        }
        a.append(row);
    }
    return a;
}

QByteArray pngEntry(const QImage &img)
{
    QByteArray a;
    QBuffer buffer(&a);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, "PNG");
    return a;
}

} // namespace

bool writeIco(const QString &path, const QVector<QImage> &images)
{
    if (images.isEmpty())
        return false;
    QVector<QByteArray> data;
    for (const QImage &img : images) {
        if (img.isNull() || img.width() != img.height() || img.width() > 256)
            return false;
        data.append(img.width() == 256 ? pngEntry(img) : dibEntry(img));
    }
    QByteArray out;
    put16(out, 0);
    put16(out, 1);
    put16(out, quint16(images.size()));
    quint32 offset = 6 + 16 * quint32(images.size());
    for (int i = 0; i < images.size(); ++i) {
        const int side = images.at(i).width();
        out.append(char(side >= 256 ? 0 : side));
        out.append(char(side >= 256 ? 0 : side));
        out.append(char(0));
        out.append(char(0));
        put16(out, 1);
        put16(out, 32);
        put32(out, quint32(data.at(i).size()));
        put32(out, offset);
        offset += quint32(data.at(i).size());
    }
    for (const QByteArray &d : data)
        out.append(d);
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(out) == out.size() && f.flush();
}
