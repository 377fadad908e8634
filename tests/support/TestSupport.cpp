#include "TestSupport.h"

#include "base/ModulePath.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

namespace testsupport {

TempFolder::TempFolder() {
    static unsigned counter = 0;
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    do {
        path_ = fs::path(base) / (L"brenlow-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                  std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(++counter));
    } while (fs::exists(path_));
    fs::create_directories(path_);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    for (int attempt = 0; attempt < 50 && fs::exists(path_, ignored); ++attempt) {
        fs::remove_all(path_, ignored);
        if (ignored)
            Sleep(100); // a child that was just terminated may still hold its image file
    }
}

fs::path ExecutableFolder() {
    std::wstring folder;
    GetModuleDirectory(folder, nullptr, kLongestPath);
    return folder;
}

fs::path CopyProgram(const std::wstring& name, const fs::path& folder, const std::wstring& newName) {
    fs::path target = folder / (newName.empty() ? name : newName);
    fs::copy_file(ExecutableFolder() / name, target, fs::copy_options::overwrite_existing);
    return target;
}

namespace {

std::wstring CommandLine(const fs::path& program, const std::wstring& arguments) {
    std::wstring line = L"\"" + program.wstring() + L"\"";
    if (!arguments.empty())
        line += L" " + arguments;
    return line;
}

std::string ReadDebugString(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info) {
    std::string text(info.nDebugStringLength, '\0');
    SIZE_T read = 0;
    ReadProcessMemory(process, info.lpDebugStringData, text.data(), text.size(), &read);
    text.resize(read);
    while (!text.empty() && text.back() == '\0')
        text.pop_back();
    return text;
}

// One event of the loop: closes the handles it carries, reads a debugger-output text into `text`, and
// answers with the ContinueDebugEvent status.
DWORD HandleDebugEvent(HANDLE process, const DEBUG_EVENT& event, std::string& text) {
    switch (event.dwDebugEventCode) {
    case OUTPUT_DEBUG_STRING_EVENT:
        text = ReadDebugString(process, event.u.DebugString);
        break;
    case EXCEPTION_DEBUG_EVENT:
        // The program's own exceptions (C++ throws caught inside it) are left to the program.
        if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT)
            return DBG_EXCEPTION_NOT_HANDLED;
        break;
    case CREATE_PROCESS_DEBUG_EVENT:
        CloseHandle(event.u.CreateProcessInfo.hFile);
        break;
    case LOAD_DLL_DEBUG_EVENT:
        CloseHandle(event.u.LoadDll.hFile);
        break;
    default:
        break;
    }
    return DBG_CONTINUE;
}

} // namespace

std::optional<DWORD> FollowDebuggee(HANDLE process, const std::function<void(std::string&&)>& onText,
                                    const std::function<bool()>& giveUp) {
    for (;;) {
        DEBUG_EVENT event{};
        if (!WaitForDebugEvent(&event, 100)) {
            if (!giveUp())
                continue;
            if (!WaitForDebugEvent(&event, 1000))
                return std::nullopt;
        }
        std::string text;
        DWORD status = HandleDebugEvent(process, event, text);
        if (event.dwDebugEventCode == OUTPUT_DEBUG_STRING_EVENT)
            onText(std::move(text));
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
        if (event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT)
            return event.u.ExitProcess.dwExitCode;
    }
}

DebuggedRun RunUnderDebugger(const fs::path& program, const std::wstring& arguments,
                             std::chrono::milliseconds timeout) {
    DebuggedRun run;
    std::wstring line = CommandLine(program, arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, DEBUG_ONLY_THIS_PROCESS,
                        nullptr, program.parent_path().c_str(), &startup, &process)) {
        ADD_FAILURE() << "cannot start " << Utf8(program.wstring()) << ", error " << GetLastError();
        run.exitCode = 0xDEAD;
        return run;
    }
    auto deadline = std::chrono::steady_clock::now() + timeout;
    std::optional<DWORD> exitCode = FollowDebuggee(
        process.hProcess, [&](std::string&& text) { run.debugStrings.push_back(std::move(text)); },
        [&] { return std::chrono::steady_clock::now() > deadline; });
    if (exitCode) {
        run.exitCode = *exitCode;
    } else {
        ADD_FAILURE() << Utf8(program.wstring()) << " did not end in time";
        TerminateProcess(process.hProcess, 0xDEAD);
        run.exitCode = 0xDEAD;
        DebugActiveProcessStop(process.dwProcessId);
    }
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return run;
}

PROCESS_INFORMATION StartProcess(const fs::path& program, const std::wstring& arguments) {
    std::wstring line = CommandLine(program, arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        program.parent_path().c_str(), &startup, &process))
        ADD_FAILURE() << "cannot start " << Utf8(program.wstring()) << ", error " << GetLastError();
    return process;
}

DWORD RunProcess(const fs::path& program, const std::wstring& arguments, std::chrono::milliseconds timeout) {
    PROCESS_INFORMATION process = StartProcess(program, arguments);
    if (!process.hProcess)
        return 0xDEAD;
    DWORD exitCode = 0xDEAD;
    if (WaitForSingleObject(process.hProcess, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &exitCode);
    else {
        ADD_FAILURE() << Utf8(program.wstring()) << " did not end in time";
        TerminateProcess(process.hProcess, 0xDEAD);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return exitCode;
}

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() > deadline)
            return condition();
        Sleep(10);
    }
}

std::string ReadFileBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteFileBytes(const fs::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool Is64BitWindows() {
    BOOL emulated = FALSE;
    return k64BitBuild || (IsWow64Process(GetCurrentProcess(), &emulated) && emulated);
}

bool Is64BitProcess(HANDLE process) {
    BOOL emulated = TRUE;
    // On 64-bit Windows every program that is not emulated as 32-bit is a 64-bit one.
    return Is64BitWindows() && IsWow64Process(process, &emulated) && !emulated;
}

std::string Gbk(const std::wstring& text) {
    return EncodeText(text, 936);
}

std::vector<std::string> CrLfLines(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(bytes.substr(start, end - start));
    if (start < bytes.size())
        lines.push_back(bytes.substr(start) + "<no line end>");
    return lines;
}

} // namespace testsupport
