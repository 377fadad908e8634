// Child program for the crash tests: installs the crash handler as Brenlow's start-up does, then fails.
//   crash_child <how> <report file> <event name>
// <how>: main (access violation on the main thread), thread (on a second thread), replace (tries to
// replace and to clear the filter first), cleared (clears the filter and reports a failure itself, as a
// runtime does on a detected stack-buffer overrun), logged (opens the log and logs a line first),
// log-held (fails inside the log's own write), log-busy (another thread is stuck inside a log write).
// Before failing it writes the report (key=value lines: the failing thread's id and, for replace, what
// SetUnhandledExceptionFilter returned) and waits for the event, so that the test can prepare the folder.
#include "diag/CrashDump.h"
#include "diag/LogFile.h"

#include <windows.h>

#include <cstdint>
#include <fstream>
#include <streambuf>
#include <string>

namespace {

constexpr DWORD kStackBufferOverrun = 0xC0000409;

struct Options {
    std::wstring how;
    std::wstring reportFile;
    std::wstring eventName;
};
Options options;

int* volatile nowhere = nullptr;

void WriteReport(const std::string& lines) {
    // Written aside and renamed, so the test never reads half a report.
    std::wstring partial = options.reportFile + L".part";
    {
        std::ofstream out(partial.c_str(), std::ios::binary);
        out << "thread=" << GetCurrentThreadId() << "\n" << lines << "ready=1\n";
    }
    MoveFileExW(partial.c_str(), options.reportFile.c_str(), MOVEFILE_REPLACE_EXISTING);
}

void WaitForTheTest() {
    HANDLE go = OpenEventW(SYNCHRONIZE, FALSE, options.eventName.c_str());
    WaitForSingleObject(go, 60000);
    CloseHandle(go);
}

void Fail() {
    *nowhere = 1;
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
    record.ExceptionAddress = reinterpret_cast<void*>(context.Eip);
    EXCEPTION_POINTERS pointers{&record, &context};
    UnhandledExceptionFilter(&pointers);
    TerminateProcess(GetCurrentProcess(), kStackBufferOverrun);
}

// Stands in for the log file's buffer: a write into it fails, or never ends, while the log's lock is held.
class BrokenLogBuffer : public std::streambuf {
public:
    explicit BrokenLogBuffer(bool stuck) : stuck_(stuck) {}
    HANDLE entered = CreateEventW(nullptr, TRUE, FALSE, nullptr);

protected:
    std::streamsize xsputn(const char*, std::streamsize count) override {
        SetEvent(entered);
        if (!stuck_)
            Fail();
        Sleep(INFINITE);
        return count;
    }

private:
    bool stuck_;
};

DWORD WINAPI LogForEver(void*) {
    WriteLog(4, "never written");
    return 0;
}

// Opens the log; for the log-* ways its lines then go to a broken buffer instead of the file.
void PrepareLog(BrokenLogBuffer& broken) {
    OpenLogFile();
    WriteLog(4, "logged before the crash");
    if (options.how == L"log-held" || options.how == L"log-busy")
        static_cast<std::ostream&>(LogStream).rdbuf(&broken);
    if (options.how == L"log-busy") {
        CloseHandle(CreateThread(nullptr, 0, LogForEver, nullptr, 0, nullptr));
        WaitForSingleObject(broken.entered, 60000);
    }
}

DWORD WINAPI FailOnThisThread(void*) {
    WriteReport("");
    WaitForTheTest();
    Fail();
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4)
        return 2;
    options = {argv[1], argv[2], argv[3]};
    // The fatal-error message is a message box, which needs user32 in the process, as in Brenlow.
    LoadLibraryW(L"user32.dll");

    LoadDumpWriter();
    SetUnhandledExceptionFilter(CrashDumpFilter);
    LockUnhandledExceptionFilter();

    if (options.how == L"thread") {
        HANDLE thread = CreateThread(nullptr, 0, FailOnThisThread, nullptr, 0, nullptr);
        WaitForSingleObject(thread, INFINITE);
        return 4;
    }
    BrokenLogBuffer broken(options.how == L"log-busy");
    if (options.how.starts_with(L"log"))
        PrepareLog(broken);
    WriteReport(options.how == L"replace" ? ReplaceAndClearFilter() : "");
    WaitForTheTest();
    if (options.how == L"cleared")
        ReportFailureWithoutFilter();
    else if (options.how == L"log-held")
        WriteLog(4, "fails inside the write");
    else
        Fail();
    return 4;
}
