#include "app/PacketWatcher.h"

#include <process.h>

#include <memory>

CloseSocketProc WatcherCloseSocket = ::closesocket;

namespace {

constexpr DWORD kStopWaitOnRestartMs = 2000;

// What a watcher thread owns: its socket, its own handle of the stop event and the flag
// it reads. Deleted by the thread when it ends.
struct WatcherStart {
    SOCKET socket;
    fw::UniqueHandle stopEvent;
    const std::atomic<std::int32_t>* active;
};

unsigned __stdcall WatcherThread(void* parameter) {
    std::unique_ptr<WatcherStart> start(static_cast<WatcherStart*>(parameter));
    return RunPacketWatcher(start->socket, start->stopEvent.get(), *start->active);
}

}  // namespace

DWORD RunPacketWatcher(SOCKET socket, HANDLE stopEvent, const std::atomic<std::int32_t>& active) {
    // One packet at a time in a fixed buffer on this thread's stack; nothing is allocated
    // per packet.
    char packet[kPacketBufferSize];
    sockaddr_in sender{};
    DWORD result = kWatcherExitSwitchedOff;
    fw::UniqueHandle received(::WSACreateEvent());
    if (!received) {
        WatcherCloseSocket(socket);
        return kWatcherExitReceiveFailed;
    }

    while (active.load() != 0) {
        WSABUF buffer{kPacketBufferSize, packet};
        WSAOVERLAPPED overlapped{};
        overlapped.hEvent = received.get();
        DWORD bytes = 0;
        DWORD flags = 0;
        INT senderLength = sizeof sender;
        int rc = ::WSARecvFrom(socket, &buffer, 1, &bytes, &flags, reinterpret_cast<sockaddr*>(&sender), &senderLength,
                               &overlapped, nullptr);
        if (rc == SOCKET_ERROR && ::WSAGetLastError() != WSA_IO_PENDING) {
            result = kWatcherExitReceiveFailed;
            break;
        }
        HANDLE waits[2] = {received.get(), stopEvent};
        DWORD woke = ::WaitForMultipleObjects(2, waits, FALSE, INFINITE);
        if (woke != WAIT_OBJECT_0) {
            // Stop requested (or the wait failed): the pending receive must finish before
            // its buffer on this stack goes away.
            ::CancelIo(reinterpret_cast<HANDLE>(socket));
            ::WSAGetOverlappedResult(socket, &overlapped, &bytes, TRUE, &flags);
            break;
        }
        if (!::WSAGetOverlappedResult(socket, &overlapped, &bytes, FALSE, &flags)) {
            result = kWatcherExitReceiveFailed;
            break;
        }
        ::WSAResetEvent(received.get());
        // The packet is dropped; the next turn overwrites the buffer.
    }
    WatcherCloseSocket(socket);
    return result;
}

PacketWatcher::~PacketWatcher() { Stop(kStopWaitOnRestartMs); }

bool PacketWatcher::Start(SOCKET socket, const std::atomic<std::int32_t>& active) {
    Stop(kStopWaitOnRestartMs);
    if (socket == INVALID_SOCKET) return false;

    fw::UniqueHandle stop(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    HANDLE threadsCopy = nullptr;
    if (!stop || !::DuplicateHandle(::GetCurrentProcess(), stop.get(), ::GetCurrentProcess(), &threadsCopy, 0, FALSE,
                                    DUPLICATE_SAME_ACCESS)) {
        WatcherCloseSocket(socket);
        return false;
    }
    auto* start = new WatcherStart{socket, fw::UniqueHandle(threadsCopy), &active};
    uintptr_t thread = ::_beginthreadex(nullptr, 0, WatcherThread, start, 0, nullptr);
    if (thread == 0) {
        delete start;
        WatcherCloseSocket(socket);
        return false;
    }
    thread_.reset(reinterpret_cast<HANDLE>(thread));
    stopEvent_ = std::move(stop);
    return true;
}

bool PacketWatcher::Running() const {
    return thread_ && ::WaitForSingleObject(thread_.get(), 0) == WAIT_TIMEOUT;
}

void PacketWatcher::Stop(DWORD waitMs) {
    if (!thread_) return;
    ::SetEvent(stopEvent_.get());
    ::WaitForSingleObject(thread_.get(), waitMs);
    if (Running()) {
        // The thread owns its socket, buffer and event copy, so letting go of it is safe.
        thread_.reset();
    }
    stopEvent_.reset();
}

DWORD PacketWatcher::LastExitCode() const {
    DWORD code = STILL_ACTIVE;
    if (thread_) ::GetExitCodeThread(thread_.get(), &code);
    return code;
}
