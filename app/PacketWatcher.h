// The packet watcher: a thread that takes every packet off the acceleration socket and
// drops it, for as long as acceleration stays on.
//
// Each watcher owns the socket it was started with and closes it exactly once when it
// ends; a watcher never looks at any other socket. At most one watcher runs: starting a new
// one first stops the old one. A watcher waits for its receive and for a stop request
// together, so it can be stopped without closing its socket under it.
#pragma once

#include <winsock2.h>

#include <atomic>
#include <cstdint>
#include <memory>

#include "framework/Handles.h"

// The socket closing call; tests count closes through it.
using CloseSocketProc = int(WSAAPI*)(SOCKET);
extern CloseSocketProc WatcherCloseSocket;

constexpr int kPacketBufferSize = 1600;
constexpr DWORD kWatcherExitSwitchedOff = 0;
constexpr DWORD kWatcherExitReceiveFailed = 1;

// The watcher's loop on one socket, run on the calling thread: receive while `active` is
// non-zero and no stop was requested (`stopEvent` signalled or `*stopRequested` set). Closes `socket` once before it returns.
// Returns kWatcherExitSwitchedOff when it ended because acceleration was switched off or
// a stop was requested, kWatcherExitReceiveFailed when a receive failed.
DWORD RunPacketWatcher(SOCKET socket, HANDLE stopEvent, const std::atomic<std::int32_t>& active,
                       const std::atomic<bool>* stopRequested = nullptr);

class PacketWatcher {
public:
    PacketWatcher() = default;
    ~PacketWatcher();
    PacketWatcher(const PacketWatcher&) = delete;
    PacketWatcher& operator=(const PacketWatcher&) = delete;

    // Stops any running watcher, then starts one that owns `socket`. The socket is closed
    // here when the thread cannot be started. False when no watcher was started.
    bool Start(SOCKET socket, const std::atomic<std::int32_t>& active);
    // True while the last started watcher has not ended.
    bool Running() const;
    // Asks the running watcher to end and waits for it at most `waitMs`. A watcher that
    // does not end in time keeps everything it uses; it is only no longer tracked here.
    void Stop(DWORD waitMs);
    // The exit code of the last watcher once it has ended, else STILL_ACTIVE.
    DWORD LastExitCode() const;

private:
    fw::UniqueHandle thread_;
    fw::UniqueHandle stopEvent_;
    std::shared_ptr<std::atomic<bool>> stopRequested_;
};
