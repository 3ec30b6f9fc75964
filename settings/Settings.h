// The traffic-monitor settings kept in an ini file beside the executable.
#pragma once

class CSettings {
public:
    CSettings();
    ~CSettings();
};
