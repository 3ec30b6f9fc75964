#include "app/NimbrelApp.h"

#include <commctrl.h>
#include <ole2.h>

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

// The level picture loads its frames with OleLoadPicture, which needs OLE on this thread
// for as long as the main window lives.
class OleSession {
public:
    OleSession() noexcept : initialised_(SUCCEEDED(::OleInitialize(nullptr))) {}
    ~OleSession() {
        if (initialised_) ::OleUninitialize();
    }
    OleSession(const OleSession&) = delete;
    OleSession& operator=(const OleSession&) = delete;

private:
    bool initialised_;
};

}  // namespace

bool CNimbrelApp::InitInstance() {
    InitCommonControlsFromSystem();

    HINSTANCE instance = fw::AppInstance();
    InitSkinMagicLib(instance, "SCRIBBLE", nullptr, nullptr);
    LoadSkinFromResource(instance, "DEFAULT", "SKINMAGIC");
    SetDialogSkin("Dialog");

    {
        OleSession ole;
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
