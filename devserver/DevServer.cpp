// Stand-in for the game's dedicated server: records how it was started, then runs until it is
// terminated, told to exit (by its exit event, or after the delay its cluster folder asks for) or told
// to crash (by its crash event).
#include "base/ModulePath.h"
#include "base/TextEncoding.h"
#include "devserver/DevServerProtocol.h"
#include "server/ServerNames.h"

#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::wstring> ParsedArguments(const wchar_t* commandLine) {
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(commandLine, &count);
    std::vector<std::wstring> arguments(argv, argv + (argv ? count : 0));
    LocalFree(argv);
    return arguments;
}

void WriteRecord(const std::wstring& commandLine, const std::vector<std::wstring>& arguments) {
    std::string text = Utf8(commandLine) + "\n";
    for (const std::wstring& argument : arguments)
        text += Utf8(argument) + "\n";
    std::wstring folder;
    GetModuleDirectory(folder, nullptr, kLongestPath);
    std::wstring record = folder + L"\\" + DevServerRecordName(GetCurrentProcessId());
    std::wstring partial = record + L".partial";
    {
        std::ofstream out(partial.c_str(), std::ios::binary | std::ios::trunc);
        out << text;
    }
    MoveFileExW(partial.c_str(), record.c_str(), MOVEFILE_REPLACE_EXISTING);
}

std::wstring ClusterName(const std::vector<std::wstring>& arguments) {
    for (size_t i = 1; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == L"-cluster")
            return arguments[i + 1];
    }
    return std::wstring();
}

// The delay asked for in the cluster folder, or INFINITE.
DWORD ExitDelay(const std::wstring& cluster) {
    wchar_t documents[MAX_PATH] = {};
    if (cluster.empty() || FAILED(SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, 0, documents)))
        return INFINITE;
    std::wstring file =
        std::wstring(documents) + kServerConfigRootSuffix + L"\\" + cluster + L"\\" + kDevServerExitAfterFile;
    std::ifstream in(file.c_str());
    unsigned long milliseconds = 0;
    if (!(in >> milliseconds) || milliseconds >= INFINITE)
        return INFINITE;
    return static_cast<DWORD>(milliseconds);
}

// No debugger and no error report, as for a crash where none is set up: the process ends with the
// exception's code.
LONG WINAPI EndWithTheExceptionsCode(EXCEPTION_POINTERS* exception) {
    TerminateProcess(GetCurrentProcess(), exception->ExceptionRecord->ExceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

int* volatile nowhere = nullptr; // not known to the compiler as null

[[noreturn]] void Crash() {
    SetUnhandledExceptionFilter(EndWithTheExceptionsCode);
    *nowhere = 0;
    ExitProcess(1); // not reached
}

} // namespace

int wmain() {
    const wchar_t* commandLine = GetCommandLineW();
    std::vector<std::wstring> arguments = ParsedArguments(commandLine);
    std::wstring cluster = ClusterName(arguments);

    // The events exist before the record, so that whoever has read the record can signal them.
    HANDLE exitEvent =
        CreateEventW(nullptr, TRUE, FALSE, DevServerExitEventName(GetCurrentProcessId()).c_str());
    HANDLE crashEvent =
        CreateEventW(nullptr, TRUE, FALSE, DevServerCrashEventName(GetCurrentProcessId()).c_str());
    WriteRecord(commandLine, arguments);
    std::printf("dedicated server stand-in for cluster \"%s\", process %lu\n", Utf8(cluster).c_str(),
                GetCurrentProcessId());
    std::fflush(stdout);

    HANDLE events[] = {exitEvent, crashEvent};
    if (WaitForMultipleObjects(2, events, FALSE, ExitDelay(cluster)) == WAIT_OBJECT_0 + 1)
        Crash();
    CloseHandle(exitEvent);
    CloseHandle(crashEvent);
    return static_cast<int>(kDevServerOwnExitCode);
}
