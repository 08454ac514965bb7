#pragma once
// The state of the call button's connection, shared by the modem dialer and the TCP client.
#include <atomic>

namespace vexa {

enum class CallState : int { offline = 0, calling = 1, online = 2, disconnecting = 3 };

// Written by the window thread (modem) and the receive thread (TCP connect).
using SharedCallState = std::atomic<CallState>;

}  // namespace vexa
