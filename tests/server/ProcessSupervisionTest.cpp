// Telling running servers from ended ones, sweeping the map and terminating servers, with real
// processes: the stand-in server started through the launcher, and copies of it under other names.
#include "devserver/DevServerProtocol.h"
#include "server/ServerNames.h"
#include "server/TarnLauncherWrapper.h"

#include "DocumentsFolder.h"
#include "ServerTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace testsupport;
using namespace servertest;

namespace {

using Names = std::vector<std::wstring>;

class ProcessSupervisionTest : public RunningServersTest {
protected:
    // Makes a started server end by itself and waits until it has.
    void EndByItself(uint32_t processId) {
        ASSERT_TRUE(SignalDevServerExit(processId));
        ASSERT_EQ(processes.WaitForExit(processId), kDevServerOwnExitCode);
    }
    // Runs a copy of `program` under `fileName`, in a folder of its own, and records it as the server `name`.
    uint32_t RecordCopy(const std::wstring& program, const std::wstring& fileName, const std::wstring& name) {
        fs::path own = folder / name;
        fs::create_directories(own);
        uint32_t processId = processes.Start(CopyProgram(program, own, fileName));
        wrapper.RunningServers[name] = ServerProcessInfo{processId, 0};
        return processId;
    }
};

// The same cases for either build of the server, 32-bit or 64-bit (the real one may be either).
class EitherServerBuildTest : public ProcessSupervisionTest, public ::testing::WithParamInterface<int> {
protected:
    static constexpr int kOwnBits = k64BitBuild ? 64 : 32;

