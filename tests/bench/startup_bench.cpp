// Start-up time of Kelvara.exe until its main window shows, as a ratio to the smallest
// dialog program built the same way and started under the same Wine (the floor).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/bench/Timing.h"
#include "tests/support/Support.h"

namespace {

using bench::Median;
using bench::Seconds;

constexpr int kRuns = 7;
constexpr WPARAM kKelvaraExit = 32786;  // the tray menu's Exit

// Milliseconds from CreateProcess to a visible top-level window with this caption.
// The program is then closed through `closeCommand`: killing it instead leaves Wine busy
// with its remains when the next program starts.
double TimeToWindow(const std::string& exe, const std::string& folder, const char* caption, WPARAM closeCommand) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string line = "\"" + exe + "\"";
    LARGE_INTEGER frequency, start, shown;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi)) {
        return -1;
    }
    HWND window = nullptr;
    bool up = test::WaitUntil(
        [&] {
            for (HWND w : test::TopWindowsOf(pi.dwProcessId, "#32770", caption)) {
                if (::IsWindowVisible(w)) window = w;
            }
            return window != nullptr;
        },
        30000);
    ::QueryPerformanceCounter(&shown);
    if (window) ::PostMessageA(window, WM_COMMAND, closeCommand, 0);
    if (::WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) {
        ::TerminateProcess(pi.hProcess, 0);
        ::WaitForSingleObject(pi.hProcess, 10000);
    }
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    if (!up) return -1;
    return 1000.0 * static_cast<double>(shown.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main() {
    // Both programs start from the build's output folder, with the same loader search.
    const std::string folder = test::BinDir();

    std::vector<double> kelvara, minimal;
    for (int i = 0; i < kRuns; ++i) {
        kelvara.push_back(TimeToWindow(folder + "\\Kelvara.exe", folder, "Kelvara", kKelvaraExit));
        minimal.push_back(TimeToWindow(folder + "\\minimal_dialog.exe", folder, "Minimal", IDCANCEL));
        std::printf("  run %d: Kelvara %.1f ms, minimal %.1f ms\n", i + 1, kelvara.back(), minimal.back());
    }
    double k = Median(kelvara);
    double m = Median(minimal);
    if (k < 0 || m < 0) {
        std::printf("start-up: a window did not appear\n");
        return 1;
    }
    std::printf("start-up to window: Kelvara %.1f ms, minimal dialog %.1f ms (floor), ratio %.2f (goal <= 1.3)\n", k, m,
                k / m);
    return 0;
}
