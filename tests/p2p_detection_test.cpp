// Client detection on the prefix's real registry: records as installers leave them, in
// one or several of a client's places, and the path each rule forms from them.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "p2p/ClientDetectionTable.h"
#include "p2p/ClientPathRules.h"
#include "p2p/FindP2PDlg.h"
#include "p2p/P2PClient.h"
#include "tests/support/Support.h"

namespace {

constexpr char kUninstall[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::string UninstallKey(const char* name) { return std::string(kUninstall) + name; }

// One thing an installer left: a key, and optionally a value in it.
struct Stored {
    HKEY root;
    std::string key;
    std::optional<std::string> value;  // no value: the key alone
    std::string text;
    DWORD type = REG_SZ;
};

Stored Key(HKEY root, const std::string& key) { return {root, key, std::nullopt, "", REG_SZ}; }
Stored Text(HKEY root, const std::string& key, const std::string& value, const std::string& text) {
    return {root, key, value, text, REG_SZ};
}
Stored Number(HKEY root, const std::string& key, const std::string& value) {
    return {root, key, value, "", REG_DWORD};
}

void Put(const Stored& s) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(s.root, s.key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                                &key, nullptr),
              ERROR_SUCCESS)
        << s.key;
    LONG result = ERROR_SUCCESS;
    if (s.value && s.type == REG_SZ) {
        result = ::RegSetValueExA(key, s.value->c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(s.text.c_str()),
                                  static_cast<DWORD>(s.text.size() + 1));
    } else if (s.value) {
        DWORD number = 0x00003a43;  // "C:" as bytes, for a value that is not a text
        result = ::RegSetValueExA(key, s.value->c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                                  sizeof number);
    }
    ::RegCloseKey(key);
    ASSERT_EQ(result, ERROR_SUCCESS) << s.key;
}

// Removes every key any client's probe looks at.
void ForgetAllClients() {
    for (const p2p::ClientRecord& record : p2p::DetectionTable()) {
        for (std::size_t i = 0; i < record.tryCount; ++i) {
            test::DeleteRegistryTree(p2p::HiveKey(record.tries[i].hive), record.tries[i].keyPath);
        }
    }
}

class ClientDetectionTest : public ::testing::Test {
protected:
    void SetUp() override { ForgetAllClients(); }
    void TearDown() override { ForgetAllClients(); }
};

TEST(ClientCatalogue, EighteenClientsInTableOrderWithTheirLauncherTexts) {
    const std::vector<std::string> expected = {
        " AresGalaxy", " Vuze",    " BearFlix", " BearShare", " BitComet", " BitTorrent",
        " DC++",       " Emule",   " Edonkey",  " FrostWire", " Imesh",    " Kazaa",
        " LimeWire",   " Morpheus", " Shareaza", " uTorrent", " Warez",    " WinMx",
    };
    ASSERT_EQ(kAllP2PClients.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i]);
        EXPECT_EQ(ClientIndex(kAllP2PClients[i]), i);
        EXPECT_EQ(LauncherText(kAllP2PClients[i]), expected[i]);
    }
}

