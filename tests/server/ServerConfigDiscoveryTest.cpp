// Finding cluster configurations in real folders under a Documents folder of the test's own.
#include "server/LogMessages.h"
#include "server/ServerNames.h"
#include "server/TarnLauncherWrapper.h"

#include "DebugOutputCapture.h"
#include "DocumentsFolder.h"
#include "TestSupport.h"

#include <windows.h>

#include <aclapi.h>

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace testsupport;

namespace {

TEST(LogMessages, ChineseMessagesAreGbkOfTheirTexts) {
    EXPECT_EQ(kLogFolderNotFound, Gbk(L"找不到指定目录,请检查该目录是否存在"));
    EXPECT_EQ(kLogPathNotFolder, Gbk(L"指定路径不是目录"));
}

using Names = std::vector<std::wstring>;

class ServerConfigDiscoveryTest : public ::testing::Test {
protected:
    TempFolder documents;
    ScopedDocumentsFolder documentsSetting{documents.path()};
    fs::path root = documents.path() / L"Vornak" / L"MoorwakeTarn";
    DebugOutputCapture debugOutput;

    void SetUp() override { fs::create_directories(root); }

    fs::path MakeFolder(const fs::path& folder) {
        fs::create_directories(folder);
        return folder;
    }
    fs::path MakeCluster(const std::wstring& name) {
        fs::path cluster = MakeFolder(root / name);
        WriteFileBytes(cluster / kClusterMarkerName, "token");
        return cluster;
    }
    // A link at `link` to `target`, made by the platform or, where Wine only pretends to make one, as a
    // link of the underlying Unix file system, which Wine follows like any link.
    bool MakeLink(const fs::path& link, const fs::path& target, bool toFolder) {
        CreateSymbolicLinkW(link.c_str(), target.c_str(), toFolder ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0);
        if (GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES)
            return true;
        std::string unixLink = UnixName(link), unixTarget = UnixName(target);
        if (unixLink.empty() || unixTarget.empty() ||
            !RunUnixTool(L"ln", "-s " + Quoted(unixTarget) + " " + Quoted(unixLink)))
            return false;
        unixLinks.emplace_back(link, unixLink);
        return WaitFor([&] { return GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES; });
    }
    // Wine deletes a Unix link's target, not the link, so those links are removed from the Unix side.
    void TearDown() override {
        for (const auto& [link, unixLink] : unixLinks) {
            RunUnixTool(L"rm", "-f " + Quoted(unixLink));
            WaitFor([&] { return GetFileAttributesW(link.c_str()) == INVALID_FILE_ATTRIBUTES; });
        }
    }
    static std::string UnixName(const fs::path& path) {
        using ToUnix = char*(CDECL*)(const wchar_t*);
        auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
        char* name = toUnix ? toUnix(path.c_str()) : nullptr;
        std::string unix = name ? name : "";
        HeapFree(GetProcessHeap(), 0, name);
        return unix;
    }
    // Starts a tool of the Unix system; Wine gives no handle to wait on, so callers wait for its effect.
    static bool RunUnixTool(const std::wstring& tool, const std::string& arguments) {
        fs::path program = L"Z:\\bin\\" + tool;
        if (!fs::exists(program))
            return false;
        PROCESS_INFORMATION process = StartProcess(program, std::wstring(arguments.begin(), arguments.end()));
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return true;
    }
    static std::string Quoted(const std::string& text) { return "\"" + text + "\""; }
    std::vector<std::pair<fs::path, std::string>> unixLinks;

