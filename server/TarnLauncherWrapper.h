#pragma once
#include "server/ServerProcessInfo.h"
#include "server/ServerRecordFile.h"
#include "server/TarnLauncherHelper.h"

#include <windows.h>

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
    // Removes the servers that have ended from RunningServers and returns their names, ascending. A
    // server is the process of its identifier while that runs the server executable and was created
    // when the server was (known from its start, its record, or the first sweep that finds it). The
    // sweep also reads a record file that could not be read before, and writes one that could not be
    // written: servers taken back that way are in RunningServers afterwards, not among the names.
    std::vector<std::wstring> CollectStoppedServers();
    // Terminates the server of `name` with exit code 0, without waiting; the map is left to the sweep.
    // A process that no longer runs the server executable (its identifier reused) is left alone, and so
    // is every server once a crash is being handled.
    void StopServer(const std::wstring& name);
    // Terminates every recorded server likewise.
    void StopAllServers();
    // The creation time of process `processId` (a FILETIME as one number), or 0 when it cannot be read.
    static uint64_t GetProcessCreationTime(uint32_t processId);
    // Whether the process of `record` still runs the dedicated server executable and was created at the
    // recorded time: the server itself, not a later process that was given its identifier.
    static bool IsRecordedServerRunning(const ServerRecord& record);

    // Records kept across runs: server/RecordedServers.cpp. None are kept until AdoptRecordedServers.

    // <program folder>\RunningServers-<session>.txt (ServerRecordFileName); false when the program folder
    // is unknown.
    static bool GetServerRecordPath(std::wstring& path);
    // Takes back into RunningServers the servers recorded in `file` that still run (at most
    // kMostRunningServers, each process once), and from then on keeps `file` a record of RunningServers,
    // rewritten whenever the map changes (but never once a crash is being handled); a write that fails
    // is made again at the next sweep. Whatever else the file held is dropped, and what could not be read
    // is logged once. A file that cannot be opened now is left alone, neither read nor written, until a
    // sweep can read it.
    void AdoptRecordedServers(const std::wstring& file);
    // Removes the record file and keeps none from then on: a clean close, every server stopped.
    void ForgetRecordedServers();

    // Null when the launcher library or its helper is unavailable. Owned by the library.
    TarnLauncherHelper* Helper = nullptr;
    // One entry per started server not yet found ended; ordered by exact (code unit) comparison.
    std::map<std::wstring, ServerProcessInfo> RunningServers;
    // <program folder>//moorwake_dedicated_server_nullrenderer.exe
    std::wstring ServerExecutablePath;

private:
    TarnLauncherWrapper();
    void BindLauncher();
    // Whether `process`, opened by the identifier of a server of the map, was created when that server
    // was; the time is read and kept when it is not known yet.
    bool WasCreatedAsKnown(HANDLE process, uint32_t processId);
    uint64_t KnownCreationTime(uint32_t processId);
    // Terminates the server of `info` with exit code 0, when its process is still that server.
    void TerminateServer(const ServerProcessInfo& info);

    // Reads the record file and takes back what it names, once it can be opened.
    void TakeBackRecords();
    bool IsInMap(uint32_t processId) const;
    // Writes RunningServers to the record file, when one is kept and has been read.
    void SaveRecords();
    // What the sweep does for the records: a file not read yet is read, a failed write made again.
    void CatchUpRecords();
    bool WriteRecords(const std::vector<ServerRecord>& records);

    std::wstring recordFile_;                    // empty while no records are kept
    bool recordUnread_ = false;                  // the file could not be opened yet: left alone until it can
    bool recordUnsaved_ = false;                 // the file does not hold the map as it is
    bool recordFailureLogged_ = false;           // a file that cannot be written is logged once a run
    bool recordUnreadLogged_ = false;            // a file that cannot be opened is logged once a run
    std::map<uint32_t, uint64_t> creationTimes_; // of the servers in the map, by process identifier
};
