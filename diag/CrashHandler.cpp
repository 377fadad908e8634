#include "diag/CrashHandler.h"

#include "diag/CrashDump.h"
#include "diag/FatalErrorMessage.h"
#include "diag/LogFile.h"
#include "diag/OverflowRoom.h"

#include <atomic>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <exception>

namespace {

// The thread that handles a stack overflow: a small stack is enough for the dump and the message.
constexpr SIZE_T kOverflowHandlerStackSize = 256 * 1024;

// Who ends the process: the first failing thread, or the thread that ends it normally, which takes it
// so that no crash of another thread can be cut short by the exit. Taken once, never given back.
std::atomic<DWORD> endingThread{0};
// From the first crash's claim on.
std::atomic<bool> crashed{false};
EXCEPTION_POINTERS* failure = nullptr;
DWORD failingThread = 0;
DWORD failureCode = 0;
// The thread that runs the crash-time sequence: the failing one, or the overflow handler.
std::atomic<DWORD> handlingThread{0};

std::atomic<HANDLE> closedOnCrash{nullptr};
// Set by a thread that overflowed its stack, for the thread made at installation that waits on it.
HANDLE overflowSignal = nullptr;

std::atomic<bool> installed{false};

[[noreturn]] void WaitForTheEnd() {
    for (;;)
        Sleep(INFINITE);
}

// Ends the process with the exception's code, at once: no library's detach code runs, so nothing waits
// for a lock that a dead or crashed thread holds, and no crashed library is called on the way out.
[[noreturn]] void EndProcess() {
    TerminateProcess(GetCurrentProcess(), failureCode);
    WaitForTheEnd();
}

// Everything a crash leads to, in this order: the handle that would hold a new Brenlow back, the dump
// (first of all that can fail: nothing else may cost it), the log's last lines, the message.
[[noreturn]] void EndAfterCrash() {
    handlingThread = GetCurrentThreadId();
    if (HANDLE handle = closedOnCrash.exchange(nullptr))
        CloseHandle(handle);
    WriteCrashDump(failure, failingThread);
    FlushLogIfFree();
    ShowFatalError();
    EndProcess();
}

// Waits at installation for a stack overflow, the one crash whose thread has too little stack left to
// handle it: the failing thread only signals and waits.
DWORD WINAPI HandleOverflows(void*) {
    WaitForSingleObject(overflowSignal, INFINITE);
    EndAfterCrash();
}

void PrepareOverflowHandler() {
    overflowSignal = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = overflowSignal ? CreateThread(nullptr, kOverflowHandlerStackSize, HandleOverflows,
                                                  nullptr, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr)
                                   : nullptr;
    if (thread)
        CloseHandle(thread);
    else if (overflowSignal) {
        CloseHandle(overflowSignal); // no thread to hand overflows to: the failing thread tries itself
        overflowSignal = nullptr;
    }
}

// Whether the calling thread is the one to handle this crash: the first to fail, or the thread that took
// the end for a normal exit and fails on its way out. Records what failed.
bool ClaimCrash(EXCEPTION_POINTERS* exception) {
    const DWORD self = GetCurrentThreadId();
    DWORD holder = 0;
    if (!endingThread.compare_exchange_strong(holder, self) && (holder != self || crashed.exchange(true)))
        return false;
    failure = exception;
    failingThread = self;
    failureCode = exception->ExceptionRecord->ExceptionCode;
    crashed = true;
    return true;
}

// The failing thread handles its crash itself, on its own stack: a lock it holds (the heap's, the
// loader's) is no obstacle to its own calls, where a thread made now would wait for it for ever. Only a
// stack overflow goes to the thread made for it.
[[noreturn]] void HandleCrash(EXCEPTION_POINTERS* exception) {
    if (!ClaimCrash(exception)) {
        if (handlingThread == GetCurrentThreadId()) {
            // The handling itself failed: the message at least, unless that is what failed.
            static std::atomic<bool> messageTried{false};
            if (!messageTried.exchange(true))
                ShowFatalError();
            EndProcess();
        }
        WaitForTheEnd(); // a later crash: the first one's dump is the one that counts
    }
    if (failureCode == EXCEPTION_STACK_OVERFLOW && overflowSignal) {
        SetEvent(overflowSignal);
        WaitForTheEnd();
    }
    EndAfterCrash();
}

// The C runtime's fatal endings: the failing thread's context, under an exception record whose code says
// which it was. Inlined into each hook. On x86 RtlCaptureContext reads the hook's frame pointer, so the
// context is the hook's caller's, at the call, and the dump's stack starts where the runtime gave up; on
// x64 it is the hook's own, and the stack goes on through the runtime from there.
[[gnu::always_inline]] inline void HandleRuntimeEnding(DWORD code) {
    CONTEXT context{};
    RtlCaptureContext(&context);
    EXCEPTION_RECORD record{};
    record.ExceptionCode = code;
    record.ExceptionFlags = EXCEPTION_NONCONTINUABLE;
    record.ExceptionAddress = InstructionPointer(context);
    EXCEPTION_POINTERS pointers{&record, &context};
    HandleCrash(&pointers);
}

// msvcrt's abort() raises SIGABRT before it ends the process (and after its message, which is told to go
// to the standard error).
void OnAbortSignal(int) {
    HandleRuntimeEnding(kAbortCode);
}

// Called where the exception was thrown, before any unwinding, so the thrower is still on the stack.
void OnTerminate() {
    HandleRuntimeEnding(kTerminateCode);
}

void __cdecl OnInvalidParameter(const wchar_t*, const wchar_t*, const wchar_t*, unsigned, uintptr_t) {
    HandleRuntimeEnding(kInvalidParameterCode);
}

// msvcrt.dll reports invalid parameters to a handler only where it exports the call that sets one (MinGW's
// own _set_invalid_parameter_handler keeps a handler that nothing calls).
void HandleInvalidParameters() {
    using Setter = _invalid_parameter_handler(__cdecl*)(_invalid_parameter_handler);
    HMODULE runtime = GetModuleHandleW(L"msvcrt.dll");
    FARPROC entry = runtime ? GetProcAddress(runtime, "_set_invalid_parameter_handler") : nullptr;
    if (entry)
        reinterpret_cast<Setter>(reinterpret_cast<void*>(entry))(OnInvalidParameter);
}

// The normal end, from the runtime's exit: a crash being handled is handled to its end (which ends the
// process), and from here on no other thread's crash can begin a dump that the exit would cut short.
// Registered before the server manager is built, so that it runs after its destruction, which may still
// call into the launcher library.
void TakeEndForExit() {
    DWORD holder = 0;
    if (!endingThread.compare_exchange_strong(holder, GetCurrentThreadId()))
        WaitForTheEnd();
}

} // namespace

