#pragma once

#include "core/controllerstate.h"

#include <array>

// What the exchanges queued inside one DeviceLink::afterExchanges brought.
// missed[b] is written only by box b's worker and read there by the check-in
// job queued after them; the rest only on the state's thread.
struct ExchangeWatch {
    std::array<int, kBoxCount> missed{};   // exchanges without a reply
    std::array<bool, kBoxCount> queued{};  // the box got an exchange
    std::array<bool, kBoxCount> unsent{};  // marked connected, but without a handle
};
