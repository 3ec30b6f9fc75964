// System DLLs never come from the program's folder: DLLs planted there under the names of
// the system DLLs the program binds at run time (iphlpapi.dll, comctl32.dll) stay unloaded,
// even with Wine told to prefer such DLLs over its own, and the program still works.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/support/Support.h"

namespace {

const char* const kPlantedNames[] = {"iphlpapi.dll", "comctl32.dll"};

bool Exists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The marker DLL under each planted name in `folder`.
void Plant(const std::string& folder) {
    for (const char* name : kPlantedNames) {
        ASSERT_TRUE(::CopyFileA((test::BinDir() + "\\Marker.dll").c_str(), (folder + "\\" + name).c_str(), FALSE));
    }
}

std::string MarkerOf(const std::string& folder, const char* name) { return folder + "\\" + name + ".loaded"; }

// Both DLLs preferred from the search path (the program's folder first) for one program name.
struct PreferPlanted {
    explicit PreferPlanted(const std::string& exeName)
        : iphlpapi(exeName, "iphlpapi", "native,builtin"), comctl32(exeName, "comctl32", "native,builtin") {}
    test::WineDllOverride iphlpapi;
    test::WineDllOverride comctl32;
};

// Without the load from the system folder the planted DLL would run: a program that loads
// the names bare, from the same kind of folder under the same load order, picks them up.
TEST(SystemLibraries, BareNameLoadWouldPickUpThePlantedDll) {
    const std::string folder = test::FreshFolder("system_libraries_bare");
    Plant(folder);
    ASSERT_TRUE(test::CopyInto(test::BinDir() + "\\bare_load.exe", folder));
    PreferPlanted prefer("bare_load.exe");

    for (const char* name : kPlantedNames) {
        SCOPED_TRACE(name);
        std::string commandLine = "\"" + folder + "\\bare_load.exe\" " + name;
        std::vector<char> line(commandLine.begin(), commandLine.end());
        line.push_back('\0');
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        ASSERT_TRUE(::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi));
        EXPECT_EQ(::WaitForSingleObject(pi.hProcess, 20000), WAIT_OBJECT_0);
        DWORD code = 1;
        ::GetExitCodeProcess(pi.hProcess, &code);
        ::TerminateProcess(pi.hProcess, 1);
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
        EXPECT_EQ(code, 0u);
        EXPECT_TRUE(Exists(MarkerOf(folder, name)));
    }
}

TEST(SystemLibraries, ProgramLeavesDllsInItsFolderAloneAndStillListsAdapters) {
    test::Program program("system_libraries_program");
    Plant(program.folder());
    PreferPlanted prefer("Kelvara.exe");

    ASSERT_TRUE(program.Start());
    HWND window = program.WaitForMainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(test::ComboItemTexts(::GetDlgItem(window, IDC_ADAPTERS)).empty());
    for (const char* name : kPlantedNames) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(Exists(MarkerOf(program.folder(), name)));
    }
}

}  // namespace
