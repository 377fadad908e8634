#pragma once
// The least a program can do to tell whether a server still runs: open the process, read its image
// name, close the handle. The floor of the sweep, in the bench and in the floor dialog alike.
#include "server/ServerNames.h"

#include <windows.h>

#include <shlwapi.h>

namespace bench {

inline bool IsServerRunning(DWORD processId) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (!process)
        return false;
    wchar_t path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    bool running = QueryFullProcessImageNameW(process, 0, path, &size) &&
                   !_wcsicmp(PathFindFileNameW(path), kServerExecutableName);
    CloseHandle(process);
    return running;
}

} // namespace bench
