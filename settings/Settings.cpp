#include "settings/Settings.h"

namespace {

constexpr char kMain[] = "main";
constexpr char kFilters[] = "filters";
constexpr char kMainWindow[] = "mainwindow";
constexpr char kList[] = "list";
constexpr char kLog[] = "log";

constexpr UINT kDefaultIdleSeconds = 10;
constexpr UINT kMillisecondsPerSecond = 1000;
constexpr int kUnsetWindowValue = -1;
constexpr int kDefaultAddressWidth = 120;
constexpr int kDefaultPortWidth = 80;
constexpr int kDefaultProtoWidth = 50;
constexpr int kDefaultTrafficWidth = 100;
constexpr int kDefaultRateWidth = 80;

constexpr int kMinMbDelete = 1;
constexpr int kMaxMbDelete = 999;
constexpr int kDefaultMbDelete = 1;
constexpr int kMinLogType = 0;
constexpr int kMaxLogType = 6;
constexpr int kDefaultLogType = 0;

}  // namespace

int InRangeOr(int value, int low, int high, int replacement) {
    return value < low || value > high ? replacement : value;
}

CSettings::CSettings() { Load(); }

CSettings::CSettings(const char* iniPath) : CIniFile(iniPath) { Load(); }

CSettings::~CSettings() { Save(); }

void CSettings::Load() {
    AlwaysOnTop = ReadInteger(kMain, "alwaysontop", 0);
    NsResolve = ReadInteger(kMain, "nsresolve", 0);
    PortResolve = ReadInteger(kMain, "portresolve", 0);
    // The milliseconds are held in 32 bits, so a very large count of seconds comes back
    // changed (modulo 2^32) when it is saved.
    IdleMilliseconds = ReadUnsigned(kMain, "idleseconds", kDefaultIdleSeconds) * kMillisecondsPerSecond;

    FilterTcp = ReadInteger(kFilters, "filtertcp", 0);
    FilterUdp = ReadInteger(kFilters, "filterudp", 0);
    FilterIcmp = ReadInteger(kFilters, "filtericmp", 0);

    Status = ReadInteger(kMainWindow, "status", kUnsetWindowValue);
    Top = ReadInteger(kMainWindow, "top", kUnsetWindowValue);
    Bottom = ReadInteger(kMainWindow, "bottom", kUnsetWindowValue);
    Left = ReadInteger(kMainWindow, "left", kUnsetWindowValue);
    Right = ReadInteger(kMainWindow, "right", kUnsetWindowValue);

    SrcAddr = ReadInteger(kList, "srcaddr", kDefaultAddressWidth);
    DestAddr = ReadInteger(kList, "destaddr", kDefaultAddressWidth);
    SrcPort = ReadInteger(kList, "srcport", kDefaultPortWidth);
    DestPort = ReadInteger(kList, "destport", kDefaultPortWidth);
    Proto = ReadInteger(kList, "proto", kDefaultProtoWidth);
    Traffic = ReadInteger(kList, "traffic", kDefaultTrafficWidth);
    Bs = ReadInteger(kList, "bs", kDefaultRateWidth);
    Abs = ReadInteger(kList, "abs", kDefaultRateWidth);

    UseLogFile = ReadInteger(kLog, "uselogfile", 0);
    AutoDelete = ReadInteger(kLog, "autodelete", 0);
    MbDelete = InRangeOr(ReadInteger(kLog, "mbdelete", kDefaultMbDelete), kMinMbDelete, kMaxMbDelete,
                         kDefaultMbDelete);
    LogType = InRangeOr(ReadInteger(kLog, "logtype", kDefaultLogType), kMinLogType, kMaxLogType,
                        kDefaultLogType);
    ReadText(kLog, "logfile", "", LogFile, sizeof LogFile);
}

void CSettings::Save() const {
    WriteInteger(kMain, "alwaysontop", AlwaysOnTop);
    WriteInteger(kMain, "nsresolve", NsResolve);
    WriteInteger(kMain, "portresolve", PortResolve);
    WriteUnsigned(kMain, "idleseconds", IdleMilliseconds / kMillisecondsPerSecond);

    WriteInteger(kFilters, "filtertcp", FilterTcp);
    WriteInteger(kFilters, "filterudp", FilterUdp);
    WriteInteger(kFilters, "filtericmp", FilterIcmp);

    WriteInteger(kMainWindow, "status", Status);
    WriteInteger(kMainWindow, "top", Top);
    WriteInteger(kMainWindow, "bottom", Bottom);
    WriteInteger(kMainWindow, "left", Left);
    WriteInteger(kMainWindow, "right", Right);

    WriteInteger(kList, "srcaddr", SrcAddr);
    WriteInteger(kList, "destaddr", DestAddr);
    WriteInteger(kList, "srcport", SrcPort);
    WriteInteger(kList, "destport", DestPort);
    WriteInteger(kList, "proto", Proto);
    WriteInteger(kList, "traffic", Traffic);
    WriteInteger(kList, "bs", Bs);
    WriteInteger(kList, "abs", Abs);

    WriteInteger(kLog, "uselogfile", UseLogFile);
    WriteInteger(kLog, "autodelete", AutoDelete);
    WriteInteger(kLog, "mbdelete", MbDelete);
    WriteInteger(kLog, "logtype", LogType);
    WriteText(kLog, "logfile", LogFile);
}
