#include "launcher/TarnLauncher.h"

#include "base/ModulePath.h"
#include "launcher/CrashOnDemand.h"
#include "server/ServerNames.h"

#include <windows.h>

#include <optional>
#include <string>

namespace {

void Report(const std::string& text) {
    OutputDebugStringA(("tarn_launcher: " + text + "\n").c_str());
}

// The full path of a file beside this library.
std::wstring BesideLibrary(const wchar_t* name) {
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&BesideLibrary), &self);
    std::wstring folder;
    GetModuleDirectory(folder, self, kLongestPath);
    return folder + L"\\" + name;
}

// The first bytes of a small file beside this library; nothing when there is no such file.
std::optional<std::string> ReadBesideLibrary(const wchar_t* name) {
    HANDLE file = CreateFileW(BesideLibrary(name).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    char text[64];
    DWORD read = 0;
    ReadFile(file, text, sizeof text, &read, nullptr);
    CloseHandle(file);
    return std::string(text, read);
}

DWORD WINAPI WriteThroughNull(void*) {
    *static_cast<volatile int*>(nullptr) = 1;
    return 0;
}

DWORD WINAPI WriteThroughNullHoldingHeapLock(void*) {
    HeapLock(GetProcessHeap());
    return WriteThroughNull(nullptr);
}

void CrashOnOwnThread(LPTHREAD_START_ROUTINE failure) {
    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, 0, failure, nullptr, 0, &threadId);
    Report("crashing on thread " + std::to_string(threadId));
    if (thread)
        CloseHandle(thread);
}

// As a module built with the platform's own compiler throws: that runtime's code ("msc" in its low bytes)
// and magic number, no object.
[[gnu::noinline]] void ThrowAsAnotherCompiler() {
    constexpr DWORD kForeignCxxException = 0xE06D7363;
    const ULONG_PTR arguments[] = {0x19930520, 0, 0};
    RaiseException(kForeignCxxException, EXCEPTION_NONCONTINUABLE, 3, arguments);
}

} // namespace

TarnLauncher::TarnLauncher() {
    Report("loaded");
}

bool TarnLauncher::LaunchProcess(const wchar_t* commandLine, ServerProcessInfo* info) {
    RecordIfCrashed("LaunchProcess");
    if (!commandLine || !info || shutDown_)
        return false;
    if (GetFileAttributesW(BesideLibrary(kRefuseLaunchesFile).c_str()) != INVALID_FILE_ATTRIBUTES) {
        Report("LaunchProcess refused");
        return false;
    }
    std::wstring folder; // the folder of the executable that loaded this library
    if (!GetModuleDirectory(folder, nullptr, kLongestPath))
        return false;

    std::wstring executable = folder + L"\\" + kServerExecutableName;
    std::wstring line = L"\"" + executable + L"\" " + commandLine;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    // Detached: the server shows nothing and holds none of the caller's console or handles.
    if (!CreateProcessW(executable.c_str(), line.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                        folder.c_str(), &startup, &process)) {
        Report("LaunchProcess failed, error " + std::to_string(GetLastError()));
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess); // the caller follows the server by its identifier only
    info->ProcessId = process.dwProcessId;
    info->Reserved = process.dwThreadId;
    Report("LaunchProcess " + std::to_string(process.dwProcessId));
    return true;
}

void TarnLauncher::Shutdown() {
    RecordIfCrashed("Shutdown");
    shutDown_ = true; // a second call finds nothing left to end
    Report("Shutdown");
}

// The stand-in queues no callbacks, so the pump only counts its calls; after Shutdown it does nothing.
// Only the first call reports itself and looks for the crash trigger: the pump runs 20 times a second,
// and a file-system query on every call would be most of the caller's idle cost.
void TarnLauncher::RunCallbacks() {
    RecordIfCrashed("RunCallbacks");
    if (shutDown_)
        return;
    if (++runCallbacksCount_ > 1)
        return;
    Report("RunCallbacks");
    CrashIfAsked();
}

void TarnLauncher::CrashIfAsked() {
    std::optional<std::string> mode = ReadBesideLibrary(kCrashTriggerFile);
    if (!mode || mode == kCrashInFactory)
        return;
    crashed_ = true;
    if (mode == kCrashWithForeignException)
        ThrowAsAnotherCompiler();
    else if (mode == kCrashHoldingHeapLock)
        CrashOnOwnThread(WriteThroughNullHoldingHeapLock);
    else
        CrashOnOwnThread(WriteThroughNull);
}

void TarnLauncher::CrashIfAskedWhileBound() {
    if (ReadBesideLibrary(kCrashTriggerFile) != kCrashInFactory)
        return;
    crashed_ = true;
    Report("crashing in the factory");
    WriteThroughNull(nullptr);
}

// Only after a crash: a file-system write per call would otherwise be most of the caller's idle cost.
void TarnLauncher::RecordIfCrashed(const char* call) const {
    if (!crashed_)
        return;
    HANDLE file = CreateFileW(BesideLibrary(kCallsAfterCrashFile).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    std::string line = std::string(call) + "\n";
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
}
