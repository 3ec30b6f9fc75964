// Packets per second the packet watcher takes off a raw ICMP socket, as a ratio to the
// plainest receive loop (blocking recvfrom into the same 1,600-byte buffer) on the same kind
// of socket in the same run (the floor).
//
// Each round queues a burst of loopback pings on a fresh receiving socket before anything
// reads it, then times one receiver draining that queue. The burst ends with one ping larger
// than the buffer: both receivers fail on it, so it marks the end of the queue and neither
// needs a per-packet hook. The floor counts what it drains; a burst is sized so that nothing
// is dropped, which makes every round's queue the same length. Only 127.0.0.1 is pinged.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <process.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "tests/bench/Timing.h"
#include "app/PacketWatcher.h"
#include "framework/Handles.h"

namespace {

using bench::Median;
using bench::Seconds;

constexpr int kRounds = 15;
constexpr int kPingsPerBurst = 400;
constexpr int kSmallPayload = 56;
// An IP packet above the receivers' buffer: its receive fails and ends the drain.
constexpr int kMarkerPayload = 2000;
static_assert(kMarkerPayload > kPacketBufferSize, "the marker must not fit the buffer");
constexpr int kReceiveBufferBytes = 4 << 20;
constexpr DWORD kFloorReceiveTimeoutMs = 2000;
constexpr DWORD kSettleMs = 50;
constexpr DWORD kDrainTimeoutMs = 5000;
constexpr double kGoal = 0.95;

struct SocketTraits {
    static SOCKET none() noexcept { return INVALID_SOCKET; }
    static void close(SOCKET s) noexcept { ::closesocket(s); }
};
using UniqueSocket = fw::UniqueResource<SOCKET, SocketTraits>;

SOCKET RawIcmpSocket() { return ::WSASocketA(AF_INET, SOCK_RAW, IPPROTO_ICMP, nullptr, 0, WSA_FLAG_OVERLAPPED); }

std::vector<char> EchoRequest(std::uint16_t id, std::uint16_t sequence, int payload) {
    std::vector<unsigned char> p(8 + static_cast<size_t>(payload), 0xA5);
    p[0] = 8;  // echo request
    p[1] = 0;
    p[2] = p[3] = 0;
    p[4] = static_cast<unsigned char>(id >> 8);
    p[5] = static_cast<unsigned char>(id);
    p[6] = static_cast<unsigned char>(sequence >> 8);
    p[7] = static_cast<unsigned char>(sequence);
    std::uint32_t sum = 0;
    for (size_t i = 0; i + 1 < p.size(); i += 2) sum += static_cast<std::uint32_t>(p[i] << 8 | p[i + 1]);
    if (p.size() % 2) sum += static_cast<std::uint32_t>(p.back() << 8);
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    std::uint16_t checksum = static_cast<std::uint16_t>(~sum);
    p[2] = static_cast<unsigned char>(checksum >> 8);
    p[3] = static_cast<unsigned char>(checksum);
    return std::vector<char>(p.begin(), p.end());
}

struct Drain {
    double seconds = 0;
    int received = 0;  // counted by the floor only
    bool reachedMarker = false;
};

struct Job {
    SOCKET socket;
    bool watcher;
    HANDLE stop;
    const std::atomic<std::int32_t>* active;
    Drain result;
};

unsigned __stdcall DrainThread(void* parameter) {
    Job& job = *static_cast<Job*>(parameter);
    LARGE_INTEGER start, end;
    ::QueryPerformanceCounter(&start);
    if (job.watcher) {
        job.result.reachedMarker = RunPacketWatcher(job.socket, job.stop, *job.active) == kWatcherExitReceiveFailed;
    } else {
        char packet[kPacketBufferSize];
        sockaddr_in sender{};
        for (;;) {
            int length = sizeof sender;
            int got = ::recvfrom(job.socket, packet, sizeof packet, 0, reinterpret_cast<sockaddr*>(&sender), &length);
            if (got == SOCKET_ERROR) {
                job.result.reachedMarker = ::WSAGetLastError() == WSAEMSGSIZE;
                break;
            }
            ++job.result.received;
        }
    }
    ::QueryPerformanceCounter(&end);
    job.result.seconds = Seconds(start, end);
    return 0;
}

class Bench {
public:
    bool Prepare() {
        sender_.reset(RawIcmpSocket());
        if (!sender_) return false;
        // The sender gets copies of every ping too; it never reads them.
        int small = 1;
        ::setsockopt(sender_.get(), SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&small), sizeof small);
        loopback_.sin_family = AF_INET;
        loopback_.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
        stop_.reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
        return static_cast<bool>(stop_);
    }

