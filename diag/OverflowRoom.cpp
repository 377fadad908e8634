#include "diag/OverflowRoom.h"

#include <windows.h>

#include <atomic>

#if defined(_WIN64)

namespace {

// Enough for the overflowing thread's part of the crash handling, with room to spare.
constexpr ULONG kOverflowRoom = 64 * 1024;
// Wine clears this much of the top of a new thread's stack after the thread-start callbacks have run:
// a guard page there would be hit at once. A thread whose stack is too small to keep it clear of that
// (the crash handling's own, 1 MiB) gets no room.
constexpr ptrdiff_t kClearedAtThreadStart = 1024 * 1024;

std::atomic<bool> everyNewThread{false};

// The guard page of our own goes only where the stack is committed already (Wine); a page still
// reserved is where Windows' own guard page will come.
void MarkEndOfRoom(char* page) {
    MEMORY_BASIC_INFORMATION region{};
    DWORD previous = 0;
    if (VirtualQuery(page, &region, sizeof region) && region.State == MEM_COMMIT &&
        region.Protect == PAGE_READWRITE)
        VirtualProtect(page, 1, PAGE_READWRITE | PAGE_GUARD, &previous);
}

// Where this thread's stack starts (its highest address), from the thread's information block. GCC takes
// the segment-relative read that NtCurrentTeb is for an access to an empty array.
char* StackStart() {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
    auto* block = reinterpret_cast<NT_TIB*>(NtCurrentTeb());
#pragma GCC diagnostic pop
    return static_cast<char*>(block->StackBase);
}

void GiveThisThreadRoom() {
    // The region of a local variable is this thread's stack; its allocation starts at the stack's end.
    MEMORY_BASIC_INFORMATION stack{};
    if (!VirtualQuery(&stack, &stack, sizeof stack))
        return;
    char* end = static_cast<char*>(stack.AllocationBase);
    char* start = StackStart();
    ULONG room = kOverflowRoom;
    if (start - end >= kOverflowRoom + kClearedAtThreadStart && SetThreadStackGuarantee(&room))
        MarkEndOfRoom(end + kOverflowRoom);
}

void NTAPI OnThreadStart(void*, DWORD reason, void*) {
    if (reason == DLL_THREAD_ATTACH && everyNewThread)
        GiveThisThreadRoom();
}

} // namespace

// The program's thread-start callback, called on every new thread before its own code.
extern "C" [[gnu::section(".CRT$XLB"), gnu::used]] const PIMAGE_TLS_CALLBACK brenlowOverflowRoom =
    OnThreadStart;

void ReserveOverflowRoom() {
    GiveThisThreadRoom();
    everyNewThread = true;
}

#else

void ReserveOverflowRoom() {}

#endif