TEST(ClientPathRules, EachRuleOnItsTexts) {
    using p2p::PathRule;
    const std::string folder250(250, 'f');
    const std::string text255(255, 't');
    struct Case {
        const char* label;
        PathRule rule;
        std::string text;
        const char* file;
        std::optional<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"as stored", PathRule::AsStored, "C:\\Ares\\Ares.exe", "", "C:\\Ares\\Ares.exe"},
        {"as stored, empty", PathRule::AsStored, "", "", ""},
        {"format", PathRule::AppendFile, "C:\\BearFlix", "BearFlix.exe", "C:\\BearFlix\\BearFlix.exe"},
        {"format of an empty text", PathRule::AppendFile, "", "BitComet.exe", "\\BitComet.exe"},
        {"cut drops the file", PathRule::CutThenAppend, "C:\\Kazaa\\My Shared Folder", "Kazaa.exe",
         "C:\\Kazaa\\Kazaa.exe"},
        {"cut drops a trailing backslash only", PathRule::CutThenAppend, "C:\\WinMX MP3\\", "WinMX MP3.exe",
         "C:\\WinMX MP3\\WinMX MP3.exe"},
        {"cut at the last of several", PathRule::CutThenAppend, "C:\\a\\b\\c.exe", "x.exe", "C:\\a\\b\\x.exe"},
        {"cut of a bare backslash", PathRule::CutThenAppend, "\\", "x.exe", "\\x.exe"},
        {"cut without a backslash fails", PathRule::CutThenAppend, "uninstall.exe", "x.exe", std::nullopt},
        {"cut without a backslash fails, empty text", PathRule::CutThenAppend, "", "x.exe", std::nullopt},
        {"cut, drop the opening quote", PathRule::CutDropFirstThenAppend, "\"C:\\Program Files\\Ares\\uninstall.exe\"",
         "Ares.exe", "C:\\Program Files\\Ares\\Ares.exe"},
        {"cut, drop the drive letter's first character", PathRule::CutDropFirstThenAppend,
         "C:\\Program Files\\Ares\\uninstall.exe", "Ares.exe", ":\\Program Files\\Ares\\Ares.exe"},
        {"cut to nothing, nothing to drop", PathRule::CutDropFirstThenAppend, "\\uninstall.exe", "Ares.exe",
         "\\Ares.exe"},
        {"quotes removed", PathRule::StripEnds, "\"C:\\eDonkey2000\\eDonkey2000.exe\"", "",
         "C:\\eDonkey2000\\eDonkey2000.exe"},
        {"unquoted loses both ends", PathRule::StripEnds, "C:\\e\\e.exe", "", ":\\e\\e.ex"},
        {"two characters", PathRule::StripEnds, "\"\"", "", ""},
        {"one character", PathRule::StripEnds, "x", "", ""},
        {"empty", PathRule::StripEnds, "", "", ""},
        {"263 characters fit", PathRule::AppendFile, folder250, "LimeWire.exe", folder250 + "\\LimeWire.exe"},
        {"264 characters do not", PathRule::AppendFile, folder250 + "f", "LimeWire.exe", std::nullopt},
        {"a whole record as stored", PathRule::AsStored, text255, "", text255},
        {"a long record formed past the limit", PathRule::AppendFile, text255, "LimeWire.exe", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(p2p::FormClientPath(c.rule, c.text, c.file), c.expected);
    }
}

struct ProbeCase {
    const char* label;
    P2PClient client;
    std::vector<Stored> records;
    bool found;
    std::string path;
};

void RunProbeCases(const std::vector<ProbeCase>& cases) {
    for (const ProbeCase& c : cases) {
        SCOPED_TRACE(c.label);
        ForgetAllClients();
        for (const Stored& s : c.records) Put(s);
        CFindP2PDlg finder;
        EXPECT_EQ(finder.ProbeClient(c.client), c.found);
        EXPECT_EQ(finder.ClientPath(c.client), c.path);
        // A probe sets only its own client's path.
        for (P2PClient other : kAllP2PClients) {
            if (other != c.client) {
                EXPECT_EQ(finder.ClientPath(other), "") << LauncherText(other);
            }
        }
    }
}

