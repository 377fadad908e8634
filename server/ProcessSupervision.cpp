// Telling running servers from ended ones by process identifier and image name, and terminating them.
// Process handles are opened for one operation (a check, a sweep, a termination) and closed again.
#include "server/TarnLauncherWrapper.h"

#include "diag/CrashHandler.h"
#include "diag/LogFile.h"
#include "server/LogMessages.h"
#include "server/ServerNames.h"

#include <windows.h>

#include <psapi.h>

#include <boost/filesystem/path.hpp>

#include <memory>
#include <vector>

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

// An ended process may still answer for its image while some handle keeps its identifier alive.
bool HasEnded(HANDLE process) {
    return WaitForSingleObject(process, 0) != WAIT_TIMEOUT;
}

// Full image path of an open process, or empty when it cannot be read.
std::wstring ImagePathOf(HANDLE process) {
    wchar_t path[kImagePathCapacity] = {};
    // One request to the system; it also reads the image of a 64-bit process from this 32-bit one.
    DWORD length = kImagePathCapacity;
    if (QueryFullProcessImageNameW(process, 0, path, &length))
        return std::wstring(path, length);
    length = GetModuleFileNameExW(process, nullptr, path, kImagePathCapacity);
    return std::wstring(path, length);
}

// Whether an open process's image is the dedicated server executable. The file name alone counts: a
// server started from any folder passes, and an identifier that now belongs to another program fails.
bool HasServerImage(HANDLE process) {
    std::wstring imagePath = ImagePathOf(process);
    if (imagePath.empty())
        return false; // cannot be read: no longer supervised
    try {
        std::wstring fileName = boost::filesystem::path(imagePath).filename().wstring();
        return _wcsicmp(fileName.c_str(), kServerExecutableName) == 0;
    } catch (...) {
        WriteLog(kServerLogLevel, kLogIsProcessRunningException);
        return true; // keep the server rather than lose track of it
    }
}

// Whether an open process still runs the dedicated server executable.
bool RunsServerExecutable(HANDLE process) {
    return !HasEnded(process) && HasServerImage(process);
}

// Whether none of the open processes has ended, asked of all of them at once: in most sweeps none has,
// and one question then stands for one per server. False also when it cannot be asked at once.
bool NoneHasEnded(const std::vector<ProcessHandle>& processes) {
    std::vector<HANDLE> handles;
    for (const ProcessHandle& process : processes) {
        if (process)
            handles.push_back(process.get());
    }
    return !handles.empty() && handles.size() <= MAXIMUM_WAIT_OBJECTS &&
           WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE, 0) ==
               WAIT_TIMEOUT;
}

uint64_t CreationTimeOf(HANDLE process) {
    FILETIME created{}, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
        return 0;
    return static_cast<uint64_t>(created.dwHighDateTime) << 32 | created.dwLowDateTime;
}

} // namespace

std::wstring TarnLauncherWrapper::GetProcessImagePath(uint32_t processId) {
    ProcessHandle process = OpenProcessFor(processId, kReadImageRights);
    return process && !HasEnded(process.get()) ? ImagePathOf(process.get()) : std::wstring();
}

bool TarnLauncherWrapper::IsProcessRunning(const ServerProcessInfo& info) {
    ProcessHandle process = OpenProcessFor(info.ProcessId, kReadImageRights);
    return process && RunsServerExecutable(process.get());
}

uint64_t TarnLauncherWrapper::GetProcessCreationTime(uint32_t processId) {
    ProcessHandle process = OpenProcessFor(processId, PROCESS_QUERY_LIMITED_INFORMATION);
    return process ? CreationTimeOf(process.get()) : 0;
}

// All asked on one handle, so that every answer is about the same process.
bool TarnLauncherWrapper::IsRecordedServerRunning(const ServerRecord& record) {
    ProcessHandle process = OpenProcessFor(record.info.ProcessId, kReadImageRights);
    return process && record.creationTime != 0 && CreationTimeOf(process.get()) == record.creationTime &&
           RunsServerExecutable(process.get());
}

uint64_t TarnLauncherWrapper::KnownCreationTime(uint32_t processId) {
    auto known = creationTimes_.find(processId);
    if (known != creationTimes_.end())
        return known->second;
    uint64_t created = GetProcessCreationTime(processId);
    if (created)
        creationTimes_[processId] = created;
    return created;
}

bool TarnLauncherWrapper::WasCreatedAsKnown(HANDLE process, uint32_t processId) {
    const uint64_t created = CreationTimeOf(process);
    return created && creationTimes_.emplace(processId, created).first->second == created;
}

std::vector<std::wstring> TarnLauncherWrapper::CollectStoppedServers() {
    std::erase_if(creationTimes_, [&](const auto& known) { return !IsInMap(known.first); });
    // Every recorded process is opened once, for this sweep only.
    std::vector<ProcessHandle> processes;
    for (const auto& [name, info] : RunningServers)
        processes.push_back(OpenProcessFor(info.ProcessId, kReadImageRights));
    const bool noneEnded = NoneHasEnded(processes);

    std::vector<std::wstring> stopped;
    auto process = processes.begin();
    for (auto entry = RunningServers.begin(); entry != RunningServers.end(); ++process) {
        HANDLE handle = process->get();
        const uint32_t processId = entry->second.ProcessId;
        if (handle && (noneEnded ? HasServerImage(handle) : RunsServerExecutable(handle)) &&
            WasCreatedAsKnown(handle, processId)) {
            ++entry;
        } else {
            stopped.push_back(entry->first);
            creationTimes_.erase(processId);
            entry = RunningServers.erase(entry);
        }
    }
    if (!stopped.empty())
        SaveRecords();
    CatchUpRecords();
    return stopped;
}

// Asked on the handle that ends it, so the answer cannot go stale: the identifier of a server that has
// ended since the last sweep may already belong to another program, or to a server of another Brenlow.
void TarnLauncherWrapper::TerminateServer(const ServerProcessInfo& info) {
    ProcessHandle process = OpenProcessFor(info.ProcessId, PROCESS_TERMINATE | kReadImageRights);
    if (process && RunsServerExecutable(process.get()) && WasCreatedAsKnown(process.get(), info.ProcessId))
        TerminateProcess(process.get(), 0);
}

// A dying program ends no server: they run on for the next Brenlow to find.
void TarnLauncherWrapper::StopServer(const std::wstring& name) {
    if (IsCrashBeingHandled())
        return;
    auto entry = RunningServers.find(name);
    if (entry != RunningServers.end())
        TerminateServer(entry->second);
}

void TarnLauncherWrapper::StopAllServers() {
    if (IsCrashBeingHandled())
        return;
    for (const auto& [name, info] : RunningServers)
        TerminateServer(info);
}