    // The messages of the log lines written so far.
    std::vector<std::string> LogMessages() const {
        std::vector<std::string> messages;
        for (const std::string& text : debugOutput.texts()) {
            size_t level = text.find("][4]");
            if (text.rfind("Quillane.[", 0) == 0 && level != std::string::npos)
                messages.push_back(text.substr(level + 4, text.size() - level - 5));
        }
        return messages;
    }
    // The names of `folder`'s entries in the order the file system lists them.
    static Names ListingOrder(const fs::path& folder) {
        Names names;
        WIN32_FIND_DATAW found;
        HANDLE find = FindFirstFileW((folder / L"*").c_str(), &found);
        for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileW(find, &found)) {
            if (wcscmp(found.cFileName, L".") && wcscmp(found.cFileName, L".."))
                names.push_back(found.cFileName);
        }
        FindClose(find);
        return names;
    }
};

TEST_F(ServerConfigDiscoveryTest, OnlyFoldersDirectlyHoldingTheMarkerAreListed) {
    MakeCluster(L"North");
    MakeFolder(root / L"South");
    WriteFileBytes(MakeFolder(root / L"West" / L"deeper") / kClusterMarkerName, "token");
    EXPECT_EQ(TarnLauncherWrapper::GetServerConfigList(), Names{L"North"});
    EXPECT_TRUE(LogMessages().empty());
}

TEST_F(ServerConfigDiscoveryTest, TheMarkerMustBeARegularFileNamedExactly) {
    WriteFileBytes(MakeFolder(root / L"Shouting") / L"CLUSTER_TOKEN.TXT", "token");
    MakeFolder(root / L"FolderMarker" / kClusterMarkerName);
    WriteFileBytes(MakeFolder(root / L"Near") / L"cluster_token.txt.bak", "token");
    fs::path lastOfMany = MakeFolder(root / L"LastOfMany");
    for (int i = 0; i < 20; ++i)
        WriteFileBytes(lastOfMany / (L"file" + std::to_wstring(i)), "");
    WriteFileBytes(lastOfMany / kClusterMarkerName, "token");
    EXPECT_EQ(TarnLauncherWrapper::GetServerConfigList(), Names{L"LastOfMany"});
}

TEST_F(ServerConfigDiscoveryTest, AMarkerThatLinksToAFileCounts) {
    fs::path target = documents / L"token-elsewhere.txt";
    WriteFileBytes(target, "token");
    fs::path linked = MakeFolder(root / L"Linked");
    if (!MakeLink(linked / kClusterMarkerName, target, false))
        GTEST_SKIP() << "links cannot be made here";
    EXPECT_EQ(TarnLauncherWrapper::GetServerConfigList(), Names{L"Linked"});
}

TEST_F(ServerConfigDiscoveryTest, AJunctionToAClusterIsListedUnderItsOwnName) {
    fs::path elsewhere = MakeFolder(documents / L"RealCluster");
    WriteFileBytes(elsewhere / kClusterMarkerName, "token");
    if (!MakeLink(root / L"Alias", elsewhere, true))
        GTEST_SKIP() << "links to folders cannot be made here";
    EXPECT_EQ(TarnLauncherWrapper::GetServerConfigList(), Names{L"Alias"});
}

TEST_F(ServerConfigDiscoveryTest, FilesInTheRootAreIgnoredAndNamesComeInListingOrder) {
    WriteFileBytes(root / kClusterMarkerName, "token");
    WriteFileBytes(root / L"notes.txt", "");
    for (const wchar_t* name : {L"Zeta", L"alpha", L"My Cluster", L"\u4E2D\u6587\u96C6\u7FA4", L"Beta", L"b"})
        MakeCluster(name);
    Names listed = ListingOrder(root);
    std::erase_if(listed, [&](const std::wstring& name) { return !fs::is_directory(root / name); });
    EXPECT_EQ(listed.size(), 6u);
    EXPECT_EQ(TarnLauncherWrapper::GetServerConfigList(), listed);
}

TEST_F(ServerConfigDiscoveryTest, AnEmptyRootGivesNothingAndLogsNothing) {
    EXPECT_TRUE(TarnLauncherWrapper::GetServerConfigList().empty());
    EXPECT_TRUE(LogMessages().empty());
}

