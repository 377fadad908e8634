#pragma once
// How tests and the demo talk to the stand-in dedicated server.
#include "base/TextEncoding.h"

#include <cstdint>
#include <sstream>
#include <string>

// Written beside the server's executable once it runs: UTF-8, the raw command line on the first line,
// then every argument as the platform's parser splits it (program name included), one per line. It is
// written under the name + ".partial" first and then renamed, so that a reader never sees half of it.
inline std::wstring DevServerRecordName(uint32_t processId) {
    return L"devserver-" + std::to_wstring(processId) + L".txt";
}

// The last argument of the command line in a server's record (the record's bytes): the cluster's name
// for a server that Brenlow started.
inline std::wstring DevServerRecordLastArgument(const std::string& record) {
    std::istringstream lines(record);
    std::string line, last;
    std::getline(lines, line); // the raw command line
    while (std::getline(lines, line))
        last = line;
    return FromUtf8(last);
}

// A manual-reset event the server creates; setting it makes the server exit by itself.
inline std::wstring DevServerExitEventName(uint32_t processId) {
    return L"moorwake_devserver_exit_" + std::to_wstring(processId);
}

// A manual-reset event the server creates; setting it makes the server crash: it ends with an access
// violation's code (0xC0000005), as a server that crashed without a debugger ends.
inline std::wstring DevServerCrashEventName(uint32_t processId) {
    return L"moorwake_devserver_crash_" + std::to_wstring(processId);
}

// In the server's cluster folder (<Documents>\Vornak\MoorwakeTarn\<cluster>): a decimal number of
// milliseconds after which the server exits by itself.
inline constexpr wchar_t kDevServerExitAfterFile[] = L"devserver_exit_after_ms.txt";

// The exit code of a server that ends by itself, unlike the 0 that a termination by Brenlow leaves.
inline constexpr uint32_t kDevServerOwnExitCode = 3;

// The 64-bit build of the server in the build output folder, under a name of its own beside the 32-bit
// one; whoever runs it copies it under the server's name.
inline constexpr wchar_t kDevServerX64ProgramName[] = L"moorwake_dedicated_server_nullrenderer_x64.exe";
