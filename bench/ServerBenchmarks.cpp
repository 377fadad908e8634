// Server management: finding configurations among 1,000 folders next to a plain walk that finds the
// same names, and one sweep of the running-server map over 10 live servers.
#include "BenchSupport.h"
#include "Benchmarks.h"

#include "devserver/DevServerProtocol.h"
#include "server/ServerNames.h"
#include "server/TarnLauncherWrapper.h"

#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

constexpr int kFolders = 1000;
constexpr int kListRounds = 15;
constexpr int kServers = 10;
constexpr int kSweepRounds = 101;

// Points the Personal shell folder (the Documents folder) at `folder` while the object lives.
class DocumentsFolderSetting {
public:
    explicit DocumentsFolderSetting(const fs::path& folder) {
        RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr,
                        &key_, nullptr);
        DWORD size = sizeof old_;
        hadValue_ = RegQueryValueExW(key_, L"Personal", nullptr, &oldType_, reinterpret_cast<BYTE*>(old_),
                                     &size) == ERROR_SUCCESS;
        oldSize_ = size;
        std::wstring value = folder.wstring();
        RegSetValueExW(key_, L"Personal", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }
    ~DocumentsFolderSetting() {
        if (hadValue_)
            RegSetValueExW(key_, L"Personal", 0, oldType_, reinterpret_cast<const BYTE*>(old_), oldSize_);
        else
            RegDeleteValueW(key_, L"Personal");
        RegCloseKey(key_);
    }

private:
    static constexpr wchar_t kKey[] =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    HKEY key_ = nullptr;
    bool hadValue_ = false;
    DWORD oldType_ = 0, oldSize_ = 0;
    wchar_t old_[2048] = {};
};

// The same question answered with nothing but FindFirstFileW: sub-folders holding the marker file.
std::vector<std::wstring> PlainWalk(const fs::path& root) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry;
    HANDLE folders = FindFirstFileW((root / L"*").c_str(), &entry);
    for (BOOL more = folders != INVALID_HANDLE_VALUE; more; more = FindNextFileW(folders, &entry)) {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !wcscmp(entry.cFileName, L".") ||
            !wcscmp(entry.cFileName, L".."))
            continue;
        WIN32_FIND_DATAW marker;
        HANDLE found = FindFirstFileW((root / entry.cFileName / kClusterMarkerName).c_str(), &marker);
        if (found == INVALID_HANDLE_VALUE)
            continue;
        FindClose(found);
        if (!(marker.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            !wcscmp(marker.cFileName, kClusterMarkerName))
            names.push_back(entry.cFileName);
    }
    FindClose(folders);
    return names;
}

void BenchmarkConfigList() {
    fs::path documents =
        fs::temp_directory_path() / (L"brenlow-bench-" + std::to_wstring(GetCurrentProcessId()));
    fs::path root = documents / L"Vornak" / L"MoorwakeTarn";
    for (int i = 0; i < kFolders; ++i) {
        fs::path folder = root / (L"Cluster_" + std::to_wstring(i));
        fs::create_directories(folder);
        if (i % 2 == 0)
            std::ofstream(folder / kClusterMarkerName) << "token";
        else
            std::ofstream(folder / L"other.txt") << "not a marker";
    }

    std::vector<std::wstring> listed, walked;
    double listSeconds, walkSeconds;
    {
        DocumentsFolderSetting setting(documents);
        listSeconds =
            MedianSeconds(kListRounds, [&] { listed = TarnLauncherWrapper::GetServerConfigList(); });
        walkSeconds = MedianSeconds(kListRounds, [&] { walked = PlainWalk(root); });
    }
    std::error_code ignored;
    fs::remove_all(documents, ignored);

    std::printf("server: GetServerConfigList over %d folders, %d with the marker, median of %d rounds\n",
                kFolders, kFolders / 2, kListRounds);
    std::printf("server:   GetServerConfigList %.2f ms, %zu names\n", listSeconds * 1e3, listed.size());
    std::printf("server:   FindFirstFileW walk %.2f ms, %zu names, %s\n", walkSeconds * 1e3, walked.size(),
                listed == walked ? "the same names in the same order" : "DIFFERENT names");
    std::printf("server:   ratio %.2f\n", walkSeconds > 0 ? listSeconds / walkSeconds : 0.0);
}

void BenchmarkSweep() {
    TarnLauncherWrapper& wrapper = TarnLauncherWrapper::GetInstance();
    if (!wrapper.Helper) {
        std::printf("server: sweep not measured: tarn_launcher.dll is not beside the benchmark\n");
        return;
    }
    wrapper.RunningServers.clear();
    fs::path folder = wrapper.ServerExecutablePath.substr(0, wrapper.ServerExecutablePath.find(L"//"));
    std::vector<HANDLE> servers;
    for (int i = 0; i < kServers; ++i) {
        std::wstring error;
        std::wstring name = L"Bench_" + std::to_wstring(i);
        if (!wrapper.StartServer(name, &error))
            continue;
        uint32_t processId = wrapper.RunningServers[name].ProcessId;
        servers.push_back(OpenProcess(SYNCHRONIZE, FALSE, processId));
        // Measured once every server has come up and written its record.
        fs::path record = folder / DevServerRecordName(processId);
        for (int wait = 0; wait < 2000 && !fs::exists(record); ++wait)
            Sleep(10);
        std::error_code ignored;
        fs::remove(record, ignored);
    }

    size_t swept = 0;
    double seconds = MedianSeconds(kSweepRounds, [&] { swept += wrapper.CollectStoppedServers().size(); });
    size_t live = wrapper.RunningServers.size();

    wrapper.StopAllServers();
    for (HANDLE server : servers) {
        WaitForSingleObject(server, 20000);
        CloseHandle(server);
    }
    wrapper.RunningServers.clear();

    std::printf("server: CollectStoppedServers over %zu live servers, median of %d sweeps\n", live,
                kSweepRounds);
    std::printf("server:   %.3f ms per sweep (%zu servers swept by mistake)\n", seconds * 1e3, swept);
}

} // namespace

void RunServerBenchmarks() {
    BenchmarkConfigList();
    BenchmarkSweep();
}
