// The application object: prepares the common controls and the skinning library, runs the
// main window once and releases the library.
#pragma once

#include "framework/App.h"

class CNimbrelApp : public fw::CWinApp {
public:
    bool InitInstance() override;
    int ExitInstance() override;
};
