// Starting the maker's updater program at every start of the program.
#pragma once

#include <string>

constexpr char kUpdaterFileName[] = "Uplift.exe";

// The updater beside the given executable: its folder, a backslash and "Uplift.exe".
// Empty when the executable path has no folder.
std::string UpdaterPath(const std::string& modulePath);

// The five quoted parameters the updater is opened with.
std::string UpdaterParameters();

// Opens the updater from the program's own folder when it is there; nothing otherwise.
void StartUpdater();
