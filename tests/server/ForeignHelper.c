/* A launcher helper written in C with its table laid out by hand, as a library from another compiler
 * would lay it out: one table pointer at offset 0, six slots, each a __thiscall function (this in ECX,
 * callee pops its arguments). It records every call so that tests can see which slot was reached with
 * which arguments; LaunchProcess reports success with a fixed record unless told to fail. */
#include <stdint.h>
#include <string.h>
#include <wchar.h>
#include <windows.h>

typedef struct {
    uint32_t processId;
    uint32_t reserved;
} ProcessRecord;

typedef struct ForeignHelper ForeignHelper;
typedef void(__thiscall* NoArgumentSlot)(ForeignHelper* self);
typedef unsigned char(__thiscall* LaunchSlot)(ForeignHelper* self, const wchar_t* commandLine,
                                              ProcessRecord* info);

struct ForeignHelper {
    const void* const* table;
};

/* What the tests read back. */
typedef struct {
    unsigned slotCalls[6];
    unsigned wrongSelf; /* calls whose ECX was not the helper */
    wchar_t commandLine[2048];
    ProcessRecord* lastInfo;
} ForeignHelperCalls;

static ForeignHelper helper;
static ForeignHelperCalls calls;
static int failLaunches;

static void Record(ForeignHelper* self, int slot) {
    calls.slotCalls[slot]++;
    if (self != &helper)
        calls.wrongSelf++;
}

static void __thiscall Slot0(ForeignHelper* self) {
    Record(self, 0);
}
static void __thiscall Slot1(ForeignHelper* self) {
    Record(self, 1);
}
static void __thiscall Slot2(ForeignHelper* self) {
    Record(self, 2);
}

static unsigned char __thiscall LaunchProcess(ForeignHelper* self, const wchar_t* commandLine,
                                              ProcessRecord* info) {
    Record(self, 3);
    wcsncpy(calls.commandLine, commandLine, 2047);
    calls.lastInfo = info;
    if (failLaunches)
        return 0;
    info->processId = 4242;
    info->reserved = 77;
    return 1;
}

static void __thiscall Shutdown(ForeignHelper* self) {
    Record(self, 4);
}
static void __thiscall RunCallbacks(ForeignHelper* self) {
    Record(self, 5);
}

static const void* const table[6] = {(const void*)Slot0,    (const void*)Slot1,
                                     (const void*)Slot2,    (const void*)LaunchProcess,
                                     (const void*)Shutdown, (const void*)RunCallbacks};

__declspec(dllexport) ForeignHelper* __cdecl GetTarnLauncherHelper(void) {
    helper.table = table;
    return &helper;
}

/* Clears the record and chooses whether LaunchProcess fails. */
__declspec(dllexport) ForeignHelperCalls* __cdecl ForeignHelperReset(int failLaunch) {
    memset(&calls, 0, sizeof calls);
    failLaunches = failLaunch;
    return &calls;
}
