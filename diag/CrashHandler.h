#pragma once
#include <windows.h>

// What happens when Brenlow dies: every way of dying, on any thread, ends the same way, once. The first
// failing thread claims the crash and handles it itself, on its own stack, so that a lock it holds (the
// heap's, the loader's) stands in the way of nothing: it closes the handle given to CloseOnCrash, writes
// the dump <executable path><failing thread id>.dmp, writes the log's buffered lines (unless another
// write holds the log), shows "Fatal Error" in front of every window and, once that is answered, ends the
// process with the exception's code, running no library's detach code. A thread that overflowed its
// stack has too little left for that: it hands the crash to a thread made at installation for it, and
// waits. A crash on any other thread meanwhile waits for the process to end: no second dump, no second
// message. From the claim on, the program calls the launcher library no more, ends no server and leaves
// the record of its servers as it is, for the next Brenlow to find them.

// Exception codes of the dumps written when the C runtime ends the program, which raises no exception of
// its own. abort() and an invalid parameter carry the system's codes for them; the other two are
// Brenlow's own (customer bit set, "BL" in the middle bytes).
inline constexpr DWORD kAbortCode = 0x40000015;            // STATUS_FATAL_APP_EXIT: abort()
inline constexpr DWORD kInvalidParameterCode = 0xC0000417; // STATUS_INVALID_CRUNTIME_PARAMETER
inline constexpr DWORD kTerminateCode = 0xE0424C01;        // std::terminate: an uncaught C++ exception
inline constexpr DWORD kPureVirtualCallCode = 0xE0424C02;  // a call of a pure virtual function

// Where `context` stands: the instruction pointer of a 32-bit or a 64-bit thread.
inline void* InstructionPointer(const CONTEXT& context) {
#if defined(__x86_64__)
    return reinterpret_cast<void*>(context.Rip);
#else
    return reinterpret_cast<void*>(context.Eip);
#endif
}

// The crash handler's start-up step: loads the dump writer, makes the thread that waits for a stack
// overflow, installs CrashDumpFilter and locks it (diag/CrashDump.h), and hands abort(), std::terminate,
// pure virtual calls and invalid parameters (where the C runtime reports them) to the same handling. From
// here on, the normal end of the process waits for a crash being handled, and takes the end from any
// crash that would come later on another thread.
void InstallCrashHandler();

// The top-level exception filter. Never returns: the crash ends the process.
LONG WINAPI CrashDumpFilter(EXCEPTION_POINTERS* exception);

// True from the moment a crash is claimed: from then on nothing may call the launcher library, run the
// timers' work, end a server or write the record of the servers.
bool IsCrashBeingHandled();

// While a crash is being handled, waits until the handling ends the process; otherwise returns at once.
// For a thread that would otherwise end the process itself, under the dump and the message.
void AwaitCrashHandling();

// The handle (one; a later call replaces it) that a crash closes first of all, so that what it holds is
// free at once rather than once "Fatal Error" has been answered.
void CloseOnCrash(HANDLE handle);
