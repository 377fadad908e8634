#include "diag/CrashHandler.h"

#include "diag/CrashDump.h"
#include "diag/LogFile.h"
#include "diag/OverflowRoom.h"

#include <atomic>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <exception>

namespace {

constexpr wchar_t kFatalErrorText[] = L"Fatal Error";
// Enough for writing the dump and showing the message.
constexpr SIZE_T kHandlingStackSize = 256 * 1024;
// How long the failing thread waits for the handling thread to start. A thread cannot start while another
// holds the loader lock, perhaps the failing one itself.
constexpr DWORD kHandlingStartPatienceMs = 5000;

// The one crash handled: claimed by the first failing thread, never released.
std::atomic<DWORD> failingThread{0};
EXCEPTION_POINTERS* failure = nullptr;
// The thread that runs the crash-time sequence: one made for it, or the failing thread itself when that
// one cannot be made or does not start.
std::atomic<DWORD> handlingThread{0};

std::atomic<HANDLE> closedOnCrash{nullptr};

std::atomic<bool> installed{false};

// Everything a crash leads to, in this order.
void EndAfterCrash() {
    if (HANDLE handle = closedOnCrash.exchange(nullptr))
        CloseHandle(handle);
    FlushLogIfFree(); // the last lines tell what led to the crash
    WriteCrashDump(failure, failingThread);
    FatalAppExitW(0, kFatalErrorText); // ends the process once answered
}

// Whether the calling thread is the one to run the crash-time sequence (the first to ask is).
bool TakeHandling() {
    DWORD none = 0;
    return handlingThread.compare_exchange_strong(none, GetCurrentThreadId());
}

DWORD WINAPI HandleCrashOnFreshStack(void*) {
    if (TakeHandling())
        EndAfterCrash();
    return 0;
}

// The failing thread's part: claim the crash, have it handled on a fresh stack, wait. Little enough for a
// thread that overflowed its stack. The thread is made only now: an idle one made at start-up would cost
// a megabyte of memory for the whole run under Wine, and one made now runs as soon as the failing thread
// holds no loader lock; when it does not start, the failing thread handles the crash itself.
void HandleCrash(EXCEPTION_POINTERS* exception) {
    DWORD none = 0;
    if (!failingThread.compare_exchange_strong(none, GetCurrentThreadId())) {
        if (handlingThread == GetCurrentThreadId())
            FatalAppExitW(0, kFatalErrorText); // the handling itself failed: the message at least
        else
            Sleep(INFINITE); // a later crash: the first one's dump is the one that counts
        return;
    }
    failure = exception;
    HANDLE thread = CreateThread(nullptr, kHandlingStackSize, HandleCrashOnFreshStack, nullptr,
                                 STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (thread && WaitForSingleObject(thread, kHandlingStartPatienceMs) == WAIT_OBJECT_0)
        return; // the handling ended without ending the process
    if (TakeHandling()) {
        EndAfterCrash();
        return;
    }
    WaitForSingleObject(thread, INFINITE);
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
    ReserveOverflowRoom(); // a thread that overflows its stack keeps room for its part of the handling
    LoadDumpWriter();
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
        Sleep(INFINITE); // the handling ends the process
}

void CloseOnCrash(HANDLE handle) {
    closedOnCrash = handle;
}
