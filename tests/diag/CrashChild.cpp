// Child program for the crash tests: installs the crash handler as Brenlow's start-up does, logs a line,
// then dies.
//   crash_child <how> <report file> <event name>
// <how>, the way of dying:
//   main, thread        an access violation on the main thread, on a second thread
//   overflow, overflow-thread  endless recursion on the main thread, on a second thread
//   abort, uncaught, pure-virtual, invalid-parameter  the C runtime ending the program: abort(), an
//                       exception of our own that nothing catches, a pure virtual call, an invalid
//                       parameter to a runtime function
//   together            two threads fail at the same moment
//   loader-lock, heap-lock  an access violation while the failing thread holds the loader lock, the
//                       process heap's lock
//   replace             tries to replace and to clear the filter first, then an access violation
//   cleared             clears the filter and reports a failure itself, as a runtime does on a detected
//                       stack-buffer overrun
//   log-held, log-busy  fails inside the log's own write; another thread is stuck inside a log write
//   log-breaks          the log's buffer fails when the crash handling flushes it
// Before failing it writes the report (key=value lines: "thread", the failing thread's id, "also" the
// second one's, "error-mode" where the C runtime writes its own error messages, and for replace what
// SetUnhandledExceptionFilter returned) and waits for the event, so that the test can prepare the folder. It
// holds the event <event name>-held open for CloseOnCrash.
#include "diag/CrashHandler.h"
#include "diag/LogFile.h"

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <vector>

// Outside the unnamed namespace: where the compiler sees every class derived from Job, it calls the
// one override directly instead of the pure function.
struct Job {
    Job();
    virtual ~Job() = default;
    virtual void Run() = 0;
};

[[gnu::noinline]] void CallPureVirtual(Job* job) {
    job->Run();
    asm volatile(""); // a call, not a jump
}

Job::Job() {
    CallPureVirtual(this); // while a Job is being built, Run is still pure
}

struct RealJob : Job {
    void Run() override {}
};

namespace {

constexpr DWORD kStackBufferOverrun = 0xC0000409;

struct Options {
    std::wstring how;
    std::wstring reportFile;
    std::wstring eventName;
};
Options options;

int* volatile nowhere = nullptr;
volatile int depthLimit = -1; // never reached: keeps the compiler from seeing an endless recursion

void WriteReport(const std::string& lines) {
    // Written aside and renamed, so the test never reads half a report.
    std::wstring partial = options.reportFile + L".part";
    {
        std::ofstream out(partial.c_str(), std::ios::binary);
        out << lines << "ready=1\n";
    }
    MoveFileExW(partial.c_str(), options.reportFile.c_str(), MOVEFILE_REPLACE_EXISTING);
}

std::string ThreadLine(const char* key, DWORD threadId) {
    return std::string(key) + "=" + std::to_string(threadId) + "\n";
}

// 1: the runtime's own messages (abort()'s) go to the standard error, never to a window.
std::string ErrorModeLine() {
    return "error-mode=" + std::to_string(_set_error_mode(_REPORT_ERRMODE)) + "\n";
}

void WaitForTheTest() {
    HANDLE go = OpenEventW(SYNCHRONIZE, FALSE, options.eventName.c_str());
    WaitForSingleObject(go, 60000);
    CloseHandle(go);
}

// The failing functions, each named for the dump's reader to find. Each keeps a frame of its own, and a
// call that would never return is not its last instruction: the return address would then lie in the next
// function, and be read as that one's.

[[gnu::noinline]] void Fail() {
    *nowhere = 1;
}

[[gnu::noinline]] int RecurseForEver(int depth) {
    volatile char frame[512];
    frame[0] = static_cast<char>(depth);
    if (depth == depthLimit)
        return frame[0];
    return RecurseForEver(depth + 1) + frame[0]; // not a tail call: every level keeps its frame
}

void (*volatile abortCall)() = std::abort; // not known to the compiler as a call that never returns

[[gnu::noinline]] void AbortTheRun() {
    abortCall();
    asm volatile(""); // a call, not a jump
}

[[gnu::noinline]] void ThrowOurOwn() {
    throw std::runtime_error("nobody catches this");
}

// Through msvcrt.dll itself: MinGW's own secure functions report nothing.
[[gnu::noinline]] void PassInvalidParameter() {
    using CopyCall = int(__cdecl*)(void*, size_t, const void*, size_t);
    FARPROC entry = GetProcAddress(GetModuleHandleW(L"msvcrt.dll"), "memcpy_s");
    char small[1];
    if (entry)
        reinterpret_cast<CopyCall>(reinterpret_cast<void*>(entry))(small, sizeof small, "too long", 8);
    asm volatile(""); // a call, not a jump
}

LONG WINAPI ForeignFilter(EXCEPTION_POINTERS*) {
    ExitProcess(3); // ends without a dump: the test sees that this filter won
}

std::string ReplaceAndClearFilter() {
    auto replaced = reinterpret_cast<uintptr_t>(SetUnhandledExceptionFilter(ForeignFilter));
    auto cleared = reinterpret_cast<uintptr_t>(SetUnhandledExceptionFilter(nullptr));
    return "replace=" + std::to_string(replaced) + "\nclear=" + std::to_string(cleared) + "\n";
}

void ReportFailureWithoutFilter() {
    SetUnhandledExceptionFilter(nullptr);
    CONTEXT context{};
    RtlCaptureContext(&context);
    EXCEPTION_RECORD record{};
    record.ExceptionCode = kStackBufferOverrun;
    record.ExceptionFlags = EXCEPTION_NONCONTINUABLE;
    record.ExceptionAddress = InstructionPointer(context);
    EXCEPTION_POINTERS pointers{&record, &context};
    UnhandledExceptionFilter(&pointers);
    TerminateProcess(GetCurrentProcess(), kStackBufferOverrun);
}

// As a thread inside a library's start-up does.
void HoldLoaderLock() {
    using LockCall = LONG(NTAPI*)(ULONG, ULONG*, ULONG_PTR*);
    FARPROC entry = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "LdrLockLoaderLock");
    ULONG_PTR cookie = 0;
    if (entry)
        reinterpret_cast<LockCall>(reinterpret_cast<void*>(entry))(0, nullptr, &cookie);
}

