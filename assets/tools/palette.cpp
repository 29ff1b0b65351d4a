#include "palette.h"

#include <QColor>

#include <cmath>

QImage makeColourWheel(int side)
{
    QImage image(side, side, QImage::Format_ARGB32);
    const double radius = side / 2.0;
    constexpr int kSamples = 4; // per axis, for the antialiased rim
    for (int y = 0; y < side; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < side; ++x) {
            const double dx = x + 0.5 - radius;
            const double dy = radius - (y + 0.5);
            const double r = std::sqrt(dx * dx + dy * dy) / radius;
            double hue = std::atan2(dy, dx) / (2.0 * M_PI);
            if (hue < 0)
                hue += 1.0;
            const QColor c = QColor::fromHsvF(qBound(0.0, hue, 1.0), qMin(r, 1.0), 1.0);

            int inside = 0;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const double ux = x + (sx + 0.5) / kSamples - radius;
                    const double uy = y + (sy + 0.5) / kSamples - radius;
                    inside += (ux * ux + uy * uy <= radius * radius) ? 1 : 0;
                }
            }
            const int alpha = inside * 255 / (kSamples * kSamples);
            line[x] = qRgba(c.red(), c.green(), c.blue(), alpha);
        }
    }
    return image;
}
