// The settings file: its path beside the executable, the number rule of the unsigned keys,
// and real ini files loaded and written back with their defaults, conversions, range rules
// and the keys the program does not know.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "settings/IniFile.h"
#include "settings/Settings.h"
#include "tests/support/Support.h"

namespace {

// ---- Pure rules ------------------------------------------------------------------------------

TEST(IniPath, ExtensionOfTheLastPartBecomesIni) {
    const std::string longFolder = "C:\\" + std::string(480, 'd');
    struct Case {
        const char* label;
        std::string module;
        UINT codePage;
        std::string expected;
    };
    const Case cases[] = {
        {"program with extension", "C:\\Tools\\monitor.exe", 1252, "C:\\Tools\\monitor.ini"},
        {"dot only in a folder name", "C:\\a.b\\monitor", 1252, "C:\\a.b\\monitor.ini"},
        {"last dot counts", "C:\\Tools\\monitor.v2.exe", 1252, "C:\\Tools\\monitor.v2.ini"},
        {"no extension, no dot", "C:\\Tools\\monitor", 1252, "C:\\Tools\\monitor.ini"},
        {"bare file name", "monitor.exe", 1252, "monitor.ini"},
        {"dot at the end", "C:\\Tools\\monitor.", 1252, "C:\\Tools\\monitor.ini"},
        // 0x95 0x5C is one character in code page 932; in 1252 the 0x5C is a backslash.
        {"trail byte like a backslash, double-byte code page", "C:\\dir\\x.\x95\x5Cname", 932, "C:\\dir\\x.ini"},
        {"the same bytes, single-byte code page", "C:\\dir\\x.\x95\x5Cname", 1252, "C:\\dir\\x.\x95\x5Cname.ini"},
        {"495 characters without extension just fit", std::string(495, 'p'), 1252, std::string(495, 'p') + ".ini"},
        {"496 characters without extension do not fit", std::string(496, 'p'), 1252, ""},
        {"a long path loses its extension and fits", longFolder + "\\m.exe", 1252, longFolder + "\\m.ini"},
        {"over-long in a dotted folder", "C:\\a.b\\" + std::string(490, 'q'), 1252, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::string path = IniPathForModule(c.module, CIniFile::kPathSize, c.codePage);
        EXPECT_EQ(path, c.expected);
        EXPECT_LT(path.size(), CIniFile::kPathSize);
    }
}

TEST(UnsignedNumber, BlanksSignDigitsAndWrapping) {
    struct Case {
        const char* text;
        UINT expected;
    };
    const Case cases[] = {
        {"", 0u},
        {"abc", 0u},
        {"10", 10u},
        {"007", 7u},
        {"  42", 42u},
        {"\t 7", 7u},
        {"+5", 5u},
        {"12abc", 12u},
        {"3 4", 3u},
        {"-1", 4294967295u},
        {"-0", 0u},
        {"- 5", 0u},
        {"--5", 0u},
        {"4294967295", 4294967295u},
        {"4294967296", 0u},
        {"5000000", 5000000u},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.text + "\"");
        EXPECT_EQ(ParseUnsignedDecimal(c.text), c.expected);
    }
    EXPECT_EQ(ParseUnsignedDecimal(nullptr), 0u);
}

// ---- Real files ------------------------------------------------------------------------------


bool WriteFileText(const std::string& path, const std::string& text) {
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    ::CloseHandle(file);
    return ok && written == text.size();
}

std::string KeyOf(const std::string& path, const char* section, const char* key) {
    char value[1024] = "";
    ::GetPrivateProfileStringA(section, key, "(missing)", value, sizeof value, path.c_str());
    return value;
}

// Every test case gets a file name of its own: the profile functions cache files they have
// read, and a file rewritten behind their back within the same second could look unchanged.
class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = test::FreshFolder(std::string("settings_") +
                                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    std::string PathFor(const std::string& name) const { return folder_ + "\\" + name + ".ini"; }

    std::string folder_;
};

const char kDefaultsFile[] =
    "[main]\r\n"
    "alwaysontop=0\r\n"
    "nsresolve=0\r\n"
    "portresolve=0\r\n"
    "idleseconds=10\r\n"
    "[filters]\r\n"
    "filtertcp=0\r\n"
    "filterudp=0\r\n"
    "filtericmp=0\r\n"
    "[mainwindow]\r\n"
    "status=-1\r\n"
    "top=-1\r\n"
    "bottom=-1\r\n"
    "left=-1\r\n"
    "right=-1\r\n"
    "[list]\r\n"
    "srcaddr=120\r\n"
    "destaddr=120\r\n"
    "srcport=80\r\n"
    "destport=80\r\n"
    "proto=50\r\n"
    "traffic=100\r\n"
    "bs=80\r\n"
    "abs=80\r\n"
    "[log]\r\n"
    "uselogfile=0\r\n"
    "autodelete=0\r\n"
    "mbdelete=1\r\n"
    "logtype=0\r\n"
    "logfile=\r\n";

TEST_F(SettingsFileTest, NoFileGivesTheDefaultsAndWritesThemInOrder) {
    const std::string path = PathFor("monitor");
    {
        CSettings settings(path.c_str());
        EXPECT_STREQ(settings.iniPath(), path.c_str());
        EXPECT_EQ(settings.IdleMilliseconds, 10000u);
        EXPECT_EQ(settings.Status, -1);
        EXPECT_EQ(settings.SrcAddr, 120);
        EXPECT_EQ(settings.MbDelete, 1);
        EXPECT_STREQ(settings.LogFile, "");
        EXPECT_EQ(test::ReadFileText(path), "(no file)") << "loading writes nothing";
    }
    EXPECT_EQ(test::ReadFileText(path), kDefaultsFile);
}

TEST_F(SettingsFileTest, WrittenFileReadsBackTheSame) {
    const std::string path = PathFor("roundtrip");
    // Every integer field with a value of its own, the extremes among them.
    const std::vector<std::pair<INT CSettings::*, INT>> values = {
        {&CSettings::AlwaysOnTop, 1},     {&CSettings::NsResolve, -7},  {&CSettings::PortResolve, 2},
        {&CSettings::FilterUdp, 3},       {&CSettings::FilterTcp, 4},   {&CSettings::FilterIcmp, 5},
        {&CSettings::Status, 6},          {&CSettings::Top, -40},       {&CSettings::Bottom, 700},
        {&CSettings::Left, -2147483647 - 1}, {&CSettings::Right, 2147483647}, {&CSettings::SrcAddr, 121},
        {&CSettings::DestAddr, 122},      {&CSettings::SrcPort, 81},    {&CSettings::DestPort, 82},
        {&CSettings::Proto, 51},          {&CSettings::Traffic, 101},   {&CSettings::Bs, 83},
        {&CSettings::Abs, 84},            {&CSettings::UseLogFile, 1},  {&CSettings::AutoDelete, 1},
        {&CSettings::MbDelete, 999},      {&CSettings::LogType, 6},
    };
    {
        CSettings written(path.c_str());
        for (const auto& [field, value] : values) written.*field = value;
        written.IdleMilliseconds = 3600000;
        lstrcpyA(written.LogFile, "C:\\logs\\traffic log.txt");
    }
    CSettings read(path.c_str());
    int index = 0;
    for (const auto& [field, value] : values) {
        SCOPED_TRACE("field " + std::to_string(index++));
        EXPECT_EQ(read.*field, value);
    }
    EXPECT_EQ(read.IdleMilliseconds, 3600000u);
    EXPECT_STREQ(read.LogFile, "C:\\logs\\traffic log.txt");
    EXPECT_EQ(KeyOf(path, "mainwindow", "left"), "-2147483648");
    EXPECT_EQ(KeyOf(path, "main", "idleseconds"), "3600");
}

TEST_F(SettingsFileTest, OutOfRangeLogValuesAreReplaced) {
    struct Case {
        const char* key;
        const char* stored;
        int loaded;
        const char* saved;
    };
    const Case cases[] = {
        {"mbdelete", "0", 1, "1"},     {"mbdelete", "1000", 1, "1"}, {"mbdelete", "-3", 1, "1"},
        {"mbdelete", "999", 999, "999"}, {"mbdelete", "1", 1, "1"},    {"logtype", "7", 0, "0"},
        {"logtype", "-1", 0, "0"},     {"logtype", "6", 6, "6"},     {"logtype", "3", 3, "3"},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.stored);
        const std::string path = PathFor("range" + std::to_string(index++));
        ASSERT_TRUE(WriteFileText(path, std::string("[log]\r\n") + c.key + "=" + c.stored + "\r\n"));
        {
            CSettings settings(path.c_str());
            EXPECT_EQ(std::string(c.key) == "mbdelete" ? settings.MbDelete : settings.LogType, c.loaded);
        }
        EXPECT_EQ(KeyOf(path, "log", c.key), c.saved);
    }
}

