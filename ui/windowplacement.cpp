#include "ui/windowplacement.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace {
int placeOnAxis(int wanted, int size, int start, int length)
{
    if (size > length)
        return start + (length - size) / 2;
    return std::clamp(wanted, start, start + length - size);
}
} // namespace

QPoint placeWithin(const QRect &wanted, const QRect &available)
{
    return {placeOnAxis(wanted.x(), wanted.width(), available.x(), available.width()),
            placeOnAxis(wanted.y(), wanted.height(), available.y(), available.height())};
}

QPoint placeOnScreen(const QRect &wanted)
{
    const QScreen *screen = QGuiApplication::screenAt(wanted.topLeft());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? placeWithin(wanted, screen->availableGeometry()) : wanted.topLeft();
}
