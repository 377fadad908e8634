#include "CrashRun.h"

#include "CrashDumps.h"
#include "TestSupport.h"

#include <dbghelp.h>
#include <gtest/gtest.h>
#include <winternl.h>

#include <sstream>

namespace fs = std::filesystem;

namespace crashtest {

namespace {

// Generous: a loaded machine may take long to start a process or to write its dump.
constexpr std::chrono::seconds kPatience(60);

std::wstring Extended(const fs::path& path) {
    return L"\\\\?\\" + path.wstring();
}

Report ReadReport(const fs::path& file) {
    Report report;
    std::istringstream lines(testsupport::ReadFileBytes(file));
    for (std::string line; std::getline(lines, line);)
        if (size_t equals = line.find('='); equals != std::string::npos)
            report[line.substr(0, equals)] = line.substr(equals + 1);
    return report;
}

// The native process creation calls, which the MinGW headers do not declare.
struct NativeProcessInformation {
    ULONG size;
    HANDLE process;
    HANDLE thread;
    CLIENT_ID clientId;
    BYTE imageInformation[64];
};
using CreateParametersCall = NTSTATUS(NTAPI*)(RTL_USER_PROCESS_PARAMETERS**, UNICODE_STRING*, UNICODE_STRING*,
                                              UNICODE_STRING*, UNICODE_STRING*, void*, UNICODE_STRING*,
                                              UNICODE_STRING*, UNICODE_STRING*, UNICODE_STRING*, ULONG);
using CreateProcessCall = NTSTATUS(NTAPI*)(UNICODE_STRING*, ULONG, RTL_USER_PROCESS_PARAMETERS*, void*, void*,
                                           HANDLE, BOOLEAN, HANDLE, HANDLE, NativeProcessInformation*);
using DestroyParametersCall = NTSTATUS(NTAPI*)(RTL_USER_PROCESS_PARAMETERS*);

template <typename Call> Call NtdllCall(const char* name) {
    FARPROC address = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), name);
    return reinterpret_cast<Call>(reinterpret_cast<void*>(address));
}

UNICODE_STRING Counted(std::wstring& text) {
    auto bytes = static_cast<USHORT>(text.size() * sizeof(wchar_t));
    return {bytes, bytes, text.data()};
}

// CreateProcessW refuses an executable path of MAX_PATH or more, as Windows does without long-path
// support; the native call underneath takes any length.
PROCESS_INFORMATION StartProcessAtLongPath(const fs::path& program, const std::wstring& arguments) {
    auto createParameters = NtdllCall<CreateParametersCall>("RtlCreateProcessParametersEx");
    auto createProcess = NtdllCall<CreateProcessCall>("RtlCreateUserProcess");
    auto destroyParameters = NtdllCall<DestroyParametersCall>("RtlDestroyProcessParameters");
    std::wstring image = program.wstring();
    std::wstring ntImage = L"\\??\\" + image;
    std::wstring line = L"\"" + image + L"\" " + arguments;
    UNICODE_STRING imageName = Counted(image), ntImageName = Counted(ntImage), commandLine = Counted(line);
    RTL_USER_PROCESS_PARAMETERS* parameters = nullptr;
    constexpr ULONG kNormalized = 1;
    NativeProcessInformation created{};
    created.size = sizeof created;
    NTSTATUS status = createParameters(&parameters, &imageName, nullptr, nullptr, &commandLine, nullptr,
                                       nullptr, nullptr, nullptr, nullptr, kNormalized);
    if (status == 0) {
        status = createProcess(&ntImageName, OBJ_CASE_INSENSITIVE, parameters, nullptr, nullptr, nullptr,
                               FALSE, nullptr, nullptr, &created);
        destroyParameters(parameters);
    }
    if (status != 0) {
        ADD_FAILURE() << "cannot start " << Utf8(image) << ", status " << std::hex << status;
        return {};
    }
    ResumeThread(created.thread); // it starts suspended
    auto id = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(created.clientId.UniqueProcess));
    return {created.process, created.thread, id, 0};
}

} // namespace

CrashRun::CrashRun(const fs::path& program, const std::wstring& how, const fs::path& reportFile)
    : reportFile_(reportFile) {
    static unsigned runs = 0;
    eventName_ =
        L"brenlow-crash-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++runs);
    go_ = CreateEventW(nullptr, TRUE, FALSE, eventName_.c_str());
    std::wstring arguments = how + L" \"" + reportFile.wstring() + L"\" " + eventName_;
    process_ = program.wstring().size() < MAX_PATH ? testsupport::StartProcess(program, arguments)
                                                   : StartProcessAtLongPath(program, arguments);
}

CrashRun::~CrashRun() {
    if (process_.hProcess) {
        if (IsRunning()) {
            TerminateProcess(process_.hProcess, 0xDEAD);
            WaitForSingleObject(process_.hProcess, 10000);
        }
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
    CloseHandle(go_);
}

Report CrashRun::WaitForReport() {
    Report report;
    // The child's rename can show the file a moment before it can be opened.
    testsupport::WaitFor(
        [&] {
            report = ReadReport(reportFile_);
            return report.count("ready") || !IsRunning();
        },
        kPatience);
    return report;
}

HWND CrashRun::FailAndWaitForFatalError() {
    SetEvent(go_);
    HWND box = nullptr;
    testsupport::WaitFor(
        [&] {
            box = testsupport::FindFatalErrorBox(process_.dwProcessId);
            return box != nullptr || !IsRunning();
        },
        kPatience);
    return box;
}

bool CrashRun::IsRunning() const {
    return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

DWORD CrashRun::ExitCode() const {
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
}

bool CrashRun::DismissAndWaitForExit(HWND box) {
    HWND button = FindWindowExW(box, nullptr, L"Button", nullptr);
    if (!button)
        return false;
    SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 10000, nullptr);
    return WaitForSingleObject(process_.hProcess, 60000) == WAIT_OBJECT_0;
}

bool CrashRun::HeldHandleIsOpen() const {
    HANDLE held = OpenEventW(SYNCHRONIZE, FALSE, (eventName_ + L"-held").c_str());
    if (held)
        CloseHandle(held);
    return held != nullptr;
}

bool Exists(const fs::path& path) {
    return GetFileAttributesW(Extended(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::wstring> NamesIn(const fs::path& folder, const std::wstring& ending) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(Extended(folder / L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::wstring name = found.cFileName;
        bool matches = name.size() >= ending.size() &&
                       name.compare(name.size() - ending.size(), ending.size(), ending) == 0;
        if (matches && name != L"." && name != L"..")
            names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

void RemoveTree(const fs::path& folder) {
    for (const std::wstring& name : NamesIn(folder)) {
        fs::path entry = folder / name;
        if (GetFileAttributesW(Extended(entry).c_str()) & FILE_ATTRIBUTE_DIRECTORY)
            RemoveTree(entry);
        else
            DeleteFileW(Extended(entry).c_str());
    }
    RemoveDirectoryW(Extended(folder).c_str());
}

} // namespace crashtest
