// Discovery: GetServerConfigList over 1,000 entries in the cluster root, 500 of them configurations, with
// links among them (links to folders in the root, markers that link to a file). Floor: the same walk with
// FindFirstFileExW and FindNextFileW alone, taking each entry's type from the attributes the listing
// returns: list the root, then each sub-folder until a regular file named exactly like the marker.
#include "BenchSupport.h"
#include "DocumentsFolder.h"
#include "Benchmarks.h"

#include "server/ServerNames.h"
#include "server/TarnLauncherWrapper.h"

#include <cstdio>
#include <fstream>
#include <functional>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr int kFolders = 950;    // real folders in the root, every second one a configuration
constexpr int kFolderLinks = 50; // links in the root to folders elsewhere, every second one a configuration
constexpr int kMarkerLinkEvery = 38; // among the configurations, every 19th marker links to a file
constexpr int kRounds = 15;

using Links = std::vector<std::pair<fs::path, fs::path>>; // link, target

// Every entry of `folder` but "." and "..", in the order the listing returns them.
template <typename Visit> void ForEachEntry(const fs::path& folder, Visit visit) {
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileExW((folder / L"*").c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch,
                                   nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        if (wcscmp(entry.cFileName, L".") && wcscmp(entry.cFileName, L"..") && !visit(entry))
            break;
    } while (FindNextFileW(find, &entry));
    FindClose(find);
}

std::vector<std::wstring> FloorWalk(const fs::path& root) {
    std::vector<std::wstring> names;
    ForEachEntry(root, [&](const WIN32_FIND_DATAW& folder) {
        if (!(folder.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            return true;
        ForEachEntry(root / folder.cFileName, [&](const WIN32_FIND_DATAW& file) {
            bool marker = !(file.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                          !wcscmp(file.cFileName, kClusterMarkerName);
            if (marker)
                names.push_back(folder.cFileName);
            return !marker;
        });
        return true;
    });
    return names;
}

void WriteFile(const fs::path& file) {
    std::ofstream(file) << "x";
}

// The Unix path of a Windows path under Wine; empty elsewhere.
std::string UnixName(const fs::path& path) {
    using ToUnix = char*(CDECL*)(const wchar_t*);
    static auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* name = toUnix ? toUnix(path.c_str()) : nullptr;
    std::string unix = name ? name : "";
    HeapFree(GetProcessHeap(), 0, name);
    return unix;
}

// Runs `lines` with the Unix shell, which Wine starts like any program, and waits until `done` holds:
// Wine gives no handle to wait on for a Unix program. False where there is no Unix side.
bool RunUnixScript(const std::string& lines, const fs::path& script, const std::function<bool()>& done) {
    std::ofstream(script, std::ios::binary) << lines;
    const std::string unixScript = UnixName(script);
    std::wstring command = L"Z:\\bin\\sh \"" + std::wstring(unixScript.begin(), unixScript.end()) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION shell{};
    if (unixScript.empty() || !CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                              nullptr, &startup, &shell))
        return false;
    CloseHandle(shell.hThread);
    CloseHandle(shell.hProcess);
    return bench::WaitFor(bench::kPatienceMs, done);
}

// Links made by the platform or, where Wine only pretends to make them, as links of the Unix file
// system (which Wine follows like any link). Returns whether every link exists.
bool MakeLinks(const Links& links, const fs::path& scratch) {
    std::string unixLinks;
    for (const auto& [link, target] : links) {
        DWORD kind = fs::is_directory(target) ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0;
        if (!CreateSymbolicLinkW(link.c_str(), target.c_str(), kind) ||
            GetFileAttributesW(link.c_str()) == INVALID_FILE_ATTRIBUTES)
            unixLinks += "ln -s '" + UnixName(target) + "' '" + UnixName(link) + "'\n";
    }
    auto allThere = [&] {
        return std::all_of(links.begin(), links.end(), [](const auto& link) {
            return GetFileAttributesW(link.first.c_str()) != INVALID_FILE_ATTRIBUTES;
        });
    };
    return unixLinks.empty() ? allThere() : RunUnixScript(unixLinks, scratch / L"links.sh", allThere);
}

// Removes the scratch folder from the Unix side where its links are Unix links: Wine, asked to delete
// such a link, deletes its target instead.
void RemoveFromUnixSide(const fs::path& scratch) {
    const fs::path script = fs::path(scratch).concat(L".sh"); // beside the folder it removes
    RunUnixScript("rm -rf '" + UnixName(scratch) + "'\n", script, [&] { return !fs::exists(scratch); });
    std::error_code ignored;
    fs::remove(script, ignored);
}

} // namespace

void RunDiscoveryBenchmark() {
    bench::ScratchFolder documents(L"discovery");
    const fs::path root = bench::ClusterRoot(documents.path());
    const fs::path elsewhere = documents.path() / L"Elsewhere";
    const fs::path token = documents.path() / L"token.txt";
    WriteFile(token);
    Links links;
    for (int i = 0; i < kFolders; ++i) {
        fs::path folder = root / (L"Cluster_" + std::to_wstring(i));
        fs::create_directories(folder);
        WriteFile(folder / L"cluster.ini");
        WriteFile(folder / L"adminlist.txt");
        if (i % kMarkerLinkEvery == 0)
            links.emplace_back(folder / kClusterMarkerName, token);
        else if (i % 2 == 0)
            WriteFile(folder / kClusterMarkerName);
    }
    for (int i = 0; i < kFolderLinks; ++i) {
        fs::path target = elsewhere / (L"Linked_" + std::to_wstring(i));
        fs::create_directories(target);
        WriteFile(target / L"cluster.ini");
        if (i % 2 == 0)
            WriteFile(target / kClusterMarkerName);
        links.emplace_back(root / (L"Linked_" + std::to_wstring(i)), target);
    }
    if (!MakeLinks(links, documents.path()))
        bench::PrintNote("discovery: not every link could be made; measured without them");

    testsupport::ScopedDocumentsFolder redirect(documents.path());
    std::vector<std::wstring> listed, walked;
    bench::Medians seconds = bench::MedianSecondsInTurns(
        kRounds, [&] { listed = TarnLauncherWrapper::GetServerConfigList(); },
        [&] { walked = FloorWalk(root); });
    bench::PrintMeasure("discovery", seconds.brenlow * 1e3, seconds.floor * 1e3, "ms", 1);
    if (listed != walked || listed.size() != (kFolders + kFolderLinks) / 2)
        bench::PrintNote("discovery: the names differ: brenlow found %zu, the floor %zu", listed.size(),
                         walked.size());
    RemoveFromUnixSide(documents.path());
}
