#include "p2p/FindP2PDlg.h"

#include <optional>
#include <utility>

#include "app/Registry.h"
#include "p2p/ClientDetectionTable.h"

namespace {

constexpr char kChosenNameValue[] = "APP_NAME";
constexpr char kChosenPathValue[] = "APP_PATH";

}  // namespace

bool CFindP2PDlg::ProbeClient(P2PClient client) {
    const p2p::ClientRecord& record = p2p::DetectionRecord(client);

    // Every key of the row is opened first; a try whose key did not open is skipped.
    std::array<reg::Key, p2p::kMaxTriesPerClient> keys;
    bool anyOpen = false;
    for (std::size_t i = 0; i < record.tryCount; ++i) {
        const p2p::ClientTry& entry = record.tries[i];
        keys[i] = reg::Key::Open(p2p::HiveKey(entry.hive), entry.keyPath, KEY_READ);
        anyOpen = anyOpen || static_cast<bool>(keys[i]);
    }
    if (!anyOpen) return false;

    for (std::size_t i = 0; i < record.tryCount; ++i) {
        if (!keys[i]) continue;
        const p2p::ClientTry& entry = record.tries[i];
        std::optional<std::string> text = keys[i].QueryText(entry.valueName, reg::kClientRecordBufferSize);
        if (!text) continue;
        // A text that yields no path (a cut without a folder, a path over the limit) fails
        // this try like a missing value, rather than becoming some other, wrong path.
        std::optional<std::string> path =
            p2p::FormClientPath(entry.rule, *text, entry.fileName ? entry.fileName : "");
        if (!path) continue;
        paths_[ClientIndex(client)] = std::move(*path);
        return true;
    }
    return false;
}

const std::string& CFindP2PDlg::ClientPath(P2PClient client) const { return paths_[ClientIndex(client)]; }

std::string CFindP2PDlg::ReadChosenName() const { return reg::ReadText(kChosenNameValue, reg::kChosenNameBufferSize); }

std::string CFindP2PDlg::ReadChosenPath() const { return reg::ReadText(kChosenPathValue, reg::kChosenPathBufferSize); }

bool CFindP2PDlg::WriteChosenName(const std::string& text) { return reg::WriteText(kChosenNameValue, text); }

bool CFindP2PDlg::WriteChosenPath(const std::string& text) { return reg::WriteText(kChosenPathValue, text); }