// Takes the place of the C++ runtime's own, which would only call std::terminate, so that the dump says
// what happened. Before the handler is installed, it ends the program as the runtime's own does.
extern "C" void __cxa_pure_virtual() {
    if (!installed)
        std::terminate();
    HandleRuntimeEnding(kPureVirtualCallCode);
}

void InstallCrashHandler() {
    ReserveOverflowRoom(); // a thread that overflows its stack keeps room for its part of the handling
    LoadDumpWriter();
    PrepareOverflowHandler();
    SetUnhandledExceptionFilter(CrashDumpFilter); // the runtime's own filter is dropped, not chained
    LockUnhandledExceptionFilter();
    std::signal(SIGABRT, OnAbortSignal);
    _set_error_mode(_OUT_TO_STDERR); // abort()'s own message in a window would come before its signal
    std::set_terminate(OnTerminate);
    HandleInvalidParameters();
    std::atexit(TakeEndForExit);
    installed = true;
}

LONG WINAPI CrashDumpFilter(EXCEPTION_POINTERS* exception) {
    HandleCrash(exception);
}

bool IsCrashBeingHandled() {
    return crashed;
}

void AwaitCrashHandling() {
    if (IsCrashBeingHandled())
        WaitForTheEnd(); // the handling ends the process
}

void CloseOnCrash(HANDLE handle) {
    closedOnCrash = handle;
}
