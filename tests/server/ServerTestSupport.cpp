#include "ServerTestSupport.h"

#include "devserver/DevServerProtocol.h"

#include "TestSupport.h"

namespace fs = std::filesystem;

namespace servertest {

namespace {

bool IsNotOlderThanProcess(const fs::path& file, uint32_t processId) {
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    if (!GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &attributes))
        return false;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    FILETIME created{}, unused[3];
    bool known = process && GetProcessTimes(process, &created, &unused[0], &unused[1], &unused[2]);
    if (process)
        CloseHandle(process);
    return !known || CompareFileTime(&attributes.ftLastWriteTime, &created) >= 0;
}

} // namespace

bool TakeDevServerRecord(const fs::path& folder, uint32_t processId, DevServerRecord& record) {
    fs::path file = folder / DevServerRecordName(processId);
    std::string bytes;
    // A record older than the process is another one's that had the same identifier. Just after the
    // server's rename the file may still be held by it and refuse to open for a moment.
    if (!testsupport::WaitFor([&] {
            return IsNotOlderThanProcess(file, processId) &&
                   !(bytes = testsupport::ReadFileBytes(file)).empty();
        }))
        return false;
    std::error_code ignored;
    fs::remove(file, ignored);

    std::vector<std::wstring> lines;
    size_t start = 0;
    for (size_t end; (end = bytes.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(FromUtf8(bytes.substr(start, end - start)));
    if (lines.empty())
        return false;
    record.commandLine = lines.front();
    record.arguments.assign(lines.begin() + 1, lines.end());
    return true;
}

bool SignalDevServerExit(uint32_t processId) {
    HANDLE event = nullptr;
    // A server just started may not have made its event yet.
    testsupport::WaitFor([&] {
        event = OpenEventW(EVENT_MODIFY_STATE, FALSE, DevServerExitEventName(processId).c_str());
        return event != nullptr;
    });
    if (!event)
        return false;
    bool signalled = SetEvent(event);
    CloseHandle(event);
    return signalled;
}

WatchedProcesses::~WatchedProcesses() {
    fs::path folder = testsupport::ExecutableFolder();
    for (auto& [processId, handle] : handles_) {
        if (WaitForSingleObject(handle, 0) == WAIT_TIMEOUT) {
            TerminateProcess(handle, 0xDEAD);
            WaitForSingleObject(handle, 20000);
        }
        CloseHandle(handle);
        std::error_code ignored;
        fs::remove(folder / DevServerRecordName(processId), ignored);
        fs::remove(folder / (DevServerRecordName(processId) + L".partial"), ignored); // ended mid-write
    }
}

void WatchedProcesses::Watch(uint32_t processId) {
    HANDLE handle =
        OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!handle) {
        ADD_FAILURE() << "cannot watch process " << processId << ", error " << GetLastError();
        return;
    }
    handles_[processId] = handle;
}

uint32_t WatchedProcesses::Start(const fs::path& program, const std::wstring& arguments) {
    PROCESS_INFORMATION process = testsupport::StartProcess(program, arguments);
    if (!process.hProcess)
        return 0;
    CloseHandle(process.hThread);
    handles_[process.dwProcessId] = process.hProcess;
    return process.dwProcessId;
}

std::optional<DWORD> WatchedProcesses::WaitForExit(uint32_t processId) {
    auto found = handles_.find(processId);
    if (found == handles_.end() || WaitForSingleObject(found->second, 20000) != WAIT_OBJECT_0)
        return std::nullopt;
    DWORD exitCode = 0;
    GetExitCodeProcess(found->second, &exitCode);
    return exitCode;
}

bool WatchedProcesses::IsRunning(uint32_t processId) {
    auto found = handles_.find(processId);
    return found != handles_.end() && WaitForSingleObject(found->second, 0) == WAIT_TIMEOUT;
}

void EndChildProcessesWithThisProcess() {
    static HANDLE job = [] {
        // Never closed: the system closes it when this process ends, however it ends, and so ends
        // every process started from here that is still running. Nothing is left to hold ctest's pipes.
        HANDLE created = CreateJobObjectW(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (!created ||
            !SetInformationJobObject(created, JobObjectExtendedLimitInformation, &limits, sizeof limits) ||
            !AssignProcessToJobObject(created, GetCurrentProcess()))
            ADD_FAILURE() << "cannot tie child processes to the test process, error " << GetLastError();
        return created;
    }();
    (void)job;
}

void RunningServersTest::SetUp() {
    EndChildProcessesWithThisProcess();
    ASSERT_NE(wrapper.Helper, nullptr) << "the launcher library beside the tests did not bind";
    wrapper.RunningServers.clear();
}

void RunningServersTest::TearDown() {
    wrapper.RunningServers.clear();
}

uint32_t RunningServersTest::Start(const std::wstring& name) {
    std::wstring error;
    if (!wrapper.StartServer(name, &error)) {
        ADD_FAILURE() << "cannot start " << Utf8(name) << ": " << Utf8(error);
        return 0;
    }
    uint32_t processId = RecordedProcessId(name);
    processes.Watch(processId);
    return processId;
}

uint32_t RunningServersTest::RecordedProcessId(const std::wstring& name) const {
    auto found = wrapper.RunningServers.find(name);
    return found == wrapper.RunningServers.end() ? 0 : found->second.ProcessId;
}

} // namespace servertest