TEST_F(SettingsFileTest, IdleSecondsAreHeldAsWrappingMilliseconds) {
    struct Case {
        const char* label;
        const char* line;  // null: no key at all
        UINT loaded;
        const char* saved;
    };
    const Case cases[] = {
        {"missing", nullptr, 10000u, "10"},
        {"empty", "idleseconds=", 0u, "0"},
        {"letters", "idleseconds=abc", 0u, "0"},
        {"blanks before the digits", "idleseconds=  25", 25000u, "25"},
        {"5000000 seconds wrap", "idleseconds=5000000", 705032704u, "705032"},
        {"minus one wraps as well", "idleseconds=-1", 4294966296u, "4294966"},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string path = PathFor("idle" + std::to_string(index++));
        std::string text = "[main]\r\nalwaysontop=1\r\n";
        if (c.line) text += std::string(c.line) + "\r\n";
        ASSERT_TRUE(WriteFileText(path, text));
        {
            CSettings settings(path.c_str());
            EXPECT_EQ(settings.IdleMilliseconds, c.loaded);
            EXPECT_EQ(settings.AlwaysOnTop, 1);
        }
        EXPECT_EQ(KeyOf(path, "main", "idleseconds"), c.saved);
    }
}

TEST_F(SettingsFileTest, UnknownKeysAndSectionsStayWhereTheyAre) {
    const std::string path = PathFor("unknown");
    ASSERT_TRUE(WriteFileText(path,
                              "[extra]\r\nfoo=bar\r\n"
                              "[main]\r\nalwaysontop=1\r\ncolour=blue\r\n"
                              "[log]\r\nlogtype=2\r\nrotate=weekly\r\n"));
    { CSettings settings(path.c_str()); }
    // Known keys keep their place, new keys go to the end of their section, new sections
    // to the end of the file.
    EXPECT_EQ(test::ReadFileText(path),
              "[extra]\r\nfoo=bar\r\n"
              "[main]\r\nalwaysontop=1\r\ncolour=blue\r\nnsresolve=0\r\nportresolve=0\r\nidleseconds=10\r\n"
              "[log]\r\nlogtype=2\r\nrotate=weekly\r\nuselogfile=0\r\nautodelete=0\r\nmbdelete=1\r\nlogfile=\r\n"
              "[filters]\r\nfiltertcp=0\r\nfilterudp=0\r\nfiltericmp=0\r\n"
              "[mainwindow]\r\nstatus=-1\r\ntop=-1\r\nbottom=-1\r\nleft=-1\r\nright=-1\r\n"
              "[list]\r\nsrcaddr=120\r\ndestaddr=120\r\nsrcport=80\r\ndestport=80\r\nproto=50\r\ntraffic=100\r\n"
              "bs=80\r\nabs=80\r\n");
}

