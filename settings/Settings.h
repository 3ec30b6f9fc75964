// The traffic-monitor settings kept in an ini file beside the executable: loaded when the
// object is built, written back when it goes.
#pragma once

#include <windows.h>

#include "settings/IniFile.h"

class CSettings : public CIniFile {
public:
    static constexpr size_t kLogFileSize = 260;

    // The file beside the running executable.
    CSettings();
    // A given file (tests keep theirs in a folder of their own).
    explicit CSettings(const char* iniPath);
    ~CSettings() override;

    // In the file's order within each section; nothing in the program reads them.
    INT AlwaysOnTop = 0;
    INT NsResolve = 0;
    INT PortResolve = 0;
    UINT IdleMilliseconds = 0;  // the file holds seconds
    INT FilterUdp = 0;
    INT FilterTcp = 0;
    INT FilterIcmp = 0;
    INT Status = 0;
    INT Top = 0;
    INT Bottom = 0;
    INT Left = 0;
    INT Right = 0;
    INT SrcAddr = 0;
    INT DestAddr = 0;
    INT SrcPort = 0;
    INT DestPort = 0;
    INT Proto = 0;
    INT Traffic = 0;
    INT Bs = 0;
    INT Abs = 0;
    INT UseLogFile = 0;
    INT AutoDelete = 0;
    INT MbDelete = 0;
    INT LogType = 0;
    char LogFile[kLogFileSize] = "";

private:
    void Load();
    void Save() const;
};

// The range rules of the log keys: a value outside [low, high] becomes `replacement`.
int InRangeOr(int value, int low, int high, int replacement);
