#include "app/NimbrelApp.h"

#include <commctrl.h>

#include "app/NimbrelDlg.h"
#include "framework/SystemLibrary.h"
#include "skinstub/SkinMagic.h"

namespace {

// InitCommonControls is exported by ordinal 17. It is resolved from the system folder only,
// so a comctl32.dll lying beside the program never runs.
constexpr WORD kInitCommonControlsOrdinal = 17;

void InitCommonControlsFromSystem() {
    HMODULE comctl = fw::LoadSystemLibrary("comctl32.dll");
    if (!comctl) return;
    using InitProc = void(WINAPI*)();
    auto init = reinterpret_cast<InitProc>(
        reinterpret_cast<void*>(::GetProcAddress(comctl, MAKEINTRESOURCEA(kInitCommonControlsOrdinal))));
    if (init) init();
}

}  // namespace

bool CNimbrelApp::InitInstance() {
    InitCommonControlsFromSystem();

    HINSTANCE instance = fw::AppInstance();
    InitSkinMagicLib(instance, "SCRIBBLE", nullptr, nullptr);
    LoadSkinFromResource(instance, "DEFAULT", "SKINMAGIC");
    SetDialogSkin("Dialog");

    {
        CNimbrelDlg dialog;
        setMainWindow(&dialog);
        dialog.DoModal();
        setMainWindow(nullptr);
    }
    return false;
}

int CNimbrelApp::ExitInstance() {
    ExitSkinMagicLib();
    return fw::CWinApp::ExitInstance();
}
