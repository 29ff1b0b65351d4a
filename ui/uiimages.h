#pragma once

#include <QString>

// Where the views find their pictures: "Image/" beside the program.
namespace UiImages {
// Absolute path of a picture, e.g. path("palette.png") or path("keyboard/LINE.png").
QString path(const QString &relative);
// The same path as a style-sheet url(...) argument, quoted.
QString url(const QString &relative);
// Tests point the views at another folder (empty restores the program's folder).
void setRootForTesting(const QString &imageDir);
} // namespace UiImages
