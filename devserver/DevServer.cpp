// Stand-in for the game's dedicated server: records how it was started, then runs until it is
// terminated or told to exit (by its exit event, or after the delay its cluster folder asks for).
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

} // namespace

int wmain() {
    const wchar_t* commandLine = GetCommandLineW();
    std::vector<std::wstring> arguments = ParsedArguments(commandLine);
    std::wstring cluster = ClusterName(arguments);

    // The event exists before the record, so that whoever has read the record can signal it.
    HANDLE exitEvent =
        CreateEventW(nullptr, TRUE, FALSE, DevServerExitEventName(GetCurrentProcessId()).c_str());
    WriteRecord(commandLine, arguments);
    std::printf("dedicated server stand-in for cluster \"%s\", process %lu\n", Utf8(cluster).c_str(),
                GetCurrentProcessId());
    std::fflush(stdout);

    WaitForSingleObject(exitEvent, ExitDelay(cluster));
    CloseHandle(exitEvent);
    return static_cast<int>(kDevServerOwnExitCode);
}
