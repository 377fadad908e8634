// The running servers kept in a file beside the program, so that a Brenlow started after an unexpected
// end finds the servers that still run, and never starts a second server on the same cluster.
#include "server/TarnLauncherWrapper.h"

#include "base/ModulePath.h"
#include "diag/CrashHandler.h"
#include "diag/LogFile.h"
#include "server/LogMessages.h"
#include "server/ServerNames.h"

#include <algorithm>

bool TarnLauncherWrapper::GetServerRecordPath(std::wstring& path) {
    std::wstring folder;
    if (!GetModuleDirectory(folder))
        return false;
    path = folder + L"\\" + ServerRecordFileNameOfThisSession();
    return true;
}

void TarnLauncherWrapper::AdoptRecordedServers(const std::wstring& file) {
    recordFile_ = file;
    recordFailureLogged_ = recordUnreadLogged_ = false;
    TakeBackRecords();
}

bool TarnLauncherWrapper::IsInMap(uint32_t processId) const {
    return std::any_of(RunningServers.begin(), RunningServers.end(),
                       [&](const auto& entry) { return entry.second.ProcessId == processId; });
}

void TarnLauncherWrapper::TakeBackRecords() {
    std::vector<ServerRecord> records;
    const ServerRecordReading reading = ReadServerRecords(recordFile_, records);
    recordUnread_ = reading == ServerRecordReading::Unavailable;
    if (recordUnread_) {
        if (!recordUnreadLogged_)
            WriteLog(kServerLogLevel, kLogServerRecordsUnavailable);
        recordUnreadLogged_ = true;
        return;
    }
    // More servers than ever run at once, or one process twice, is no record of ours either.
    bool dropped = reading == ServerRecordReading::Damaged;
    size_t takenBack = 0;
    for (const ServerRecord& record : records) {
        // Ended, or its identifier now another program's, or another process since: dropped silently.
        if (!IsRecordedServerRunning(record))
            continue;
        if (RunningServers.size() >= kMostRunningServers || IsInMap(record.info.ProcessId) ||
            !RunningServers.emplace(record.name, record.info).second) {
            dropped = true;
            continue;
        }
        creationTimes_[record.info.ProcessId] = record.creationTime;
        ++takenBack;
    }
    if (dropped)
        WriteLog(kServerLogLevel, kLogServerRecordsDamaged);
    if (dropped || takenBack != records.size() || recordUnsaved_)
        SaveRecords();
}

void TarnLauncherWrapper::ForgetRecordedServers() {
    if (!recordUnread_) // a file never read is left as it is
        WriteRecords({});
    recordFile_.clear();
}

void TarnLauncherWrapper::SaveRecords() {
    if (recordFile_.empty())
        return;
    recordUnsaved_ = true;
    if (recordUnread_)
        return; // written once the file has been read, with what it holds
    std::vector<ServerRecord> records;
    for (const auto& [name, info] : RunningServers)
        records.push_back({name, info, KnownCreationTime(info.ProcessId)});
    recordUnsaved_ = !WriteRecords(records);
}

void TarnLauncherWrapper::CatchUpRecords() {
    if (recordFile_.empty())
        return;
    if (recordUnread_)
        TakeBackRecords();
    else if (recordUnsaved_)
        SaveRecords();
}

// A dying program leaves the record as it is: the next Brenlow finds the servers by it, and may already
// have started more.
bool TarnLauncherWrapper::WriteRecords(const std::vector<ServerRecord>& records) {
    if (recordFile_.empty() || IsCrashBeingHandled())
        return false;
    if (WriteServerRecords(recordFile_, records))
        return true;
    if (!recordFailureLogged_)
        WriteLog(kServerLogLevel, kLogServerRecordsUnwritable);
    recordFailureLogged_ = true;
    return false;
}
