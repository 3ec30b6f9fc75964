#include "p2p/P2PClient.h"

#include "p2p/ClientDetectionTable.h"

const char* LauncherText(P2PClient client) { return p2p::DetectionRecord(client).launcherText; }
