#pragma once
#include "server/ServerNames.h"

#include <windows.h>

// Module handle of the launcher library: null until a load succeeds, never freed.
extern HMODULE g_tarndll_inst;

// Loads tarn_launcher.dll from the program's folder, once per process. Returns whether it is loaded;
// after a failure the next call tries again.
bool LoadLauncherLibrary();
