#pragma once
// The least a program can do to tell whether a server it knows still runs: open the process, read its
// image name and its creation time, close the handle. The creation time tells the server from a later
// process that was given its identifier: `createdAt` is the server's, taken at the first check (0 until
// then). The floor of the sweep, in the bench and in the floor dialog alike.
#include "server/ServerNames.h"

#include <windows.h>

#include <shlwapi.h>

namespace bench {

inline bool IsServerRunning(DWORD processId, ULONGLONG& createdAt) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (!process)
        return false;
    wchar_t path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    FILETIME created{}, exited, kernel, user;
    bool running = QueryFullProcessImageNameW(process, 0, path, &size) &&
                   !_wcsicmp(PathFindFileNameW(path), kServerExecutableName) &&
                   GetProcessTimes(process, &created, &exited, &kernel, &user);
    CloseHandle(process);
    const ULONGLONG time = static_cast<ULONGLONG>(created.dwHighDateTime) << 32 | created.dwLowDateTime;
    if (running && !createdAt)
        createdAt = time;
    return running && time == createdAt;
}

} // namespace bench
