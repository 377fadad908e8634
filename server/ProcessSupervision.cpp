// Telling running servers from ended ones by process identifier and image name, and terminating them.
// Process handles are opened for one operation and closed again.
#include "server/TarnLauncherWrapper.h"

#include "diag/LogFile.h"
#include "diag/LogMessages.h"
#include "server/ServerNames.h"

#include <windows.h>

#include <psapi.h>

#include <boost/filesystem/path.hpp>

namespace {

constexpr DWORD kImagePathCapacity = 2048;

void TerminateServerProcess(const ServerProcessInfo& info) {
    HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, info.ProcessId);
    if (!process)
        return; // already gone, or not ours to end
    TerminateProcess(process, 0);
    CloseHandle(process);
}

} // namespace

std::wstring TarnLauncherWrapper::GetProcessImagePath(uint32_t processId) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE, FALSE, processId);
    if (!process)
        return std::wstring();
    wchar_t path[kImagePathCapacity] = {};
    DWORD length = 0;
    // An ended process has no image to speak of, even while some handle still keeps its identifier.
    if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
        length = GetModuleFileNameExW(process, nullptr, path, kImagePathCapacity);
        // A process still starting has no module list yet; the system knows its image all the same.
        DWORD capacity = kImagePathCapacity;
        if (length == 0 && QueryFullProcessImageNameW(process, 0, path, &capacity))
            length = capacity;
    }
    CloseHandle(process);
    return length == 0 ? std::wstring() : std::wstring(path);
}

bool TarnLauncherWrapper::IsProcessRunning(const ServerProcessInfo& info) {
    std::wstring imagePath = GetProcessImagePath(info.ProcessId);
    if (imagePath.empty())
        return false; // ended, or cannot be read: either way no longer supervised
    try {
        // The file name alone counts: a server started from any folder passes, and an identifier that
        // now belongs to another program fails.
        std::wstring fileName = boost::filesystem::path(imagePath).filename().wstring();
        return _wcsicmp(fileName.c_str(), kServerExecutableName) == 0;
    } catch (...) {
        WriteLog(4, kLogIsProcessRunningException);
        return true; // keep the server rather than lose track of it
    }
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
