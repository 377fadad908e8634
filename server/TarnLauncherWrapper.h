#pragma once
#include "server/ServerProcessInfo.h"
#include "server/TarnLauncherHelper.h"

#include <map>
#include <string>
#include <vector>

// The process's one server manager: binds the launcher library, finds the cluster configurations on
// disk, starts servers and keeps the map of those running, and supervises and terminates them. Each
// section below names the file that defines it.
// Used from the user-interface thread only; nothing is locked.
class TarnLauncherWrapper {
public:
    // Built on the first call; a construction that throws is tried again on the next call.
    static TarnLauncherWrapper& GetInstance();

    virtual ~TarnLauncherWrapper();
    TarnLauncherWrapper(const TarnLauncherWrapper&) = delete;
    TarnLauncherWrapper& operator=(const TarnLauncherWrapper&) = delete;

    // Binding and starting servers: server/TarnLauncherWrapper.cpp.

    // Starts the server of cluster `name`. On a failed launch `*error` receives the message for the
    // user; with no helper (or no `error`) returns false and leaves `*error` untouched.
    bool StartServer(const std::wstring& name, std::wstring* error);
    // Whether `name` (compared exactly, case-sensitive) is a key of RunningServers.
    bool IsServerStarted(const std::wstring& name) const;

    // Cluster configurations: server/ServerConfigDiscovery.cpp. Failures are logged and end in a shorter
    // or empty result.

    // The user's Documents folder, or empty.
    static std::wstring GetDocumentPath();
    // Appends the full path of every sub-folder of `folder` (links followed) to `list`, in listing
    // order. True when the whole folder was listed.
    static bool GetAllSubDir(const std::wstring& folder, std::vector<std::wstring>& list);
    // Whether `folder` directly holds a regular file named exactly cluster_token.txt.
    static bool IsServerConfigDir(const std::wstring& folder);
    // Names of the cluster folders under <Documents>\Vornak\MoorwakeTarn, in listing order.
    static std::vector<std::wstring> GetServerConfigList();

    // Supervision: server/ProcessSupervision.cpp. No process handle is kept between calls.

    // Full image path of process `processId`, or empty when it has ended or cannot be read.
    static std::wstring GetProcessImagePath(uint32_t processId);
    // Whether the recorded process still runs the dedicated server executable (file name, any case).
    static bool IsProcessRunning(const ServerProcessInfo& info);
    // Removes the servers that have ended from RunningServers and returns their names, ascending.
    std::vector<std::wstring> CollectStoppedServers();
    // Terminates the server of `name` with exit code 0, without waiting; the map is left to the sweep.
    // A process that no longer runs the server executable (its identifier reused) is left alone.
    void StopServer(const std::wstring& name);
    // Terminates every recorded server likewise.
    void StopAllServers();

    // Null when the launcher library or its helper is unavailable. Owned by the library.
    TarnLauncherHelper* Helper = nullptr;
    // One entry per started server not yet found ended; ordered by exact (code unit) comparison.
    std::map<std::wstring, ServerProcessInfo> RunningServers;
    // <program folder>//moorwake_dedicated_server_nullrenderer.exe
    std::wstring ServerExecutablePath;

private:
    TarnLauncherWrapper();
    void BindLauncher();
};
