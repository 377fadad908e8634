// The running servers kept in a file beside the program, so that a Brenlow started after an unexpected
// end finds the servers that still run, and never starts a second server on the same cluster.
#include "server/TarnLauncherWrapper.h"

#include "base/ModulePath.h"
#include "diag/CrashHandler.h"
#include "diag/LogFile.h"
#include "server/LogMessages.h"

#include <algorithm>

bool TarnLauncherWrapper::GetServerRecordPath(std::wstring& path) {
    std::wstring folder;
    if (!GetModuleDirectory(folder))
        return false;
    path = folder + L"\\" + kServerRecordFileName;
    return true;
}

void TarnLauncherWrapper::AdoptRecordedServers(const std::wstring& file) {
    std::vector<ServerRecord> records;
    const ServerRecordReading reading = ReadServerRecords(file, records);
    if (reading == ServerRecordReading::Damaged)
        WriteLog(kServerLogLevel, kLogServerRecordsDamaged);

    recordFile_ = file;
    recorded_.clear();
    recordFailureLogged_ = false;
    for (const ServerRecord& record : records) {
        // Ended, or its identifier now another program's, or another process since: dropped.
        if (IsRecordedServerRunning(record) && RunningServers.emplace(record.name, record.info).second)
            recorded_.push_back(record);
    }
    if (reading == ServerRecordReading::Damaged || recorded_.size() != records.size())
        SaveRecords();
}

void TarnLauncherWrapper::ForgetRecordedServers() {
    WriteRecords({});
    recordFile_.clear();
}

void TarnLauncherWrapper::SaveRecords() {
    if (recordFile_.empty())
        return;
    std::vector<ServerRecord> records;
    for (const auto& [name, info] : RunningServers) {
        // A server's creation time is read once, when its record is first written.
        auto known = std::find_if(recorded_.begin(), recorded_.end(), [&](const ServerRecord& record) {
            return record.name == name && record.info.ProcessId == info.ProcessId;
        });
        uint64_t created =
            known != recorded_.end() ? known->creationTime : GetProcessCreationTime(info.ProcessId);
        records.push_back({name, info, created});
    }
    WriteRecords(std::move(records));
}

// A dying program leaves the record as it is: the next Brenlow finds the servers by it, and may already
// have started more.
void TarnLauncherWrapper::WriteRecords(std::vector<ServerRecord> records) {
    if (recordFile_.empty() || IsCrashBeingHandled())
        return;
    if (!WriteServerRecords(recordFile_, records) && !recordFailureLogged_) {
        WriteLog(kServerLogLevel, kLogServerRecordsUnwritable);
        recordFailureLogged_ = true;
    }
    recorded_ = std::move(records);
}