TEST_F(ClientDetectionTest, EveryClientFromItsRecord) {
    const HKEY cu = HKEY_CURRENT_USER;
    const HKEY lm = HKEY_LOCAL_MACHINE;
    RunProbeCases({
        {"AresGalaxy, quoted uninstaller line", P2PClient::AresGalaxy,
         {Text(cu, UninstallKey("Ares"), "UninstallString", "\"C:\\Program Files\\Ares\\uninstall.exe\"")}, true,
         "C:\\Program Files\\Ares\\Ares.exe"},
        {"AresGalaxy, unquoted uninstaller line", P2PClient::AresGalaxy,
         {Text(cu, UninstallKey("Ares"), "UninstallString", "C:\\Program Files\\Ares\\uninstall.exe")}, true,
         ":\\Program Files\\Ares\\Ares.exe"},
        {"AresGalaxy, only the Classic record", P2PClient::AresGalaxy,
         {Text(cu, UninstallKey("Ares Galaxy Classic"), "DisplayIcon", "C:\\Ares Classic\\AresClassic.exe,0")},
         true, "C:\\Ares Classic\\AresClassic.exe,0"},
        {"Vuze", P2PClient::Vuze, {Text(cu, "Software\\Azureus", "exec", "C:\\Vuze\\Azureus.exe")}, true,
         "C:\\Vuze\\Azureus.exe"},
        {"BearFlix", P2PClient::BearFlix, {Text(cu, "Software\\BearFlix", "InstallDir", "C:\\BearFlix")}, true,
         "C:\\BearFlix\\BearFlix.exe"},
        {"BearShare", P2PClient::BearShare, {Text(cu, "Software\\BearShare", "InstallDir", "C:\\BS")}, true,
         "C:\\BS\\BearShare.exe"},
        {"BitComet", P2PClient::BitComet, {Text(cu, "Software\\BitComet", "", "C:\\BitComet")}, true,
         "C:\\BitComet\\BitComet.exe"},
        {"BitComet, empty default value", P2PClient::BitComet, {Text(cu, "Software\\BitComet", "", "")}, true,
         "\\BitComet.exe"},
        {"BitTorrent", P2PClient::BitTorrent,
         {Text(cu, UninstallKey("BitTorrent"), "InstallLocation", "C:\\BitTorrent")}, true,
         "C:\\BitTorrent\\bittorrent.exe"},
        {"DC++", P2PClient::DCPlusPlus, {Text(cu, "SOFTWARE\\DC++", "Install_Dir", "C:\\DC++")}, true,
         "C:\\DC++\\DCPlusPlus.exe"},
        {"Emule", P2PClient::Emule, {Text(cu, "Software\\eMule", "Install Path", "C:\\eMule")}, true,
         "C:\\eMule\\eMule.exe"},
        {"Emule, names in other letter cases", P2PClient::Emule,
         {Text(cu, "SOFTWARE\\EMULE", "INSTALL PATH", "C:\\eMule")}, true, "C:\\eMule\\eMule.exe"},
        {"Edonkey, quoted", P2PClient::Edonkey,
         {Text(cu, UninstallKey("eDonkey2000"), "DisplayIcon", "\"C:\\eDonkey2000\\eDonkey2000.exe\"")}, true,
         "C:\\eDonkey2000\\eDonkey2000.exe"},
        {"Edonkey, unquoted", P2PClient::Edonkey,
         {Text(cu, UninstallKey("eDonkey2000"), "DisplayIcon", "C:\\eDonkey2000\\eDonkey2000.exe")}, true,
         ":\\eDonkey2000\\eDonkey2000.ex"},
        {"Edonkey, empty", P2PClient::Edonkey, {Text(cu, UninstallKey("eDonkey2000"), "DisplayIcon", "")}, true,
         ""},
        {"FrostWire", P2PClient::FrostWire, {Text(cu, "SOFTWARE\\FrostWire", "", "C:\\FrostWire")}, true,
         "C:\\FrostWire\\FrostWire.exe"},
        {"Imesh", P2PClient::Imesh, {Text(cu, "Software\\iMesh\\General", "Home", "C:\\iMesh")}, true,
         "C:\\iMesh\\iMesh.exe"},
        {"Kazaa, shared folder inside the installation", P2PClient::Kazaa,
         {Text(cu, "Software\\Kazaa\\Settings", "SearchDir", "C:\\Program Files\\Kazaa\\My Shared Folder")}, true,
         "C:\\Program Files\\Kazaa\\Kazaa.exe"},
        {"LimeWire", P2PClient::LimeWire, {Text(cu, "Software\\LimeWire", "InstallDir", "C:\\LimeWire")}, true,
         "C:\\LimeWire\\LimeWire.exe"},
        {"Morpheus", P2PClient::Morpheus, {Text(cu, "Software\\Morpheus", "Install_Dir", "C:\\Morpheus")}, true,
         "C:\\Morpheus\\morpheus.exe"},
        {"Shareaza", P2PClient::Shareaza, {Text(cu, "Software\\Shareaza\\Shareaza", "Path", "C:\\Shareaza")}, true,
         "C:\\Shareaza\\Shareaza.exe"},
        {"uTorrent", P2PClient::UTorrent, {Text(cu, UninstallKey("uTorrent"), "InstallLocation", "C:\\uTorrent")},
         true, "C:\\uTorrent\\uTorrent.exe"},
        {"Warez, first record", P2PClient::Warez,
         {Text(cu, UninstallKey("Warez P2P Client"), "DisplayIcon", "C:\\Warez\\warez.exe")}, true,
         "C:\\Warez\\warez.exe"},
        {"Warez, second record", P2PClient::Warez,
         {Text(cu, UninstallKey("Warez"), "DisplayIcon", "C:\\Warez2\\warez.exe")}, true, "C:\\Warez2\\warez.exe"},
        {"WinMx, machine-wide uninstaller", P2PClient::WinMx,
         {Text(lm, UninstallKey("WinMX"), "UninstallString", "C:\\Program Files\\WinMX\\uninst.exe")}, true,
         "C:\\Program Files\\WinMX\\WinMX.exe"},
        {"WinMx MP3, folder with a trailing backslash", P2PClient::WinMx,
         {Text(cu, UninstallKey("WinMX MP3_is1"), "InstallLocation", "C:\\Program Files\\WinMX MP3\\")}, true,
         "C:\\Program Files\\WinMX MP3\\WinMX MP3.exe"},
        {"WinMx Music, no cut", P2PClient::WinMx,
         {Text(cu, "SOFTWARE\\WinMX Music", "InstallApp", "C:\\WinMX Music\\")}, true,
         "C:\\WinMX Music\\\\WinMX Music.exe"},
    });
}

