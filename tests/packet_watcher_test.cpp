// The packet watcher's loop and its socket's lifetime on real UDP sockets (a raw
// receive-all socket cannot be made on this platform), and the bind address choice.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <ws2tcpip.h>

#include <map>
#include <mutex>
#include <vector>

#include "app/Acceleration.h"
#include "app/PacketWatcher.h"

namespace {

std::mutex g_closedMutex;
std::map<SOCKET, int> g_closed;

int WSAAPI CountingClose(SOCKET s) {
    {
        std::lock_guard<std::mutex> lock(g_closedMutex);
        ++g_closed[s];
    }
    return ::closesocket(s);
}

int ClosesOf(SOCKET s) {
    std::lock_guard<std::mutex> lock(g_closedMutex);
    auto it = g_closed.find(s);
    return it == g_closed.end() ? 0 : it->second;
}

class Watcher : public ::testing::Test {
protected:
    void SetUp() override {
        WSADATA wsa;
        ASSERT_EQ(::WSAStartup(MAKEWORD(2, 2), &wsa), 0);
        WatcherCloseSocket = CountingClose;
        {
            // Socket handle values are reused from one test to the next.
            std::lock_guard<std::mutex> lock(g_closedMutex);
            g_closed.clear();
        }
        sender_ = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        ASSERT_NE(sender_, INVALID_SOCKET);
        active_.store(1);
    }
    void TearDown() override {
        ::closesocket(sender_);
        WatcherCloseSocket = ::closesocket;
        ::WSACleanup();
    }

    // A UDP socket on loopback, as the watcher would get it (overlapped).
    SOCKET Listening(sockaddr_in& where) {
        SOCKET s = ::WSASocketA(AF_INET, SOCK_DGRAM, IPPROTO_UDP, nullptr, 0, WSA_FLAG_OVERLAPPED);
        EXPECT_NE(s, INVALID_SOCKET);
        where = {};
        where.sin_family = AF_INET;
        where.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
        EXPECT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&where), sizeof where), 0);
        int length = sizeof where;
        ::getsockname(s, reinterpret_cast<sockaddr*>(&where), &length);
        return s;
    }

    void Send(const sockaddr_in& to, int size) {
        std::vector<char> data(static_cast<size_t>(size), 'x');
        ASSERT_EQ(::sendto(sender_, data.data(), size, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to), size);
    }

    static bool EndsWithin(PacketWatcher& watcher, DWORD ms) {
        DWORD start = ::GetTickCount();
        while (watcher.Running()) {
            if (::GetTickCount() - start > ms) return false;
            ::Sleep(10);
        }
        return true;
    }

    SOCKET sender_ = INVALID_SOCKET;
    std::atomic<std::int32_t> active_{0};
};

TEST_F(Watcher, SwitchOffIsSeenAfterTheNextReceive) {
    sockaddr_in where;
    SOCKET s = Listening(where);
    PacketWatcher watcher;
    ASSERT_TRUE(watcher.Start(s, active_));
    Send(where, 100);
    ::Sleep(200);
    EXPECT_TRUE(watcher.Running());

    active_.store(0);
    ::Sleep(300);
    // Still waiting in its receive: nothing has arrived since the switch-off.
    EXPECT_TRUE(watcher.Running());
    EXPECT_EQ(ClosesOf(s), 0);

    Send(where, 100);
    ASSERT_TRUE(EndsWithin(watcher, 5000));
    EXPECT_EQ(watcher.LastExitCode(), kWatcherExitSwitchedOff);
    EXPECT_EQ(ClosesOf(s), 1);
}

TEST_F(Watcher, FailedReceiveEndsTheWatcherAndClosesItsSocket) {
    sockaddr_in where;
    SOCKET s = Listening(where);
    PacketWatcher watcher;
    ASSERT_TRUE(watcher.Start(s, active_));
    Send(where, kPacketBufferSize + 400);  // larger than the packet buffer
    ASSERT_TRUE(EndsWithin(watcher, 5000));
    EXPECT_EQ(watcher.LastExitCode(), kWatcherExitReceiveFailed);
    EXPECT_EQ(ClosesOf(s), 1);
}

TEST_F(Watcher, OnOffOnLeavesOneWatcherOnTheNewSocket) {
    sockaddr_in firstAddress, secondAddress;
    SOCKET first = Listening(firstAddress);
    SOCKET second = Listening(secondAddress);
    PacketWatcher watcher;
    ASSERT_TRUE(watcher.Start(first, active_));
    active_.store(0);
    active_.store(1);
    // The old watcher is still waiting on its socket when acceleration comes back on.
    ASSERT_TRUE(watcher.Start(second, active_));
    EXPECT_EQ(ClosesOf(first), 1);  // the old watcher ended and closed its own socket
    EXPECT_EQ(ClosesOf(second), 0);

    Send(secondAddress, 64);
    ::Sleep(200);
    EXPECT_TRUE(watcher.Running());

    watcher.Stop(5000);
    EXPECT_FALSE(watcher.Running());
    EXPECT_EQ(ClosesOf(first), 1);
    EXPECT_EQ(ClosesOf(second), 1);
}

TEST_F(Watcher, NoSocketStartsNoWatcher) {
    PacketWatcher watcher;
    EXPECT_FALSE(watcher.Start(INVALID_SOCKET, active_));
    EXPECT_FALSE(watcher.Running());
}

TEST(BindAddress, FirstRealAddressElseTheFirstEntry) {
    struct Case {
        const char* label;
        std::vector<const char*> addresses;
        int expected;
    };
    const Case cases[] = {
        {"only loopback and any", {"127.0.0.1", "0.0.0.0"}, 0},
        {"any first, then loopback", {"0.0.0.0", "127.0.0.1"}, 0},
        {"loopback first, then a real address", {"127.0.0.1", "10.1.2.3"}, 1},
        {"real address first", {"192.0.2.7", "127.0.0.1"}, 0},
        {"text must match exactly", {"127.0.0.10", "127.0.0.1"}, 0},
        {"empty list", {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        char table[kLocalAddressCapacity][kLocalAddressTextSize] = {};
        for (size_t i = 0; i < c.addresses.size(); ++i) strcpy(table[i], c.addresses[i]);
        EXPECT_EQ(ChooseBindAddress(table, static_cast<int>(c.addresses.size())), c.expected);
    }
}

}  // namespace
