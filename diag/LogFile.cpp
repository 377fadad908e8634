#include "diag/LogFile.h"

#include "base/ModulePath.h"

#include <shlwapi.h>

#include <cstdarg>
#include <cstdio>
#include <direct.h>

std::ofstream LogStream;

namespace {

constexpr char kLogTag[] = "Quillane";
constexpr wchar_t kLogFolder[] = L"\\log";
constexpr wchar_t kLogFileName[] = L"Quillane";
constexpr wchar_t kLogFileExtension[] = L".txt";

// libstdc++ streams have no lock of their own: this keeps lines of different threads whole. A slim
// reader/writer lock, because the crash filter may only try it, and a try fails rather than deadlocks
// even when the crashing thread holds the lock itself.
SRWLOCK logLock = SRWLOCK_INIT;
bool linesPending = false; // lines in the stream's buffer that have not reached the file yet

class LogLockGuard {
public:
    LogLockGuard() { AcquireSRWLockExclusive(&logLock); }
    ~LogLockGuard() { ReleaseSRWLockExclusive(&logLock); }
    LogLockGuard(const LogLockGuard&) = delete;
    LogLockGuard& operator=(const LogLockGuard&) = delete;
};

} // namespace

bool GetLogFilePath(std::wstring& path) {
    std::wstring folder;
    if (!GetModuleDirectory(folder))
        return false;
    folder += kLogFolder;
    if (!PathFileExistsW(folder.c_str()))
        _wmkdir(folder.c_str()); // a failure shows later as a failed open
    path = folder + L"\\" + kLogFileName + kLogFileExtension;
    return true;
}

bool OpenLogFile() {
    std::wstring path;
    if (!GetLogFilePath(path))
        return false;
    // _wfopen underneath: text mode, shared deny-none.
    LogStream.open(path.c_str(), std::ios::out | std::ios::app);
    if (LogStream.is_open())
        LogStream.clear(); // a write tried before the open must not block the log
    else
        LogStream.setstate(std::ios::failbit);
    return !LogStream.fail();
}

std::string FormatLogHeader(const SYSTEMTIME& time, DWORD threadId, int level) {
    char header[96];
    std::snprintf(header, sizeof header, "%s.[%04d-%02d-%02d %02d:%02d:%02d.%03d][%d][%d]", kLogTag,
                  time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond,
                  time.wMilliseconds, static_cast<int>(threadId), level);
    return header;
}

void WriteLog(int level, const char* format, ...) {
    if (level < kMinLogLevel)
        return;

    char message[kLogMessageBufferSize];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args); // cuts silently at size - 1
    va_end(args);

    SYSTEMTIME now;
    GetLocalTime(&now);
    std::string line = FormatLogHeader(now, GetCurrentThreadId(), level);
    line += message;
    line += '\n';

    {
        LogLockGuard lock;
        if (LogStream.good()) {
            LogStream.write(line.data(), static_cast<std::streamsize>(line.size())); // no flush per line
            linesPending = true;
        }
    }
    OutputDebugStringA(line.c_str());
}

void CloseLogFile() {
    LogLockGuard lock;
    LogStream.flush();
    LogStream.close();
}

void FlushPendingLog() {
    LogLockGuard lock;
    if (!linesPending)
        return;
    LogStream.flush();
    linesPending = false;
}

void FlushLogIfFree() {
    if (!TryAcquireSRWLockExclusive(&logLock))
        return; // a thread is inside a write, perhaps the crashing one: waiting could be for ever
    LogStream.flush();
    ReleaseSRWLockExclusive(&logLock);
}
