// Telling running servers from ended ones by process identifier and image name, and terminating them.
// Process handles are opened for one operation and closed again.
#include "server/TarnLauncherWrapper.h"

#include "diag/LogFile.h"
#include "server/LogMessages.h"
#include "server/ServerNames.h"

#include <windows.h>

#include <psapi.h>

#include <boost/filesystem/path.hpp>

#include <memory>

namespace {

constexpr DWORD kImagePathCapacity = 2048;
// Reading the image name, by either call, and seeing whether the process has ended.
constexpr DWORD kReadImageRights = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE;

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using ProcessHandle = std::unique_ptr<void, HandleCloser>;

ProcessHandle OpenProcessFor(uint32_t processId, DWORD rights) {
    return ProcessHandle(OpenProcess(rights, FALSE, processId));
}

// Full image path of an open process, or empty when it has ended or cannot be read.
std::wstring ImagePathOf(HANDLE process) {
    // An ended process has no image to speak of, even while some handle still keeps its identifier.
    if (WaitForSingleObject(process, 0) != WAIT_TIMEOUT)
        return std::wstring();
    wchar_t path[kImagePathCapacity] = {};
    // One request to the system; it also reads the image of a 64-bit process from this 32-bit one.
    DWORD length = kImagePathCapacity;
    if (QueryFullProcessImageNameW(process, 0, path, &length))
        return std::wstring(path, length);
    length = GetModuleFileNameExW(process, nullptr, path, kImagePathCapacity);
    return std::wstring(path, length);
}

// Whether an open process still runs the dedicated server executable. The file name alone counts: a
// server started from any folder passes, and an identifier that now belongs to another program fails.
bool RunsServerExecutable(HANDLE process) {
    std::wstring imagePath = ImagePathOf(process);
    if (imagePath.empty())
        return false; // ended, or cannot be read: either way no longer supervised
    try {
        std::wstring fileName = boost::filesystem::path(imagePath).filename().wstring();
        return _wcsicmp(fileName.c_str(), kServerExecutableName) == 0;
    } catch (...) {
        WriteLog(kServerLogLevel, kLogIsProcessRunningException);
        return true; // keep the server rather than lose track of it
    }
}

void TerminateServerProcess(const ServerProcessInfo& info) {
    ProcessHandle process = OpenProcessFor(info.ProcessId, PROCESS_TERMINATE | kReadImageRights);
    // Asked on the handle that ends it, so the answer cannot go stale: the identifier of a server that
    // has ended since the last sweep may already belong to another program.
    if (process && RunsServerExecutable(process.get()))
        TerminateProcess(process.get(), 0);
}

} // namespace

std::wstring TarnLauncherWrapper::GetProcessImagePath(uint32_t processId) {
    ProcessHandle process = OpenProcessFor(processId, kReadImageRights);
    return process ? ImagePathOf(process.get()) : std::wstring();
}

bool TarnLauncherWrapper::IsProcessRunning(const ServerProcessInfo& info) {
    ProcessHandle process = OpenProcessFor(info.ProcessId, kReadImageRights);
    return process && RunsServerExecutable(process.get());
}

std::vector<std::wstring> TarnLauncherWrapper::CollectStoppedServers() {
    std::vector<std::wstring> stopped;
    for (auto entry = RunningServers.begin(); entry != RunningServers.end();) {
        if (IsProcessRunning(entry->second)) {
            ++entry;
        } else {
            stopped.push_back(entry->first);
            entry = RunningServers.erase(entry);
        }
    }
    return stopped;
}

void TarnLauncherWrapper::StopServer(const std::wstring& name) {
    auto entry = RunningServers.find(name);
    if (entry != RunningServers.end())
        TerminateServerProcess(entry->second);
}

void TarnLauncherWrapper::StopAllServers() {
    for (const auto& [name, info] : RunningServers)
        TerminateServerProcess(info);
}