TEST_F(ClientDetectionTest, FirstTryThatGivesAPathWins) {
    const HKEY cu = HKEY_CURRENT_USER;
    const HKEY lm = HKEY_LOCAL_MACHINE;
    RunProbeCases({
        {"AresGalaxy, both records: the uninstaller wins", P2PClient::AresGalaxy,
         {Text(cu, UninstallKey("Ares"), "UninstallString", "\"C:\\Program Files\\Ares\\uninstall.exe\""),
          Text(cu, UninstallKey("Ares Galaxy Classic"), "DisplayIcon", "C:\\Classic\\Ares.exe")},
         true, "C:\\Program Files\\Ares\\Ares.exe"},
        {"AresGalaxy, first key without its value", P2PClient::AresGalaxy,
         {Key(cu, UninstallKey("Ares")),
          Text(cu, UninstallKey("Ares Galaxy Classic"), "DisplayIcon", "C:\\Classic\\Ares.exe")},
         true, "C:\\Classic\\Ares.exe"},
        {"AresGalaxy, uninstaller without a folder: the Classic record is made", P2PClient::AresGalaxy,
         {Text(cu, UninstallKey("Ares"), "UninstallString", "uninstall.exe"),
          Text(cu, UninstallKey("Ares Galaxy Classic"), "DisplayIcon", "C:\\Classic\\Ares.exe")},
         true, "C:\\Classic\\Ares.exe"},
        {"AresGalaxy, uninstaller without a folder alone", P2PClient::AresGalaxy,
         {Text(cu, UninstallKey("Ares"), "UninstallString", "uninstall.exe")}, false, ""},
        {"BearShare, both", P2PClient::BearShare,
         {Text(cu, "Software\\BearShare", "InstallDir", "C:\\First"),
          Text(cu, "Software\\BearShare\\General", "Home", "C:\\Second")},
         true, "C:\\First\\BearShare.exe"},
        {"BearShare, InstallDir missing: Home", P2PClient::BearShare,
         {Text(cu, "Software\\BearShare\\General", "Home", "C:\\Second")}, true, "C:\\Second\\BearShare.exe"},
        {"WinMx, all three: the machine-wide record wins", P2PClient::WinMx,
         {Text(lm, UninstallKey("WinMX"), "UninstallString", "C:\\WinMX\\uninst.exe"),
          Text(cu, UninstallKey("WinMX MP3_is1"), "InstallLocation", "C:\\MP3\\"),
          Text(cu, "SOFTWARE\\WinMX Music", "InstallApp", "C:\\Music")},
         true, "C:\\WinMX\\WinMX.exe"},
        {"WinMx, machine key without its value: try b", P2PClient::WinMx,
         {Key(lm, UninstallKey("WinMX")), Text(cu, UninstallKey("WinMX MP3_is1"), "InstallLocation", "C:\\MP3\\"),
          Text(cu, "SOFTWARE\\WinMX Music", "InstallApp", "C:\\Music")},
         true, "C:\\MP3\\WinMX MP3.exe"},
        {"WinMx, first two keys without values: try c", P2PClient::WinMx,
         {Key(lm, UninstallKey("WinMX")), Key(cu, UninstallKey("WinMX MP3_is1")),
          Text(cu, "SOFTWARE\\WinMX Music", "InstallApp", "C:\\Music")},
         true, "C:\\Music\\WinMX Music.exe"},
        {"WinMx, only try c's key, without its value", P2PClient::WinMx, {Key(cu, "SOFTWARE\\WinMX Music")}, false,
         ""},
    });
}

