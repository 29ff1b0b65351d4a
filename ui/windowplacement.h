#pragma once

#include <QPoint>
#include <QRect>

// Where a window goes on a screen's available area (without panels and docks):
// where it asks to be when it fits there, else moved just enough to fit, and
// centred on an axis on which it is larger than the area. A fixed place would
// put part of the panel out of reach on a small screen.
QPoint placeWithin(const QRect &wanted, const QRect &available);

// The same on the screen under the wanted place (the primary screen when it
// lies on none); the wanted place itself when there is no screen at all.
QPoint placeOnScreen(const QRect &wanted);
