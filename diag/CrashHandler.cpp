#include "diag/CrashHandler.h"

#include "diag/CrashDump.h"
#include "diag/LogFile.h"

#include <atomic>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <exception>

namespace {

constexpr wchar_t kFatalErrorText[] = L"Fatal Error";
// Enough for writing the dump and showing the message; Wine rounds a thread's stack up to 1 MiB anyway.
constexpr SIZE_T kHandlingStackSize = 256 * 1024;

// The one crash handled: claimed by the first failing thread, never released.
std::atomic<DWORD> failingThread{0};
EXCEPTION_POINTERS* failure = nullptr;

std::atomic<HANDLE> closedOnCrash{nullptr};

std::atomic<bool> installed{false};
HANDLE crashClaimed = nullptr; // wakes the handling thread
HANDLE handlingThread = nullptr;
// The thread that runs the crash-time sequence: the handling thread, or the failing thread itself when
// the handling thread could not be started.
DWORD handlingThreadId = 0;

// Everything a crash leads to, in this order.
void EndAfterCrash() {
    if (HANDLE handle = closedOnCrash.exchange(nullptr))
        CloseHandle(handle);
    FlushLogIfFree(); // the last lines tell what led to the crash
    WriteCrashDump(failure, failingThread);
    FatalAppExitW(0, kFatalErrorText); // ends the process once answered
}

DWORD WINAPI HandleCrashWhenClaimed(void*) {
    WaitForSingleObject(crashClaimed, INFINITE); // idle until then: costs nothing
    EndAfterCrash();
    return 0;
}

void StartHandlingThread() {
    crashClaimed = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (crashClaimed)
        handlingThread = CreateThread(nullptr, kHandlingStackSize, HandleCrashWhenClaimed, nullptr,
                                      STACK_SIZE_PARAM_IS_A_RESERVATION, &handlingThreadId);
}

// Waits for ever, unless the handling thread ends without having ended the process.
void WaitForHandlingThread() {
    if (handlingThread)
        WaitForSingleObject(handlingThread, INFINITE);
    else
        Sleep(INFINITE);
}

// The failing thread's part: claim the crash, hand it over, wait. Little enough for an overflowed stack.
void HandleCrash(EXCEPTION_POINTERS* exception) {
    const DWORD self = GetCurrentThreadId();
    DWORD none = 0;
    if (!failingThread.compare_exchange_strong(none, self)) {
        if (self == handlingThreadId)
            FatalAppExitW(0, kFatalErrorText); // the handling failed: the message at least
        else
            WaitForHandlingThread(); // a later crash: the first one's dump is the one that counts
        return;
    }
    failure = exception;
    if (!handlingThread || self == handlingThreadId) {
        handlingThreadId = self;
        EndAfterCrash();
        return;
    }
    SetEvent(crashClaimed);
    WaitForHandlingThread();
}

// The C runtime's fatal endings: the failing thread's context, under an exception record whose code says
// which it was. Inlined into each hook, whose frame pointer x86 RtlCaptureContext reads: the context is
// the hook's caller's, at the call, so the dump's stack starts where the runtime gave up.
[[gnu::always_inline]] inline void HandleRuntimeEnding(DWORD code) {
    CONTEXT context{};
    RtlCaptureContext(&context);
    EXCEPTION_RECORD record{};
    record.ExceptionCode = code;
    record.ExceptionFlags = EXCEPTION_NONCONTINUABLE;
    record.ExceptionAddress = reinterpret_cast<void*>(context.Eip);
    EXCEPTION_POINTERS pointers{&record, &context};
    HandleCrash(&pointers);
    TerminateProcess(GetCurrentProcess(), code); // only if the handling could not end the process
}

// msvcrt's abort() raises SIGABRT before it ends the process.
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

} // namespace

// Takes the place of the C++ runtime's own, which would only call std::terminate, so that the dump says
// what happened. Before the handler is installed, it ends the program as the runtime's own does.
extern "C" void __cxa_pure_virtual() {
    if (!installed)
        std::terminate();
    HandleRuntimeEnding(kPureVirtualCallCode);
}

void InstallCrashHandler() {
    LoadDumpWriter();
    StartHandlingThread();
    SetUnhandledExceptionFilter(CrashDumpFilter); // the runtime's own filter is dropped, not chained
    LockUnhandledExceptionFilter();
    std::signal(SIGABRT, OnAbortSignal);
    std::set_terminate(OnTerminate);
    HandleInvalidParameters();
    installed = true;
}

LONG WINAPI CrashDumpFilter(EXCEPTION_POINTERS* exception) {
    HandleCrash(exception);
    return EXCEPTION_CONTINUE_SEARCH;
}

bool IsCrashBeingHandled() {
    return failingThread != 0;
}

void AwaitCrashHandling() {
    if (IsCrashBeingHandled())
        WaitForHandlingThread();
}

void CloseOnCrash(HANDLE handle) {
    closedOnCrash = handle;
}
