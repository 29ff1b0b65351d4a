// Build-time picture generator: renders the SVG sources to PNG and computes the
// pictures that are better described by code (colour wheel, icon container).
//
//   zaldo_imagegen svg <in.svg> <out.png> [side]   (side: a square of side px)
//   zaldo_imagegen palette <out.png>
//   zaldo_imagegen ico <in.svg> <out.ico>
#include "icowriter.h"
#include "palette.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

namespace {

int fail(const QString &message)
{
    std::fprintf(stderr, "zaldo_imagegen: %s\n", qPrintable(message));
    return 1;
}

bool ensureDir(const QString &file)
{
    return QDir().mkpath(QFileInfo(file).absolutePath());
}

QImage renderSvg(QSvgRenderer &renderer, const QSize &size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

int svgToPng(const QString &in, const QString &out, int side)
{
    QSvgRenderer renderer(in);
    if (!renderer.isValid())
        return fail(QStringLiteral("cannot read SVG %1").arg(in));
    const QSize size = side > 0 ? QSize(side, side) : renderer.defaultSize();
    if (size.isEmpty())
        return fail(QStringLiteral("SVG %1 has no size").arg(in));
    if (!ensureDir(out) || !renderSvg(renderer, size).save(out, "PNG"))
        return fail(QStringLiteral("cannot write %1").arg(out));
    return 0;
}

int svgToIco(const QString &in, const QString &out)
{
    QSvgRenderer renderer(in);
    if (!renderer.isValid())
        return fail(QStringLiteral("cannot read SVG %1").arg(in));
    QVector<QImage> images;
    for (int side : {16, 24, 32, 48, 64, 128, 256})
        images.append(renderSvg(renderer, QSize(side, side)));
    if (!ensureDir(out) || !writeIco(out, images))
        return fail(QStringLiteral("cannot write %1").arg(out));
    return 0;
}

int palette(const QString &out)
{
    if (!ensureDir(out) || !makeColourWheel(140).save(out, "PNG"))
        return fail(QStringLiteral("cannot write %1").arg(out));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    // Fonts and painting need a GUI application, but never a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args.at(1) == QLatin1String("svg"))
        return svgToPng(args.at(2), args.at(3), 0);
    if (args.size() == 5 && args.at(1) == QLatin1String("svg") && args.at(4).toInt() > 0)
        return svgToPng(args.at(2), args.at(3), args.at(4).toInt());
    if (args.size() == 4 && args.at(1) == QLatin1String("ico"))
        return svgToIco(args.at(2), args.at(3));
    if (args.size() == 3 && args.at(1) == QLatin1String("palette"))
        return palette(args.at(2));
    return fail(QStringLiteral("usage: zaldo_imagegen svg <in.svg> <out.png> [side] | ico <in.svg> <out.ico> | palette <out.png>"));
}
