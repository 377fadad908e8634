#pragma once
// Runs the crash child to its "Fatal Error" and reads back what it left: the crash tests' tools.
#include "CrashDumps.h"

#include <windows.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace crashtest {

// key=value lines the child writes just before it fails ("thread" = the failing thread's id, "also" = a
// second one's, "ready" last).
using Report = std::map<std::string, std::string>;

// One run of the crash child: started, held before its failure until the test has prepared the folder,
// its "Fatal Error" box answered. Ended by force on the way out if a test stopped halfway.
class CrashRun {
public:
    CrashRun(const std::filesystem::path& program, const std::wstring& how,
             const std::filesystem::path& reportFile);
    ~CrashRun();
    CrashRun(const CrashRun&) = delete;
    CrashRun& operator=(const CrashRun&) = delete;

    // The child's report, once it stands just before its failure; empty if it never got there.
    Report WaitForReport();
    // Lets the child fail and returns its "Fatal Error" box, or null when none came.
    HWND FailAndWaitForFatalError();
    bool IsRunning() const;
    // The exit code, or STILL_ACTIVE.
    DWORD ExitCode() const;
    // Presses the box's button, as a user would, and waits for the process to end.
    bool DismissAndWaitForExit(HWND box);
    // Whether the handle the child gave to CloseOnCrash is still open.
    bool HeldHandleIsOpen() const;

private:
    std::filesystem::path reportFile_;
    std::wstring eventName_;
    HANDLE go_ = nullptr;
    PROCESS_INFORMATION process_{};
};

using testsupport::DumpFacts;
using testsupport::ReadDump;

// File helpers that also work below MAX_PATH, where std::filesystem loses its way here.
bool Exists(const std::filesystem::path& path);
// Names of the entries of `folder` that end with `ending`, "." and ".." left out.
std::vector<std::wstring> NamesIn(const std::filesystem::path& folder, const std::wstring& ending = L"");
void RemoveTree(const std::filesystem::path& folder);

} // namespace crashtest
