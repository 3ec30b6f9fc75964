// Switching acceleration on and off, and the raw socket the packet watcher drains.
#include "app/Acceleration.h"

#include <mstcpip.h>
#include <ws2tcpip.h>

#include <cstring>

#include "app/NimbrelDlg.h"
#include "app/PacketWatcher.h"

std::atomic<std::int32_t> AccelerationActive{0};
SOCKET WatcherSocket = INVALID_SOCKET;

const char* const kAcceleratingStatusText = "Status: accelerating\nPress to stop acceleration";
const char* const kStoppedStatusText = "Status: stopped\nPress to start acceleration ";

namespace {

// A bind that reports "operation now in progress" still leaves a usable socket.
constexpr int kBindInProgress = WSAEINPROGRESS;  // 10036

}  // namespace

int ChooseBindAddress(const char (*table)[kLocalAddressTextSize], int count) {
    for (int i = 0; i < count; ++i) {
        if (std::strcmp(table[i], "127.0.0.1") != 0 && std::strcmp(table[i], "0.0.0.0") != 0) return i;
    }
    return 0;
}

SOCKET OpenWatcherSocket() {
    SOCKET s = ::WSASocketA(AF_INET, SOCK_RAW, IPPROTO_IP, nullptr, 0, WSA_FLAG_OVERLAPPED);
    if (s == INVALID_SOCKET) return INVALID_SOCKET;

    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = 0;
    local.sin_addr.s_addr = ::inet_addr(LocalAddressList[ChooseBindAddress(LocalAddressList, LocalAddressCount)]);
    if (::bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local) == SOCKET_ERROR &&
        ::WSAGetLastError() != kBindInProgress) {
        WatcherCloseSocket(s);
        return INVALID_SOCKET;
    }

    DWORD on = RCVALL_ON;
    DWORD out = 0;
    DWORD returned = 0;
    ::WSAIoctl(s, SIO_RCVALL, &on, sizeof on, &out, sizeof out, &returned, nullptr, nullptr);
    return s;
}

void CNimbrelDlg::ToggleAcceleration() {
    if (AccelerationActive.load() == 0) {
        AccelerationActive.store(1);
        WatcherSocket = OpenWatcherSocket();
        packetWatcher_.Start(WatcherSocket, AccelerationActive);
        ShowLoadDisplay(true);
        accelerateButton_.SetWindowText(kAcceleratingStatusText);
    } else {
        // The watcher notices the switch-off after its next receive and closes its socket.
        AccelerationActive.store(0);
        ShowLoadDisplay(false);
        accelerateButton_.SetWindowText(kStoppedStatusText);
    }
}

void CNimbrelDlg::ShowLoadDisplay(bool running) {
    if (running) {
        ::SetTimer(hwnd(), ID_TIMER_SAMPLER, kSamplerPeriodMs, nullptr);
        histogram_.SetScrollInterval(kGraphScrollMs);
        ShowPicture(IDR_GIF_LEVEL1);
    } else {
        histogram_.SetScrollInterval(0);
        ShowPicture(IDR_GIF_STOPPED);
        ::KillTimer(hwnd(), ID_TIMER_SAMPLER);
    }
}
