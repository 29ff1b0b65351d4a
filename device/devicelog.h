#pragma once

#include <QLoggingCategory>

// Protocol and connection events (the fixed labels of the device link).
Q_DECLARE_LOGGING_CATEGORY(lcDevice)
// Raw reports as hex, one line per hidapi call.
Q_DECLARE_LOGGING_CATEGORY(lcHid)
// The emulated boxes.
Q_DECLARE_LOGGING_CATEGORY(lcBoxEmulator)