TEST_F(SettingsFileTest, LongLogFileIsSavedCutTo259Characters) {
    const std::string path = PathFor("logfile");
    const std::string longName = "C:\\logs\\" + std::string(292, 'L');
    ASSERT_EQ(longName.size(), 300u);
    ASSERT_TRUE(WriteFileText(path, "[log]\r\nlogfile=" + longName + "\r\n"));
    {
        CSettings settings(path.c_str());
        EXPECT_EQ(std::string(settings.LogFile), longName.substr(0, 259));
    }
    EXPECT_EQ(KeyOf(path, "log", "logfile"), longName.substr(0, 259));
}

// Under Wine, as the tests run (as root), neither a read-only folder nor a read-only file
// stops a write: Wine turns the attribute into file modes, which root passes. A file held
// open without write sharing, and a folder standing where the file should be, do stop it.
TEST_F(SettingsFileTest, FileThatCannotBeWrittenIsLeftAsItWas) {
    const std::string locked = PathFor("locked");
    const std::string original = "[main]\r\nalwaysontop=1\r\n[log]\r\nmbdelete=0\r\n";
    ASSERT_TRUE(WriteFileText(locked, original));
    HANDLE holder = ::CreateFileA(locked.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    {
        CSettings settings(locked.c_str());
        EXPECT_EQ(settings.AlwaysOnTop, 1) << "it can still be read";
    }
    ::CloseHandle(holder);
    EXPECT_EQ(test::ReadFileText(locked), original);

    const std::string folderInTheWay = PathFor("folder");
    ASSERT_TRUE(::CreateDirectoryA(folderInTheWay.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS);
    {
        CSettings settings(folderInTheWay.c_str());
        EXPECT_EQ(settings.SrcAddr, 120);
    }
    DWORD attributes = ::GetFileAttributesA(folderInTheWay.c_str());
    EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A path too long for the 500 bytes is never cut to one that names some other file: the
// settings keep their defaults and nothing is written anywhere.
TEST_F(SettingsFileTest, OverLongPathReadsDefaultsAndWritesNothing) {
    const std::string longPath = folder_ + "\\" + std::string(600, 'f') + ".ini";
    {
        CSettings settings(longPath.c_str());
        EXPECT_STREQ(settings.iniPath(), "");
        EXPECT_EQ(settings.AlwaysOnTop, 0);
        EXPECT_EQ(settings.IdleMilliseconds, 10000u);
        EXPECT_EQ(settings.MbDelete, 1);
        EXPECT_STREQ(settings.LogFile, "");
        settings.AlwaysOnTop = 9;
    }
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileA((folder_ + "\\*.ini").c_str(), &data);
    EXPECT_EQ(find, INVALID_HANDLE_VALUE) << "written: " << data.cFileName;
    if (find != INVALID_HANDLE_VALUE) ::FindClose(find);
}

TEST(IniFileOfTheProgram, SitsBesideTheExecutable) {
    CIniFile file;
    EXPECT_EQ(std::string(file.iniPath()), test::BinDir() + "\\settings_test.ini");
}

}  // namespace