TEST_F(ServerConfigDiscoveryTest, AMissingRootIsLoggedOncePerCall) {
    fs::remove_all(root);
    EXPECT_TRUE(TarnLauncherWrapper::GetServerConfigList().empty());
    EXPECT_TRUE(TarnLauncherWrapper::GetServerConfigList().empty());
    EXPECT_EQ(LogMessages(), (std::vector<std::string>{kLogFolderNotFound, kLogFolderNotFound}));
}

TEST_F(ServerConfigDiscoveryTest, ARootThatIsAFileIsLoggedAsNotAFolder) {
    fs::remove_all(root);
    WriteFileBytes(root, "not a folder");
    EXPECT_TRUE(TarnLauncherWrapper::GetServerConfigList().empty());
    EXPECT_EQ(LogMessages(), std::vector<std::string>{kLogPathNotFolder});
}

TEST_F(ServerConfigDiscoveryTest, AMissingDocumentsFolderIsLoggedTwice) {
    ScopedDocumentsFolder missing(documents / L"does-not-exist");
    wchar_t drive[MAX_PATH] = {};
    GetFullPathNameW(kServerConfigRootSuffix, MAX_PATH, drive, nullptr);
    if (fs::exists(drive))
        GTEST_SKIP() << "the drive-relative root " << Utf8(drive) << " exists on this machine";
    EXPECT_EQ(TarnLauncherWrapper::GetDocumentPath(), L"");
    debugOutput.clear();
    EXPECT_TRUE(TarnLauncherWrapper::GetServerConfigList().empty());
    EXPECT_EQ(LogMessages(), (std::vector<std::string>{kLogGetDocumentPathFailed, kLogFolderNotFound}));
}

TEST_F(ServerConfigDiscoveryTest, GetAllSubDirAppendsFullPathsOfFoldersOnly) {
    MakeFolder(root / L"One");
    WriteFileBytes(root / L"file", "");
    std::vector<std::wstring> list{L"kept"};
    EXPECT_TRUE(TarnLauncherWrapper::GetAllSubDir(root.wstring(), list));
    EXPECT_EQ(list, (std::vector<std::wstring>{L"kept", (root / L"One").wstring()}));

    EXPECT_FALSE(TarnLauncherWrapper::GetAllSubDir((root / L"file").wstring(), list));
    EXPECT_FALSE(TarnLauncherWrapper::IsServerConfigDir((root / L"missing").wstring()));
    EXPECT_EQ(list.size(), 2u);
    EXPECT_EQ(LogMessages(), (std::vector<std::string>{kLogPathNotFolder, kLogFolderNotFound}));
}

// A sub-folder that cannot be listed is left out with one line; the others are still examined.
TEST_F(ServerConfigDiscoveryTest, AFolderThatCannotBeListedIsLeftOut) {
    MakeCluster(L"Open");
    fs::path locked = MakeCluster(L"Locked");
    EXPLICIT_ACCESSW deny{};
    BuildExplicitAccessWithNameW(&deny, const_cast<wchar_t*>(L"EVERYONE"),
                                 FILE_LIST_DIRECTORY | FILE_TRAVERSE, DENY_ACCESS, NO_INHERITANCE);
    PACL acl = nullptr;
    if (SetEntriesInAclW(1, &deny, nullptr, &acl) == ERROR_SUCCESS) {
        SetNamedSecurityInfoW(const_cast<wchar_t*>(locked.c_str()), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                              nullptr, nullptr, acl, nullptr);
        LocalFree(acl);
    }
    if (!ListingOrder(locked).empty())
        GTEST_SKIP() << "a denied folder can still be listed here (Wine keeps no file ACLs, and root may "
                        "read everything)";
    EXPECT_EQ(TarnLauncherWrapper::GetServerConfigList(), Names{L"Open"});
    EXPECT_EQ(LogMessages(), std::vector<std::string>{kLogGetAllSubDirException});
}

} // namespace
