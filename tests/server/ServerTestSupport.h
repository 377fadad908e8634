#pragma once
// Helpers for tests that start real servers through the launcher library and the stand-in server.
#include "server/TarnLauncherWrapper.h"

#include "TestSupport.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace servertest {

// What a stand-in server wrote about how it was started.
struct DevServerRecord {
    std::wstring commandLine;            // as the process received it
    std::vector<std::wstring> arguments; // as the platform parses it, program name first
};

// Waits for the record of server `processId` in `folder`, reads it and removes the file.
bool TakeDevServerRecord(const std::filesystem::path& folder, uint32_t processId, DevServerRecord& record);

// Asks a stand-in server to exit by itself, waiting (boundedly) until it can be asked.
bool SignalDevServerExit(uint32_t processId);

// Puts this process in a job that ends every process started from it when it ends, even by a crash.
void EndChildProcessesWithThisProcess();

// Handles on the processes a test starts, for waiting on them; whatever still runs when the object goes
// is terminated, and the records the servers wrote in the test executable's folder are removed.
class WatchedProcesses {
public:
    WatchedProcesses() = default;
    ~WatchedProcesses();
    WatchedProcesses(const WatchedProcesses&) = delete;
    WatchedProcesses& operator=(const WatchedProcesses&) = delete;

    // Opens a handle on a running process; fails the test when it cannot.
    void Watch(uint32_t processId);
    // Starts `program` and watches it; returns its identifier (0 on failure).
    uint32_t Start(const std::filesystem::path& program, const std::wstring& arguments = L"");
    // Waits (boundedly) for a watched process to end; returns its exit code, or nothing on time-out.
    std::optional<DWORD> WaitForExit(uint32_t processId);
    bool IsRunning(uint32_t processId);

private:
    std::map<uint32_t, HANDLE> handles_;
};

// In-process tests on the singleton, with the real launcher library and stand-in server beside the
// test executable. Each test starts with an empty map and leaves no server running.
class RunningServersTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the server of `name` through the wrapper and watches its process; returns its identifier.
    uint32_t Start(const std::wstring& name);
    uint32_t RecordedProcessId(const std::wstring& name) const;

    TarnLauncherWrapper& wrapper = TarnLauncherWrapper::GetInstance();
    testsupport::TempFolder folder; // for copies of programs; outlives the processes started from it
    WatchedProcesses processes;
};

} // namespace servertest
