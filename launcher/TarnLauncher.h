#pragma once
#include "server/TarnLauncherHelper.h"

// The stand-in platform helper: starts the dedicated server from the program's folder and reports its
// loading, each Shutdown and each LaunchProcess on the debugger output, so that tests of whole programs can
// follow it, and crashes the program on request, recording every call it receives afterwards
// (launcher/CrashOnDemand.h).
class TarnLauncher final : public TarnLauncherHelper {
public:
    TarnLauncher(); // with the library, when it is loaded
    void __thiscall Unused0() override {}
    void __thiscall Unused1() override {}
    void __thiscall Unused2() override {}
    bool __thiscall LaunchProcess(const wchar_t* commandLine, ServerProcessInfo* info) override;
    void __thiscall Shutdown() override;
    void __thiscall RunCallbacks() override;

    unsigned RunCallbacksCount() const { return runCallbacksCount_; }
    // The factory's part of launcher/CrashOnDemand.h.
    void CrashIfAskedWhileBound();

private:
    void CrashIfAsked();
    void RecordIfCrashed(const char* call) const;

    bool crashed_ = false;
    bool shutDown_ = false;
    unsigned runCallbacksCount_ = 0;
};
