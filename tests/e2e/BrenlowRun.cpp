#include "BrenlowRun.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace e2e {

namespace {

HANDLE KillOnCloseJob() {
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!job || !SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits))
        ADD_FAILURE() << "cannot create a job object, error " << GetLastError();
    return job;
}

} // namespace

BrenlowRun::BrenlowRun(const fs::path& program, Mode mode) : job_(KillOnCloseJob()) {
    if (mode == Mode::Plain) {
        PROCESS_INFORMATION created{};
        if (Create(program, 0, created)) {
            CloseHandle(created.hThread);
            process_ = created.hProcess;
        }
        return;
    }
    // A debuggee's events go to the thread that started it, so that thread starts it and stays with it.
    debuggerReady_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    debugger_ = std::thread([this, program] { Debug(program); });
    WaitForSingleObject(debuggerReady_, INFINITE); // set on every path of Debug, before its loop
}

BrenlowRun::~BrenlowRun() {
    if (job_) {
        TerminateJobObject(job_, 0xDEAD); // Brenlow and every server it started
        CloseHandle(job_);
    }
    if (debugger_.joinable())
        debugger_.join();
    if (process_) {
        // Gone before the next program starts, which would otherwise find this one still holding the session.
        if (WaitForSingleObject(process_, static_cast<DWORD>(std::chrono::milliseconds(kPatience).count())) !=
            WAIT_OBJECT_0)
            ADD_FAILURE() << "the program outlived its job";
        CloseHandle(process_);
    }
    if (debuggerReady_)
        CloseHandle(debuggerReady_);
}

bool BrenlowRun::Create(const fs::path& program, DWORD flags, PROCESS_INFORMATION& created) {
    std::wstring line = L"\"" + program.wstring() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    // Suspended until it is in the job, so that nothing it starts escapes.
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, flags | CREATE_SUSPENDED,
                        nullptr, program.parent_path().c_str(), &startup, &created)) {
        ADD_FAILURE() << "cannot start " << Utf8(program.wstring()) << ", error " << GetLastError();
        return false;
    }
    if (!AssignProcessToJobObject(job_, created.hProcess))
        ADD_FAILURE() << "cannot put the program into its job, error " << GetLastError();
    processId_ = created.dwProcessId;
    mainThreadId_ = created.dwThreadId;
    ResumeThread(created.hThread);
    return true;
}

void BrenlowRun::Debug(const fs::path& program) {
    PROCESS_INFORMATION created{};
    bool started = Create(program, DEBUG_ONLY_THIS_PROCESS, created);
    if (started) {
        CloseHandle(created.hThread);
        process_ = created.hProcess;
    }
    SetEvent(debuggerReady_);
    if (!started)
        return;
    // Once the process has ended (its job terminated), only its last events are still to come.
    testsupport::FollowDebuggee(
        created.hProcess,
        [this](std::string&& text) {
            std::lock_guard lock(mutex_);
            debugStrings_.push_back(std::move(text));
        },
        [&] { return WaitForSingleObject(created.hProcess, 0) == WAIT_OBJECT_0; });
}

bool BrenlowRun::IsRunning() const {
    return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool BrenlowRun::WaitForExit(std::chrono::milliseconds timeout) const {
    return process_ && WaitForSingleObject(process_, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

DWORD BrenlowRun::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    if (process_)
        GetExitCodeProcess(process_, &code);
    return code;
}

std::vector<std::string> BrenlowRun::DebugStrings() const {
    std::lock_guard lock(mutex_);
    return debugStrings_;
}

} // namespace e2e
