// The library's exports: the factory the program binds to, and a count that in-process tests read.
#include "launcher/TarnLauncher.h"

namespace {
TarnLauncher helper;
}

extern "C" __declspec(dllexport) TarnLauncherHelper* __cdecl GetTarnLauncherHelper() {
    helper.CrashIfAskedWhileBound();
    return &helper;
}

extern "C" __declspec(dllexport) unsigned __cdecl TarnLauncherRunCallbacksCount() {
    return helper.RunCallbacksCount();
}
