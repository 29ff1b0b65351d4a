#pragma once

#include <QString>

// Shows the update service's note in a small window of its own, which stays
// until the user closes it.
void showUpdateNote(const QString &note);
