// The program's stored values and the start-with-Windows entry.
#include "app/Preferences.h"

#include <cinttypes>
#include <cstdint>
#include <cstdio>

#include "app/NimbrelDlg.h"
#include "app/Registry.h"

std::string KeptNumberText(DWORD value) {
    char text[16];
    std::snprintf(text, sizeof text, "%" PRId32, static_cast<std::int32_t>(value));
    return text;
}

DWORD KeptNumberValue(const std::string& text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    std::int64_t magnitude = 0;
    constexpr std::int64_t kLimit = std::int64_t{INT32_MAX} + 1;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > kLimit) magnitude = kLimit;
    }
    std::int64_t number = negative ? -magnitude : magnitude;
    if (number > INT32_MAX) number = INT32_MAX;
    return static_cast<DWORD>(static_cast<std::int32_t>(number));
}

std::optional<std::string> ModulePathFromBuffer(const char* buffer, DWORD length, DWORD capacity) {
    // A path that filled the buffer was cut short and would name some other file.
    if (length == 0 || length >= capacity) return std::nullopt;
    return std::string(buffer, length);
}

std::string StartupEntryData(const std::string& modulePath) { return "\"" + modulePath + "\" -tray"; }

void CNimbrelDlg::ReadStoredValues() {
    reg::Key key = reg::OpenProductKey();
    DWORD checkPeriodNum = kDefaultCheckPeriodNum;
    DWORD accelerateN = kDefaultAccelerateN;
    DWORD checkPeriodCombo = kDefaultCheckPeriodCombo;
    DWORD network = kDefaultNetwork;
    key.QueryDword(kCheckPeriodNumValue, checkPeriodNum);
    key.QueryDword(kAccelerateNValue, accelerateN);
    // Read as it always was, but nothing depends on it: it is stored as 0 at every hide.
    key.QueryDword(kCheckPeriodComboValue, checkPeriodCombo);
    key.QueryDword(kNetworkValue, network);
    keptCheckPeriodNum_ = KeptNumberText(checkPeriodNum);
    keptAccelerateN_ = KeptNumberText(accelerateN);
    SelectedAdapter = static_cast<INT>(network);
}

void CNimbrelDlg::StoreKeptValues() {
    UpdateData(true);
    reg::Key key = reg::CreateProductKey();
    if (!key) return;
    key.SetDword(kCheckPeriodNumValue, KeptNumberValue(keptCheckPeriodNum_));
    key.SetDword(kCheckPeriodComboValue, kDefaultCheckPeriodCombo);
    key.SetDword(kAccelerateNValue, KeptNumberValue(keptAccelerateN_));
}

void CNimbrelDlg::OnRunAtStartup() {
    RunAtStartup = !RunAtStartup;
    reg::Key run = reg::Key::Open(HKEY_CURRENT_USER, kRunKeyPath, KEY_ALL_ACCESS);
    if (!run) return;
    if (RunAtStartup) {
        char buffer[kModulePathBufferSize];
        DWORD length = ::GetModuleFileNameA(nullptr, buffer, kModulePathBufferSize);
        // A path that does not fit is not stored at all: the entry stays as it was, and the
        // next opening of the menu shows its real state.
        if (std::optional<std::string> path = ModulePathFromBuffer(buffer, length, kModulePathBufferSize)) {
            run.SetText(kStartupEntryName, StartupEntryData(*path));
        }
    } else {
        run.DeleteValue(kStartupEntryName);
    }
}

void CNimbrelDlg::OnUpdateRunAtStartup(fw::CCmdUI& ui) {
    reg::Key run = reg::Key::Open(HKEY_CURRENT_USER, kRunKeyPath, KEY_QUERY_VALUE);
    RunAtStartup = run.ValueExists(kStartupEntryName);
    ui.SetCheck(RunAtStartup);
}
