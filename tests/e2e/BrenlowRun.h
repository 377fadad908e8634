#pragma once
// One run of a program under test, started and watched from outside as a user's session would be.
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace e2e {

// A generous bound for anything a loaded machine may be slow to do: start a process, show a window.
inline constexpr std::chrono::seconds kPatience(20);

// Starts `program` (in its own folder as the working folder) inside a job object, so that the program
// and every process it starts end with this object, even when a test stops halfway. Debugged runs
// collect the program's debugger output on a thread of their own while the test drives its windows;
// plain runs have no debugger, so that the program's own crash handling is what runs.
class BrenlowRun {
public:
    enum class Mode { Debugged, Plain };

    BrenlowRun(const std::filesystem::path& program, Mode mode);
    ~BrenlowRun();
    BrenlowRun(const BrenlowRun&) = delete;
    BrenlowRun& operator=(const BrenlowRun&) = delete;

    bool Started() const { return process_ != nullptr; }
    HANDLE Process() const { return process_; }
    DWORD ProcessId() const { return processId_; }
    DWORD MainThreadId() const { return mainThreadId_; }

    bool IsRunning() const;
    bool WaitForExit(std::chrono::milliseconds timeout = kPatience) const;
    DWORD ExitCode() const;

    // The OutputDebugStringA texts so far, in order (debugged runs only).
    std::vector<std::string> DebugStrings() const;

private:
    void Debug(const std::filesystem::path& program);
    bool Create(const std::filesystem::path& program, DWORD flags, PROCESS_INFORMATION& created);

    HANDLE job_ = nullptr;
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
    DWORD mainThreadId_ = 0;

    std::thread debugger_;
    HANDLE debuggerReady_ = nullptr; // set once the debugger thread has started the program, or failed
    mutable std::mutex mutex_;
    std::vector<std::string> debugStrings_;
};

} // namespace e2e