    void SetUp() override {
        ProcessSupervisionTest::SetUp();
        if (GetParam() != kOwnBits && k64BitBuild)
            GTEST_SKIP() << kNeeds32BitBuild;
        if (GetParam() == 64 && !Is64BitWindows())
            GTEST_SKIP() << kNeeds64BitWindows;
    }
    // The server of the tests' own build starts through the launcher; the 64-bit one beside the 32-bit
    // build, which the launcher beside the tests does not have, from a copy under the server's name.
    uint32_t StartServer(const std::wstring& name) {
        if (GetParam() == kOwnBits)
            return Start(name);
        return RecordCopy(kDevServerX64ProgramName, kServerExecutableName, name);
    }
};

INSTANTIATE_TEST_SUITE_P(ServerBuilds, EitherServerBuildTest, ::testing::Values(32, 64),
                         [](const auto& build) { return "Bits" + std::to_string(build.param); });

TEST_P(EitherServerBuildTest, AServerStaysOverSweepsUntilItEndsThenIsReturnedOnceAndGone) {
    uint32_t alpha = StartServer(L"Alpha");
    ASSERT_NE(alpha, 0u);
    for (int sweep = 0; sweep < 3; ++sweep)
        EXPECT_TRUE(wrapper.CollectStoppedServers().empty())
            << "a server just started stays, starting or not";
    EXPECT_TRUE(wrapper.IsServerStarted(L"Alpha"));

    EndByItself(alpha); // the test still holds a handle on it: an ended process, not a missing one
    EXPECT_EQ(wrapper.CollectStoppedServers(), Names{L"Alpha"});
    EXPECT_FALSE(wrapper.IsServerStarted(L"Alpha"));
    EXPECT_TRUE(wrapper.CollectStoppedServers().empty());
}

TEST_F(ProcessSupervisionTest, EndedServersComeBackInAscendingOrderAndTheLivingStay) {
    uint32_t beta = Start(L"Beta");
    uint32_t gamma = Start(L"Gamma");
    uint32_t alpha = Start(L"Alpha");
    ASSERT_TRUE(alpha && beta && gamma);
    EndByItself(beta);
    EndByItself(alpha);
    EXPECT_EQ(wrapper.CollectStoppedServers(), (Names{L"Alpha", L"Beta"}));
    EXPECT_EQ(wrapper.RunningServers.size(), 1u);
    EXPECT_TRUE(wrapper.IsServerStarted(L"Gamma"));
}

TEST_F(ProcessSupervisionTest, RecordsThatNameNoServerAreSweptAtOnce) {
    wrapper.RunningServers[L"Zero"] = ServerProcessInfo{0, 0}; // a launch that filled nothing in
    uint32_t other = RecordCopy(kServerExecutableName, L"other_program.exe", L"Other");
    ASSERT_NE(other, 0u);
    EXPECT_EQ(wrapper.CollectStoppedServers(), (Names{L"Other", L"Zero"}));
    EXPECT_TRUE(processes.IsRunning(other)) << "a process of another program is dropped, not ended";
}

TEST_F(ProcessSupervisionTest, TheImageNameIsComparedWithoutRegardToCase) {
    uint32_t shouting =
        RecordCopy(kServerExecutableName, L"MOORWAKE_DEDICATED_SERVER_NULLRENDERER.EXE", L"Shouting");
    ASSERT_NE(shouting, 0u);
    std::wstring image = TarnLauncherWrapper::GetProcessImagePath(shouting);
    EXPECT_EQ(fs::path(image).filename(), L"MOORWAKE_DEDICATED_SERVER_NULLRENDERER.EXE");
    EXPECT_TRUE(wrapper.CollectStoppedServers().empty());
    EXPECT_TRUE(wrapper.IsServerStarted(L"Shouting"));
}

TEST_P(EitherServerBuildTest, StopServerTerminatesWithExitCodeZeroAndLeavesTheMapToTheSweep) {
    uint32_t alpha = StartServer(L"Alpha");
    uint32_t beta = StartServer(L"Beta");
    ASSERT_TRUE(alpha && beta);

    wrapper.StopServer(L"alpha"); // not a recorded name
    wrapper.StopServer(L"Missing");
    EXPECT_TRUE(processes.IsRunning(alpha));
    EXPECT_TRUE(processes.IsRunning(beta));

    wrapper.StopServer(L"Alpha");
    EXPECT_EQ(processes.WaitForExit(alpha), 0u);
    EXPECT_TRUE(wrapper.IsServerStarted(L"Alpha")) << "until the next sweep";
    EXPECT_EQ(wrapper.RunningServers.size(), 2u);
    EXPECT_TRUE(processes.IsRunning(beta));
    EXPECT_EQ(wrapper.CollectStoppedServers(), Names{L"Alpha"});

    wrapper.StopServer(L"Beta");
    wrapper.StopServer(L"Beta"); // already ending: nothing more happens
    EXPECT_EQ(processes.WaitForExit(beta), 0u);
}

TEST_F(ProcessSupervisionTest, StopAllServersTerminatesEveryRecordedServer) {
    wrapper.StopAllServers(); // an empty map: nothing to do
    uint32_t first = Start(L"First");
    uint32_t second = Start(L"Second");
    wrapper.RunningServers[L"Zero"] = ServerProcessInfo{0, 0};
    ASSERT_TRUE(first && second);
    wrapper.StopAllServers();
    EXPECT_EQ(processes.WaitForExit(first), 0u);
    EXPECT_EQ(processes.WaitForExit(second), 0u);
    EXPECT_EQ(wrapper.RunningServers.size(), 3u) << "the map is left to the sweep";
    EXPECT_EQ(wrapper.CollectStoppedServers(), (Names{L"First", L"Second", L"Zero"}));
}

// A record outlives its process until the next sweep, and the identifier may be reused meanwhile.
TEST_P(EitherServerBuildTest, StoppingLeavesAProgramThatIsNotTheServerRunning) {
    uint32_t server = StartServer(L"Server");
    uint32_t other = RecordCopy(kServerExecutableName, L"other_program.exe", L"Other");
    ASSERT_TRUE(server && other);
    wrapper.StopServer(L"Other");
    wrapper.StopAllServers(); // Other first, then Server
    EXPECT_EQ(processes.WaitForExit(server), 0u);
    EXPECT_TRUE(processes.IsRunning(other)) << "only the server may be ended";
}

TEST_F(ProcessSupervisionTest, ASweepKeepsNoProcessHandle) {
    for (const wchar_t* name : {L"One", L"Two", L"Three"})
        ASSERT_NE(Start(name), 0u);
    DWORD before = 0, after = 0;
    ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &before));
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(wrapper.CollectStoppedServers().empty());
    ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &after));
    EXPECT_EQ(after, before);
}

// The demo's self-ending server: the delay is read from the cluster's folder.
TEST_F(ProcessSupervisionTest, TheStandInServerEndsAfterTheDelayItsClusterAsksFor) {
    TempFolder documents;
    ScopedDocumentsFolder documentsSetting(documents.path());
    fs::path cluster = documents / L"Vornak" / L"MoorwakeTarn" / L"Short Lived";
    fs::create_directories(cluster);
    WriteFileBytes(cluster / kDevServerExitAfterFile, "300");
    uint32_t shortLived = Start(L"Short Lived");
    ASSERT_NE(shortLived, 0u);
    EXPECT_EQ(processes.WaitForExit(shortLived), kDevServerOwnExitCode);
    EXPECT_EQ(wrapper.CollectStoppedServers(), Names{L"Short Lived"});
}

} // namespace