void Die() {
    const std::wstring& how = options.how;
    if (how == L"cleared")
        ReportFailureWithoutFilter();
    else if (how == L"log-held")
        WriteLog(4, "fails inside the write");
    else if (how.starts_with(L"overflow"))
        RecurseForEver(0);
    else if (how == L"abort")
        AbortTheRun();
    else if (how == L"uncaught")
        ThrowOurOwn();
    else if (how == L"pure-virtual")
        (void)RealJob{};
    else if (how == L"invalid-parameter")
        PassInvalidParameter();
    else if (how == L"loader-lock") {
        HoldLoaderLock();
        Fail();
    } else
        Fail();
}

// Stands in for the log file's buffer, while the log's lock is held: a write into it fails (log-held) or
// never ends (log-busy), and a flush fails.
class BrokenLogBuffer : public std::streambuf {
public:
    HANDLE entered = CreateEventW(nullptr, TRUE, FALSE, nullptr);

protected:
    std::streamsize xsputn(const char*, std::streamsize count) override {
        SetEvent(entered);
        if (options.how == L"log-held")
            Fail();
        Sleep(INFINITE);
        return count;
    }
    int sync() override {
        Fail();
        return 0;
    }
};

DWORD WINAPI LogForEver(void*) {
    WriteLog(4, "never written");
    return 0;
}

// Opens the log and logs a line; for the log-* ways its lines then go to a broken buffer instead.
void PrepareLog(BrokenLogBuffer& broken) {
    OpenLogFile();
    WriteLog(4, "logged before the crash");
    if (options.how.starts_with(L"log-"))
        static_cast<std::ostream&>(LogStream).rdbuf(&broken);
    if (options.how == L"log-busy") {
        CloseHandle(CreateThread(nullptr, 0, LogForEver, nullptr, 0, nullptr));
        WaitForSingleObject(broken.entered, 60000);
    }
}

DWORD WINAPI DieOnThisThread(void*) {
    WaitForTheTest();
    Die();
    return 0;
}

// The ways of dying on threads of their own: the main thread reports their ids and waits.
int DieOnOtherThreads(int count) {
    std::string report;
    std::vector<HANDLE> threads;
    for (int i = 0; i < count; ++i) {
        DWORD id = 0;
        threads.push_back(CreateThread(nullptr, 0, DieOnThisThread, nullptr, 0, &id));
        report += ThreadLine(i == 0 ? "thread" : "also", id);
    }
    WriteReport(report + ErrorModeLine());
    WaitForMultipleObjects(static_cast<DWORD>(threads.size()), threads.data(), TRUE, INFINITE);
    return 4;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4)
        return 2;
    options = {argv[1], argv[2], argv[3]};

    InstallCrashHandler();
    CloseOnCrash(CreateEventW(nullptr, TRUE, FALSE, (options.eventName + L"-held").c_str()));
    BrokenLogBuffer broken;
    PrepareLog(broken);

    if (options.how == L"thread" || options.how == L"overflow-thread")
        return DieOnOtherThreads(1);
    if (options.how == L"together")
        return DieOnOtherThreads(2);
    std::string report = ThreadLine("thread", GetCurrentThreadId()) + ErrorModeLine();
    WriteReport(options.how == L"replace" ? report + ReplaceAndClearFilter() : report);
    WaitForTheTest();
    Die();
    return 4;
}
