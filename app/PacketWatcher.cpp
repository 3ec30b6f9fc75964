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
    // Read on every packet; the event alone would cost a system call each time.
    std::shared_ptr<std::atomic<bool>> stopRequested;
};

unsigned __stdcall WatcherThread(void* parameter) {
    std::unique_ptr<WatcherStart> start(static_cast<WatcherStart*>(parameter));
    return RunPacketWatcher(start->socket, start->stopEvent.get(), *start->active, start->stopRequested.get());
}

}  // namespace

DWORD RunPacketWatcher(SOCKET socket, HANDLE stopEvent, const std::atomic<std::int32_t>& active,
                       const std::atomic<bool>* stopRequested) {
    // One packet at a time in a fixed buffer on this thread's stack; nothing is allocated
    // per packet.
    char packet[kPacketBufferSize];
    sockaddr_in sender{};
    DWORD result = kWatcherExitSwitchedOff;
    // The socket reports "readable" through an event, so the thread waits for a packet and a
    // stop request together; every packet already queued is then taken with one plain
    // receive each, as a blocking loop would.
    fw::UniqueHandle readable(::WSACreateEvent());
    if (!readable || ::WSAEventSelect(socket, readable.get(), FD_READ) == SOCKET_ERROR) {
        WatcherCloseSocket(socket);
        return kWatcherExitReceiveFailed;
    }

    auto stopped = [stopRequested] { return stopRequested && stopRequested->load(); };
    while (active.load() != 0 && !stopped()) {
        int senderLength = sizeof sender;
        int received = ::recvfrom(socket, packet, kPacketBufferSize, 0, reinterpret_cast<sockaddr*>(&sender),
                                  &senderLength);
        if (received != SOCKET_ERROR) continue;  // the packet is dropped; the next turn overwrites it
        if (::WSAGetLastError() != WSAEWOULDBLOCK) {
            result = kWatcherExitReceiveFailed;
            break;
        }
        HANDLE waits[2] = {readable.get(), stopEvent};
        if (::WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) break;
        // A packet arriving after this reset signals again: the receive above re-arms it.
        ::WSAResetEvent(readable.get());
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
    auto stopRequested = std::make_shared<std::atomic<bool>>(false);
    auto start = std::make_unique<WatcherStart>(WatcherStart{socket, fw::UniqueHandle(threadsCopy), &active, stopRequested});
    uintptr_t thread = ::_beginthreadex(nullptr, 0, WatcherThread, start.get(), 0, nullptr);
    if (thread == 0) {
        WatcherCloseSocket(socket);
        return false;
    }
    start.release();  // the thread owns it now
    thread_.reset(reinterpret_cast<HANDLE>(thread));
    stopEvent_ = std::move(stop);
    stopRequested_ = std::move(stopRequested);
    return true;
}

bool PacketWatcher::Running() const {
    return thread_ && ::WaitForSingleObject(thread_.get(), 0) == WAIT_TIMEOUT;
}

void PacketWatcher::Stop(DWORD waitMs) {
    if (!thread_) return;
    if (stopRequested_) stopRequested_->store(true);
    ::SetEvent(stopEvent_.get());
    ::WaitForSingleObject(thread_.get(), waitMs);
    if (Running()) {
        // The thread owns its socket, buffer and event copy, so letting go of it is safe.
        thread_.reset();
    }
    stopEvent_.reset();
    stopRequested_.reset();
}

DWORD PacketWatcher::LastExitCode() const {
    DWORD code = STILL_ACTIVE;
    if (thread_) ::GetExitCodeThread(thread_.get(), &code);
    return code;
}
