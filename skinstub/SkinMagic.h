// The four calls the program makes to the skinning library, which publishes them by
// ordinal only. None of their results is relied on.
#pragma once

#include <windows.h>

#ifdef SKINMAGIC_BUILDING
#define SKINMAGIC_API extern "C" __declspec(dllexport)
#else
#define SKINMAGIC_API extern "C" __declspec(dllimport)
#endif

// Ordinal 1: initialises the library for the process.
SKINMAGIC_API int WINAPI InitSkinMagicLib(HINSTANCE instance, const char* appName, const char* reserved1,
                                          const char* reserved2);
// Ordinal 2: releases the library.
SKINMAGIC_API int WINAPI ExitSkinMagicLib();
// Ordinal 4: loads the skin from a resource of the program.
SKINMAGIC_API int WINAPI LoadSkinFromResource(HINSTANCE instance, const char* name, const char* type);
// Ordinal 8: from here on, windows of the given class are drawn with the loaded skin.
SKINMAGIC_API int WINAPI SetDialogSkin(const char* className);