    // One round: a fresh receiver, a queued burst, one drain. False when the round could not
    // be made or the drain did not reach the marker.
    bool Round(bool watcher, Drain& drain) {
        UniqueSocket receiver(RawIcmpSocket());
        if (!receiver) return false;
        int bytes = kReceiveBufferBytes;
        ::setsockopt(receiver.get(), SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&bytes), sizeof bytes);
        DWORD timeout = kFloorReceiveTimeoutMs;
        ::setsockopt(receiver.get(), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);

        for (int i = 0; i < kPingsPerBurst; ++i) {
            if (!Send(kSmallPayload)) return false;
        }
        if (!Send(kMarkerPayload)) return false;
        ::Sleep(kSettleMs);

        ::ResetEvent(stop_.get());
        // The watcher closes the socket it was handed; the floor's stays owned here.
        Job job{watcher ? receiver.release() : receiver.get(), watcher, stop_.get(), &active_, {}};
        uintptr_t started = ::_beginthreadex(nullptr, 0, DrainThread, &job, 0, nullptr);
        if (started == 0) {
            if (watcher) ::closesocket(job.socket);
            return false;
        }
        fw::UniqueHandle thread(reinterpret_cast<HANDLE>(started));
        if (::WaitForSingleObject(thread.get(), kDrainTimeoutMs) != WAIT_OBJECT_0) {
            ::SetEvent(stop_.get());
            if (!watcher) receiver.reset();
            if (::WaitForSingleObject(thread.get(), kDrainTimeoutMs) != WAIT_OBJECT_0) {
                std::printf("packet watcher: a receiver did not end; giving up\n");
                std::fflush(stdout);
                ::ExitProcess(1);
            }
            return false;
        }
        drain = job.result;
        return drain.reachedMarker;
    }

private:
    bool Send(int payload) {
        std::vector<char> request = EchoRequest(id_, sequence_++, payload);
        int sent = ::sendto(sender_.get(), request.data(), static_cast<int>(request.size()), 0,
                            reinterpret_cast<const sockaddr*>(&loopback_), sizeof loopback_);
        return sent == static_cast<int>(request.size());
    }

    UniqueSocket sender_;
    sockaddr_in loopback_{};
    fw::UniqueHandle stop_;
    std::atomic<std::int32_t> active_{1};
    std::uint16_t id_ = static_cast<std::uint16_t>(::GetCurrentProcessId());
    std::uint16_t sequence_ = 0;
};

}  // namespace

int main() {
    WSADATA wsa;
    if (::WSAStartup(MAKEWORD(2, 2), &wsa) != 0) {
        std::printf("packet watcher: Windows Sockets did not start\n");
        return 1;
    }
    {
        UniqueSocket probe(RawIcmpSocket());
        if (!probe) {
            std::printf("packet watcher: raw ICMP sockets are not available here (error %d; they need root): skipped\n",
                        ::WSAGetLastError());
            ::WSACleanup();
            return 0;
        }
    }

    Bench bench;
    if (!bench.Prepare()) {
        std::printf("packet watcher: the sending socket could not be prepared\n");
        return 1;
    }

    std::vector<double> watcherSeconds, floorSeconds;
    std::vector<int> floorCounts;
    for (int round = 0; round < kRounds; ++round) {
        Drain floor, watcher;
        if (!bench.Round(false, floor) || !bench.Round(true, watcher)) {
            std::printf("packet watcher: round %d did not drain its burst (a marker was lost?)\n", round);
            return 1;
        }
        floorSeconds.push_back(floor.seconds);
        floorCounts.push_back(floor.received);
        watcherSeconds.push_back(watcher.seconds);
    }

    auto [fewest, most] = std::minmax_element(floorCounts.begin(), floorCounts.end());
    if (*fewest != *most) {
        std::printf("packet watcher: bursts were not queued whole (%d to %d packets); figures are rough\n", *fewest,
                    *most);
    }
    // The packets drained per round: the queued pings and replies, and the marker.
    double packets = static_cast<double>(*most + 1);
    double watcherRate = packets / Median(watcherSeconds);
    double floorRate = packets / Median(floorSeconds);
    std::printf("packet watcher: %d rounds, %.0f loopback ICMP packets queued per round\n", kRounds, packets);
    std::printf("watcher %.0f pkt/s, floor %.0f pkt/s, ratio %.2f (goal >= %.2f)\n", watcherRate, floorRate,
                watcherRate / floorRate, kGoal);
    ::WSACleanup();
    return 0;
}
