#include "p2p/ClientDetectionTable.h"

namespace p2p {
namespace {

constexpr Hive HKCU = Hive::CurrentUser;
constexpr Hive HKLM = Hive::LocalMachine;

constexpr ClientTry kNoTry{HKCU, nullptr, nullptr, PathRule::AsStored, nullptr};

constexpr std::array<ClientRecord, kP2PClientCount> kTable = {{
    {P2PClient::AresGalaxy, " AresGalaxy", 2,
     {{{HKCU, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Ares", "UninstallString",
        PathRule::CutDropFirstThenAppend, "Ares.exe"},
       {HKCU, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Ares Galaxy Classic", "DisplayIcon",
        PathRule::AsStored, nullptr},
       kNoTry}}},
    {P2PClient::Vuze, " Vuze", 1, {{{HKCU, "Software\\Azureus", "exec", PathRule::AsStored, nullptr}, kNoTry, kNoTry}}},
    {P2PClient::BearFlix, " BearFlix", 1,
     {{{HKCU, "Software\\BearFlix", "InstallDir", PathRule::AppendFile, "BearFlix.exe"}, kNoTry, kNoTry}}},
    {P2PClient::BearShare, " BearShare", 2,
     {{{HKCU, "Software\\BearShare", "InstallDir", PathRule::AppendFile, "BearShare.exe"},
       {HKCU, "Software\\BearShare\\General", "Home", PathRule::AppendFile, "BearShare.exe"},
       kNoTry}}},
    {P2PClient::BitComet, " BitComet", 1,
     {{{HKCU, "Software\\BitComet", "", PathRule::AppendFile, "BitComet.exe"}, kNoTry, kNoTry}}},
    {P2PClient::BitTorrent, " BitTorrent", 1,
     {{{HKCU, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\BitTorrent", "InstallLocation",
        PathRule::AppendFile, "bittorrent.exe"},
       kNoTry, kNoTry}}},
    {P2PClient::DCPlusPlus, " DC++", 1,
     {{{HKCU, "SOFTWARE\\DC++", "Install_Dir", PathRule::AppendFile, "DCPlusPlus.exe"}, kNoTry, kNoTry}}},
    {P2PClient::Emule, " Emule", 1,
     {{{HKCU, "Software\\eMule", "Install Path", PathRule::AppendFile, "eMule.exe"}, kNoTry, kNoTry}}},
    {P2PClient::Edonkey, " Edonkey", 1,
     {{{HKCU, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\eDonkey2000", "DisplayIcon",
        PathRule::StripEnds, nullptr},
       kNoTry, kNoTry}}},
    {P2PClient::FrostWire, " FrostWire", 1,
     {{{HKCU, "SOFTWARE\\FrostWire", "", PathRule::AppendFile, "FrostWire.exe"}, kNoTry, kNoTry}}},
    {P2PClient::Imesh, " Imesh", 1,
     {{{HKCU, "Software\\iMesh\\General", "Home", PathRule::AppendFile, "iMesh.exe"}, kNoTry, kNoTry}}},
    {P2PClient::Kazaa, " Kazaa", 1,
     {{{HKCU, "Software\\Kazaa\\Settings", "SearchDir", PathRule::CutThenAppend, "Kazaa.exe"}, kNoTry, kNoTry}}},
    {P2PClient::LimeWire, " LimeWire", 1,
     {{{HKCU, "Software\\LimeWire", "InstallDir", PathRule::AppendFile, "LimeWire.exe"}, kNoTry, kNoTry}}},
    {P2PClient::Morpheus, " Morpheus", 1,
     {{{HKCU, "Software\\Morpheus", "Install_Dir", PathRule::AppendFile, "morpheus.exe"}, kNoTry, kNoTry}}},
    {P2PClient::Shareaza, " Shareaza", 1,
     {{{HKCU, "Software\\Shareaza\\Shareaza", "Path", PathRule::AppendFile, "Shareaza.exe"}, kNoTry, kNoTry}}},
    {P2PClient::UTorrent, " uTorrent", 1,
     {{{HKCU, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\uTorrent", "InstallLocation",
        PathRule::AppendFile, "uTorrent.exe"},
       kNoTry, kNoTry}}},
    {P2PClient::Warez, " Warez", 2,
     {{{HKCU, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Warez P2P Client", "DisplayIcon",
        PathRule::AsStored, nullptr},
       {HKCU, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Warez", "DisplayIcon", PathRule::AsStored,
        nullptr},
       kNoTry}}},
    {P2PClient::WinMx, " WinMx", 3,
     {{{HKLM, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\WinMX", "UninstallString",
        PathRule::CutThenAppend, "WinMX.exe"},
       {HKCU, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\WinMX MP3_is1", "InstallLocation",
        PathRule::CutThenAppend, "WinMX MP3.exe"},
       {HKCU, "SOFTWARE\\WinMX Music", "InstallApp", PathRule::AppendFile, "WinMX Music.exe"}}}},
}};

// The rows must stay in the order of the enumeration: probing and listing follow it.
constexpr bool RowsFollowEnumeration() {
    for (std::size_t i = 0; i < kP2PClientCount; ++i) {
        if (kTable[i].client != kAllP2PClients[i]) return false;
        if (kTable[i].tryCount == 0 || kTable[i].tryCount > kMaxTriesPerClient) return false;
    }
    return true;
}
static_assert(RowsFollowEnumeration(), "detection table out of order");

}  // namespace

HKEY HiveKey(Hive hive) { return hive == Hive::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

const std::array<ClientRecord, kP2PClientCount>& DetectionTable() { return kTable; }

const ClientRecord& DetectionRecord(P2PClient client) { return kTable[ClientIndex(client)]; }

}  // namespace p2p
