// The launcher row of the main window: the detected clients, the stored choice and Run.
#include "p2p/Launcher.h"

#include <windows.h>
#include <shellapi.h>

#include "app/Acceleration.h"
#include "app/NimbrelDlg.h"
#include "framework/App.h"
#include "framework/Handles.h"
#include "p2p/FindP2PDlg.h"
#include "p2p/P2PClient.h"

namespace launcher {

const char* const kSelectApplicationText = " Select application to run";
const char* const kNothingDetectedText = " No P2P Application has been detected";

std::string NotFoundMessage(const std::string& name) {
    // The name comes from the registry, so it never becomes a format.
    return name + " NOT FOUND. " + name + " will be removed from list.";
}

bool ExecutableExists(const std::string& path) {
    if (path.size() > kMaxSearchablePathLength) return false;
    WIN32_FIND_DATAA entry;
    fw::UniqueFindHandle search(::FindFirstFileA(path.c_str(), &entry));
    return static_cast<bool>(search);
}

}  // namespace launcher

namespace {

constexpr int kPlaceholderItem = 0;
// The stored name is looked for from item 2 on, wrapping round to items 0 and 1.
constexpr int kSearchAfterItem = 1;

// With no client left, item 0 says so instead of inviting a choice.
void ShowNothingDetectedWhenEmpty(const fw::CComboBox& combo) {
    if (combo.GetCount() != 1) return;
    combo.DeleteString(kPlaceholderItem);
    combo.AddString(launcher::kNothingDetectedText);
}

void ReportNotFound(const std::string& name) {
    fw::AppMessageBox(launcher::NotFoundMessage(name).c_str(), MB_OK | MB_ICONERROR);
}

}  // namespace

void CNimbrelDlg::FillLauncher() {
    CFindP2PDlg finder;
    launcherCombo_.AddString(launcher::kSelectApplicationText);
    for (P2PClient client : kAllP2PClients) {
        if (!finder.ProbeClient(client)) continue;
        // A path is kept only beside an item that was added, so item k always has path k-1.
        if (launcherCombo_.AddString(LauncherText(client)) < 0) continue;
        LauncherPaths.push_back(finder.ClientPath(client));
    }

    std::string name = finder.ReadChosenName();
    if (name.empty()) {
        launcherChosenPosition_ = kPlaceholderItem;
        ClearLauncherChoice();
        ShowNothingDetectedWhenEmpty(launcherCombo_);
    } else {
        int found = launcherCombo_.FindStringExact(kSearchAfterItem, name.c_str());
        // The search wraps round to item 0, whose placeholder text names no client.
        if (found < 0 || found == kPlaceholderItem) {
            launcherChosenPosition_ = kPlaceholderItem;
            ClearLauncherChoice();
            ReportNotFound(name);
            finder.WriteChosenName("");
            finder.WriteChosenPath("");
            ShowNothingDetectedWhenEmpty(launcherCombo_);
        } else {
            // The stored choice stands as it is: acceleration and the buttons stay as the
            // window's start left them.
            launcherChosenPosition_ = found;
        }
    }

    launcherCombo_.SetCurSel(launcherChosenPosition_);
    UpdateData(false);
}

void CNimbrelDlg::OnLauncherSelChange() {
    CFindP2PDlg finder;
    int item = launcherCombo_.GetCurSel();
    if (item == kPlaceholderItem) {
        ClearLauncherChoice();
        finder.WriteChosenName("");
        finder.WriteChosenPath("");
        return;
    }
    // No selection, or an item without a path beside it: nothing was picked.
    if (item < 0 || static_cast<size_t>(item) > LauncherPaths.size()) return;

    std::string text = launcherCombo_.GetLBText(item);
    const std::string path = LauncherPaths[static_cast<size_t>(item) - 1];
    if (launcher::ExecutableExists(path)) {
        finder.WriteChosenName(text);
        runButton_.EnableWindow(true);
        accelerateButton_.EnableWindow(true);
        AccelerationActive.store(1);
        ApplyAccelerationState(true);
        finder.WriteChosenPath(path);
        return;
    }

    ReportNotFound(text);
    ClearLauncherChoice();
    finder.WriteChosenName("");
    finder.WriteChosenPath("");
    launcherCombo_.DeleteString(item);
    LauncherPaths.erase(LauncherPaths.begin() + (item - 1));
    ShowNothingDetectedWhenEmpty(launcherCombo_);
    launcherCombo_.SetCurSel(kPlaceholderItem);
}

void CNimbrelDlg::OnRun() {
    // The stored path, not the list's: what was checked when the client was picked.
    CFindP2PDlg finder;
    std::string path = finder.ReadChosenPath();
    if (path.empty()) return;
    ::ShellExecuteA(nullptr, nullptr, path.c_str(), nullptr, nullptr, SW_SHOW);
}

void CNimbrelDlg::ClearLauncherChoice() {
    runButton_.EnableWindow(false);
    accelerateButton_.EnableWindow(false);
    // The watcher notices the switch-off after its next receive and closes its own socket.
    AccelerationActive.store(0);
    ApplyAccelerationState(false);
}

void CNimbrelDlg::ApplyAccelerationState(bool on) {
    if (on && AccelerationActive.load() != 0) {
        // One watcher at most, and never on a socket that a watcher has already closed: a
        // running watcher goes on with the socket it owns (it sees the flag set again),
        // otherwise a fresh socket is opened for a new one.
        if (!packetWatcher_.Running()) {
            WatcherSocket = OpenWatcherSocket();
            packetWatcher_.Start(WatcherSocket, AccelerationActive);
        }
        ShowLoadDisplay(true);
    } else {
        ShowLoadDisplay(false);
    }
    UpdateData(false);
}
