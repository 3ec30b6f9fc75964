// Switching acceleration on and off, and the packet watcher.
#include "app/Acceleration.h"

#include "app/NimbrelDlg.h"

std::atomic<std::int32_t> AccelerationActive{0};

namespace {

const char* const kAcceleratingStatusText = "Status: accelerating\nPress to stop acceleration";
const char* const kStoppedStatusText = "Status: stopped\nPress to start acceleration ";

}  // namespace

void CNimbrelDlg::ToggleAcceleration() {
    if (AccelerationActive.load() == 0) {
        AccelerationActive.store(1);
        ::SetTimer(hwnd(), ID_TIMER_SAMPLER, 1000, nullptr);
        histogram_.SetScrollInterval(1000);
        ShowPicture(IDR_GIF_LEVEL1);
        accelerateButton_.SetWindowText(kAcceleratingStatusText);
    } else {
        AccelerationActive.store(0);
        histogram_.SetScrollInterval(0);
        ShowPicture(IDR_GIF_STOPPED);
        ::KillTimer(hwnd(), ID_TIMER_SAMPLER);
        accelerateButton_.SetWindowText(kStoppedStatusText);
    }
}
