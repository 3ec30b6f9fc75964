// The process-wide acceleration state and the raw socket of the packet watcher.
#pragma once

#include <winsock2.h>

#include <atomic>
#include <cstdint>

#include "stats/LocalAddressList.h"

// 0 off, 1 on; read afresh by the watcher on each turn of its loop.
extern std::atomic<std::int32_t> AccelerationActive;

// The socket of the watcher started last, or INVALID_SOCKET when none could be opened. Only
// the window's thread writes it; the watcher uses the socket it was handed, never this.
extern SOCKET WatcherSocket;

extern const char* const kAcceleratingStatusText;
extern const char* const kStoppedStatusText;

// The entry the raw socket is bound to: the first that is neither "127.0.0.1" nor
// "0.0.0.0", else entry 0 (an empty text when the list is empty).
int ChooseBindAddress(const char (*table)[kLocalAddressTextSize], int count);

// A raw IPv4 socket bound to the chosen local address, in receive-all mode; INVALID_SOCKET
// when it cannot be created or bound (nothing is left open then).
SOCKET OpenWatcherSocket();
