// Starting servers through the real launcher library and the stand-in server, and through a helper
// built in C that records exactly what reaches its LaunchProcess slot.
#include "server/ServerNames.h"
#include "server/TarnLauncherWrapper.h"

#include "ServerTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace testsupport;
using namespace servertest;

namespace {

// 启动专有服务器失败,请重试
const std::wstring kLaunchFailed =
    L"\u542F\u52A8\u4E13\u6709\u670D\u52A1\u5668\u5931\u8D25,\u8BF7\u91CD\u8BD5";

class ServerLaunchTest : public RunningServersTest {
protected:
    std::wstring ServerPath() const { return (ExecutableFolder() / kServerExecutableName).wstring(); }
};

TEST_F(ServerLaunchTest, TheServerReceivesTheFixedTextFollowedByTheName) {
    uint32_t processId = Start(L"Cluster_1");
    DevServerRecord record;
    ASSERT_TRUE(TakeDevServerRecord(ExecutableFolder(), processId, record));
    EXPECT_EQ(record.commandLine, L"\"" + ServerPath() + L"\" -console -shard Master -cluster Cluster_1");
    EXPECT_EQ(record.arguments, (std::vector<std::wstring>{ServerPath(), L"-console", L"-shard", L"Master",
                                                           L"-cluster", L"Cluster_1"}));
    EXPECT_EQ(TarnLauncherWrapper::GetProcessImagePath(processId), ServerPath())
        << "from the program's folder";

    // An empty name is not refused: the fixed text alone, ending with its blank, and an empty key.
    processId = Start(L"");
    ASSERT_TRUE(TakeDevServerRecord(ExecutableFolder(), processId, record));
    EXPECT_EQ(record.commandLine, L"\"" + ServerPath() + L"\" -console -shard Master -cluster ");
    EXPECT_EQ(record.arguments.size(), 5u);
    EXPECT_TRUE(wrapper.IsServerStarted(L""));
}

TEST_F(ServerLaunchTest, ANameWithBlanksReachesTheServerAsOneArgument) {
    for (std::wstring name : {L"My Cluster", L"\u4E2D\u6587 \u96C6\u7FA4"}) {
        DevServerRecord record;
        ASSERT_TRUE(TakeDevServerRecord(ExecutableFolder(), Start(name), record));
        ASSERT_EQ(record.arguments.size(), 6u) << Utf8(record.commandLine);
        EXPECT_EQ(record.arguments[5], name);
        EXPECT_TRUE(wrapper.IsServerStarted(name));
    }
}

TEST_F(ServerLaunchTest, ASecondLaunchOfTheSameNameReplacesItsRecord) {
    uint32_t first = Start(L"Cluster_1");
    uint32_t second = Start(L"Cluster_1");
    ASSERT_NE(first, 0u);
    ASSERT_NE(second, 0u);
    EXPECT_NE(first, second);
    EXPECT_EQ(wrapper.RunningServers.size(), 1u);
    EXPECT_EQ(RecordedProcessId(L"Cluster_1"), second);
    EXPECT_TRUE(processes.IsRunning(first)) << "the first server is forgotten, not stopped";
}

TEST_F(ServerLaunchTest, IsServerStartedComparesNamesExactly) {
    ASSERT_NE(Start(L"Cluster_1"), 0u);
    EXPECT_TRUE(wrapper.IsServerStarted(L"Cluster_1"));
    for (const wchar_t* other : {L"cluster_1", L"CLUSTER_1", L"Cluster_", L"Cluster_1 ", L""})
        EXPECT_FALSE(wrapper.IsServerStarted(other)) << Utf8(other);
}

// The C-built helper from foreign_helper.dll, put in the singleton's place for one test.
struct ForeignHelperCalls {
    unsigned slotCalls[6];
    unsigned wrongSelf;
    wchar_t commandLine[2048];
    ServerProcessInfo* lastInfo;
};

class ForeignHelperTest : public ::testing::Test {
protected:
    void SetUp() override {
        library = LoadLibraryW((ExecutableFolder() / L"foreign_helper.dll").c_str());
        ASSERT_NE(library, nullptr);
        auto factory = reinterpret_cast<GetTarnLauncherHelperFunction>(
            reinterpret_cast<void*>(GetProcAddress(library, "GetTarnLauncherHelper")));
        reset = reinterpret_cast<ForeignHelperCalls*(__cdecl*)(int)>(
            reinterpret_cast<void*>(GetProcAddress(library, "ForeignHelperReset")));
        ASSERT_TRUE(factory && reset);
        helper = factory();
        calls = reset(0);
        savedHelper = wrapper.Helper;
        wrapper.Helper = helper;
        wrapper.RunningServers.clear();
    }
    void TearDown() override {
        wrapper.Helper = savedHelper;
        wrapper.RunningServers.clear();
        FreeLibrary(library);
    }

