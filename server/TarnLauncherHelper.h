#pragma once
#include "server/ServerProcessInfo.h"

// The platform launcher's helper object, handed out by the library's GetTarnLauncherHelper export.
// The library may come from another compiler, so the interface follows the 32-bit Windows member-call
// ABI explicitly: __thiscall (this in ECX, callee pops), one table pointer at offset 0, slots in
// declaration order. No virtual destructor: it would add slots, and the object belongs to the library.
class TarnLauncherHelper {
public:
    // Slots 0 to 2 exist in the library's table but are never called here.
    virtual void __thiscall Unused0() = 0;
    virtual void __thiscall Unused1() = 0;
    virtual void __thiscall Unused2() = 0;
    // Slot 3: starts the dedicated server with `commandLine` as its arguments and fills `info` (zeroed by
    // the caller) with its process identifier. Returns once the process exists.
    virtual bool __thiscall LaunchProcess(const wchar_t* commandLine, ServerProcessInfo* info) = 0;
    // Slot 4: ends the platform session; may be called twice.
    virtual void __thiscall Shutdown() = 0;
    // Slot 5: pumps the platform's pending callbacks.
    virtual void __thiscall RunCallbacks() = 0;

protected:
    ~TarnLauncherHelper() = default; // never deleted through this interface
};

// The export's type: no arguments, returns the library's helper (possibly null).
using GetTarnLauncherHelperFunction = TarnLauncherHelper*(__cdecl*)();
