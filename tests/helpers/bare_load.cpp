// Loads the DLL named on its command line by that bare name, the way a careless program
// would, and ends with 0 when the load succeeded.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    return ::LoadLibraryA(commandLine) ? 0 : 1;
}
