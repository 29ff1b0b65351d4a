#pragma once

#include <QImage>

// A colour wheel of the given side: hue by angle (red at the right, counter-
// clockwise), saturation by distance from the centre (white there), value 1.
// Outside the circle the pixels are transparent but keep the rim colour of
// their direction, so a pick just outside the rim reads the nearest rim colour.
QImage makeColourWheel(int side);
