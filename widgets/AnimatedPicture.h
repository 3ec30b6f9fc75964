// A static control that shows a picture and plays animated GIFs in a thread of its own.
#pragma once

#include <windows.h>

#include "framework/Controls.h"

class CAnimatedPicture : public fw::CStatic {
public:
    CAnimatedPicture();
    ~CAnimatedPicture() override;

    bool LoadFromResource(const char* name, const char* type);
    bool LoadFromMemory(HGLOBAL block, DWORD size);
    bool Display();
    void StopAnimation();
    void ReleasePicture();
};
