// Stand-in for the closed skinning library: it accepts the program's four calls and does
// nothing, so the program runs with the system's own look.
#define SKINMAGIC_BUILDING
#include "skinstub/SkinMagic.h"

SKINMAGIC_API int WINAPI InitSkinMagicLib(HINSTANCE, const char*, const char*, const char*) { return 1; }
SKINMAGIC_API int WINAPI ExitSkinMagicLib() { return 1; }
SKINMAGIC_API int WINAPI LoadSkinFromResource(HINSTANCE, const char*, const char*) { return 1; }
SKINMAGIC_API int WINAPI SetDialogSkin(const char*) { return 1; }