    TarnLauncherWrapper& wrapper = TarnLauncherWrapper::GetInstance();
    HMODULE library = nullptr;
    ForeignHelperCalls* (*reset)(int) = nullptr;
    ForeignHelperCalls* calls = nullptr;
    TarnLauncherHelper* helper = nullptr;
    TarnLauncherHelper* savedHelper = nullptr;
};

TEST_F(ForeignHelperTest, EachOperationReachesItsSlotWithThisInEcx) {
    ServerProcessInfo info{};
    EXPECT_TRUE(helper->LaunchProcess(L"-x", &info));
    helper->Shutdown();
    helper->Shutdown();
    helper->RunCallbacks();
    EXPECT_EQ(calls->wrongSelf, 0u);
    EXPECT_EQ(std::vector<unsigned>(calls->slotCalls, calls->slotCalls + 6),
              (std::vector<unsigned>{0, 0, 0, 1, 2, 1}));
    EXPECT_STREQ(calls->commandLine, L"-x");
    EXPECT_EQ(calls->lastInfo, &info);
    EXPECT_EQ(info.ProcessId, 4242u);
    EXPECT_EQ(info.Reserved, 77u);
}

TEST_F(ForeignHelperTest, StartServerPassesTheCommandLineAndKeepsTheWholeRecord) {
    std::wstring error = L"untouched";
    ASSERT_TRUE(wrapper.StartServer(L"Cluster_1", &error));
    EXPECT_STREQ(calls->commandLine, L"-console -shard Master -cluster Cluster_1");
    EXPECT_EQ(error, L"untouched");
    ASSERT_TRUE(wrapper.IsServerStarted(L"Cluster_1"));
    EXPECT_EQ(wrapper.RunningServers[L"Cluster_1"].ProcessId, 4242u);
    EXPECT_EQ(wrapper.RunningServers[L"Cluster_1"].Reserved, 77u) << "the second field is kept";

    ASSERT_TRUE(wrapper.StartServer(L"My Cluster", &error));
    EXPECT_STREQ(calls->commandLine, L"-console -shard Master -cluster \"My Cluster\"");
    ASSERT_TRUE(wrapper.StartServer(L"Tab\tName", &error));
    EXPECT_STREQ(calls->commandLine, L"-console -shard Master -cluster \"Tab\tName\"");
    ASSERT_TRUE(wrapper.StartServer(L"", &error));
    EXPECT_STREQ(calls->commandLine, L"-console -shard Master -cluster ");
}

TEST_F(ForeignHelperTest, AnOverlongCommandLineIsCutAt2047Characters) {
    std::wstring error;
    std::wstring name(3000, L'n');
    ASSERT_TRUE(wrapper.StartServer(name, &error));
    std::wstring received = calls->commandLine;
    EXPECT_EQ(received.size(), 2047u);
    EXPECT_EQ(received, (L"-console -shard Master -cluster " + name).substr(0, 2047));
    EXPECT_TRUE(wrapper.IsServerStarted(name)) << "the map keeps the whole name";
}

TEST_F(ForeignHelperTest, AFailedLaunchReportsAndRecordsNothing) {
    EXPECT_FALSE(wrapper.StartServer(L"Cluster_1", nullptr));
    EXPECT_EQ(calls->slotCalls[3], 0u) << "no error string, no launch";

    calls = reset(1);
    std::wstring error;
    EXPECT_FALSE(wrapper.StartServer(L"Cluster_1", &error));
    EXPECT_EQ(error, kLaunchFailed);
    EXPECT_TRUE(wrapper.RunningServers.empty());

    wrapper.Helper = nullptr;
    error = L"untouched";
    EXPECT_FALSE(wrapper.StartServer(L"Cluster_1", &error));
    EXPECT_EQ(error, L"untouched");
    EXPECT_EQ(calls->slotCalls[3], 1u);
}

} // namespace