TEST_F(ClientDetectionTest, RecordsThatGiveNoPath) {
    const HKEY cu = HKEY_CURRENT_USER;
    const std::string text255 = "C:\\" + std::string(252, 'd');
    const std::string text256 = "C:\\" + std::string(253, 'd');
    RunProbeCases({
        {"nothing recorded", P2PClient::Vuze, {}, false, ""},
        {"key without its value", P2PClient::Vuze, {Key(cu, "Software\\Azureus")}, false, ""},
        {"a number where the text belongs", P2PClient::Vuze, {Number(cu, "Software\\Azureus", "exec")}, false, ""},
        {"value of 255 characters", P2PClient::Vuze, {Text(cu, "Software\\Azureus", "exec", text255)}, true,
         text255},
        {"value of 256 characters", P2PClient::Vuze, {Text(cu, "Software\\Azureus", "exec", text256)}, false, ""},
        {"value of 256 characters, then the next try", P2PClient::Warez,
         {Text(cu, UninstallKey("Warez P2P Client"), "DisplayIcon", text256),
          Text(cu, UninstallKey("Warez"), "DisplayIcon", "C:\\Warez\\warez.exe")},
         true, "C:\\Warez\\warez.exe"},
        {"formed path of 263 characters", P2PClient::LimeWire,
         {Text(cu, "Software\\LimeWire", "InstallDir", "C:\\" + std::string(247, 'l'))}, true,
         "C:\\" + std::string(247, 'l') + "\\LimeWire.exe"},
        {"formed path of 264 characters", P2PClient::LimeWire,
         {Text(cu, "Software\\LimeWire", "InstallDir", "C:\\" + std::string(248, 'l'))}, false, ""},
    });
}

TEST_F(ClientDetectionTest, NoClientFoundOnAnEmptyRegistry) {
    CFindP2PDlg finder;
    for (P2PClient client : kAllP2PClients) {
        SCOPED_TRACE(LauncherText(client));
        EXPECT_FALSE(finder.ProbeClient(client));
        EXPECT_EQ(finder.ClientPath(client), "");
    }
}

TEST_F(ClientDetectionTest, FinderKeepsEachFoundPath) {
    Put(Text(HKEY_CURRENT_USER, "Software\\Shareaza\\Shareaza", "Path", "C:\\Shareaza"));
    Put(Text(HKEY_CURRENT_USER, "Software\\Kazaa\\Settings", "SearchDir", "C:\\Kazaa\\Shared"));
    CFindP2PDlg finder;
    EXPECT_EQ(finder.ClientPath(P2PClient::Shareaza), "");
    for (P2PClient client : kAllP2PClients) finder.ProbeClient(client);
    EXPECT_EQ(finder.ClientPath(P2PClient::Shareaza), "C:\\Shareaza\\Shareaza.exe");
    EXPECT_EQ(finder.ClientPath(P2PClient::Kazaa), "C:\\Kazaa\\Kazaa.exe");
    EXPECT_EQ(finder.ClientPath(P2PClient::LimeWire), "");
    // Nothing found on one finder shows on another.
    EXPECT_EQ(CFindP2PDlg().ClientPath(P2PClient::Shareaza), "");
}

}  // namespace
