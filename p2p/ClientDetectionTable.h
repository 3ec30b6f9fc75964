// Where each known client, or its installer, records the installation, and how the
// executable's path is formed from that record.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>

#include "p2p/ClientPathRules.h"
#include "p2p/P2PClient.h"

namespace p2p {

enum class Hive { CurrentUser, LocalMachine };

HKEY HiveKey(Hive hive);

// One place a record may be: a key, a value of it ("" is the key's default value), and the
// rule that turns the value's text into the executable's path.
struct ClientTry {
    Hive hive;
    const char* keyPath;
    const char* valueName;
    PathRule rule;
    const char* fileName;  // for the rules that append a file; null otherwise
};

constexpr std::size_t kMaxTriesPerClient = 3;

struct ClientRecord {
    P2PClient client;
    const char* launcherText;
    std::size_t tryCount;
    std::array<ClientTry, kMaxTriesPerClient> tries;
};

// The whole catalogue in table order; row i describes kAllP2PClients[i].
const std::array<ClientRecord, kP2PClientCount>& DetectionTable();
const ClientRecord& DetectionRecord(P2PClient client);

}  // namespace p2p
