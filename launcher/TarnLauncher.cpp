#include "launcher/TarnLauncher.h"

#include "base/ModulePath.h"
#include "launcher/CrashOnDemand.h"
#include "server/ServerNames.h"

#include <windows.h>

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

DWORD WINAPI WriteThroughNull(void*) {
    *static_cast<volatile int*>(nullptr) = 1;
    return 0;
}

} // namespace

TarnLauncher::TarnLauncher() {
    Report("loaded");
}

bool TarnLauncher::LaunchProcess(const wchar_t* commandLine, ServerProcessInfo* info) {
    if (!commandLine || !info || shutDown_)
        return false;
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
    shutDown_ = true; // a second call finds nothing left to end
    Report("Shutdown");
}

// The stand-in queues no callbacks, so the pump only counts its calls; after Shutdown it does nothing.
// Only the first call reports itself and looks for the crash trigger: the pump runs 20 times a second,
// and a file-system query on every call would be most of the caller's idle cost.
void TarnLauncher::RunCallbacks() {
    if (shutDown_)
        return;
    if (++runCallbacksCount_ > 1)
        return;
    Report("RunCallbacks");
    CrashIfAsked();
}

void TarnLauncher::CrashIfAsked() {
    if (GetFileAttributesW(BesideLibrary(kCrashOnCallbacksFile).c_str()) == INVALID_FILE_ATTRIBUTES)
        return;
    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, 0, WriteThroughNull, nullptr, 0, &threadId);
    Report("crashing on thread " + std::to_string(threadId));
    if (thread)
        CloseHandle(thread);
}
