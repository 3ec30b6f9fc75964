// The client finder: probes the registry records of the known clients, and reads and
// writes the stored choice (APP_NAME and APP_PATH). One finder serves one task.
#pragma once

#include <array>
#include <string>

#include "p2p/P2PClient.h"

class CFindP2PDlg {
public:
    CFindP2PDlg() = default;

    // True when one of the client's records gives a path; ClientPath then holds it.
    bool ProbeClient(P2PClient client);
    // Empty unless a probe of that client succeeded on this finder.
    const std::string& ClientPath(P2PClient client) const;

    // The stored choice; empty when the key or value is missing or the text exceeds its
    // read limit (49 characters for the name, 999 for the path).
    std::string ReadChosenName() const;
    std::string ReadChosenPath() const;
    // Stores the text (an empty text means no choice); false when it could not be stored,
    // in which case the earlier value stays.
    bool WriteChosenName(const std::string& text);
    bool WriteChosenPath(const std::string& text);

private:
    std::array<std::string, kP2PClientCount> paths_;
};
