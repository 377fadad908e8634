// Servers started, refused, swept, force-closed and closed with the program, driven through its windows,
// and found again by a program started after the one that started them was ended by force.
#include "BrenlowTest.h"
#include "ForeignWindows.h"

#include "devserver/DevServerProtocol.h"
#include "server/ServerRecordFile.h"

using namespace e2e;
using namespace testsupport;

namespace {

constexpr wchar_t kAlreadyStarted[] = L"专用服务器已启动，请确认";
constexpr wchar_t kTooManyServers[] = L"最多可以同时运行10个专用服务器";
constexpr wchar_t kStarted[] = L"已启动";

// A server that ends by itself leaves its own exit code, unlike a termination by Brenlow.
constexpr DWORD kOwnExitCode = 3;

std::wstring NumberedCluster(int number) {
    return L"Cluster " + std::wstring(number < 10 ? L"0" : L"") + std::to_wstring(number);
}

} // namespace

TEST_F(BrenlowTest, StartsTenServersRefusesTheSameOneAndAnEleventhAndEndsThemAllWhenClosed) {
    Install(true);
    std::vector<std::wstring> names = {L"中文集群"};
    for (int number = 2; number <= 11; ++number)
        names.push_back(NumberedCluster(number));
    for (const std::wstring& name : names)
        AddCluster(name);
    ASSERT_TRUE(StartBrenlow(BrenlowRun::Mode::Plain));

    PressStartFor(names[0]);
    ASSERT_TRUE(WaitForRowCount(1));
    EXPECT_EQ(Names(), std::vector<std::wstring>{names[0]});
    EXPECT_EQ(ColumnTexts(run->Process(), list, 1), std::vector<std::wstring>{kStarted});
    EXPECT_TRUE(GetDlgItem(list, kFirstRowButton)) << "the row's force-close button";
    EXPECT_TRUE(IsRunning(ServerOf(names[0]))) << "the server got the cluster name as its last argument";

    PressStartFor(names[0]);
    Notice refusal = WaitForNotice();
    EXPECT_EQ(refusal.text, kAlreadyStarted);
    Answer(refusal, IDOK);
    EXPECT_EQ(RowCount(list), 1);

    for (int started = 1; started < 10; ++started) {
        PressStartFor(names[started]);
        ASSERT_TRUE(WaitForRowCount(started + 1)) << "start of " << Utf8(names[started]);
        EXPECT_TRUE(IsRunning(ServerOf(names[started])));
    }
    EXPECT_EQ(Names(), std::vector<std::wstring>(names.begin(), names.begin() + 10)) << "in start order";

    PressStartFor(names[10]);
    refusal = WaitForNotice();
    EXPECT_EQ(refusal.text, kTooManyServers);
    Answer(refusal, IDOK);
    ASSERT_TRUE(WaitUntilIdle(mainWindow));
    EXPECT_EQ(RowCount(list), 10);
    EXPECT_EQ(ServersSeen(), 10u) << "neither refusal may start a server";

    // Closing asks first; "取消" keeps the program and every server.
    ASSERT_TRUE(PostMessageW(mainWindow, WM_SYSCOMMAND, SC_CLOSE, 0));
    Notice question = WaitForNotice();
    EXPECT_EQ(question.text, kCloseConfirmation);
    Answer(question, IDCANCEL);
    ASSERT_TRUE(WaitUntilIdle(mainWindow));
    EXPECT_TRUE(run->IsRunning());
    EXPECT_TRUE(IsWindowVisible(mainWindow) && IsWindowEnabled(mainWindow));
    for (int i = 0; i < 10; ++i)
        EXPECT_TRUE(IsRunning(ServerOf(names[i]))) << Utf8(names[i]);

    // "仍然关闭" terminates every server and ends the program.
    CloseAnyway();
    for (int i = 0; i < 10; ++i) {
        HANDLE server = ServerOf(names[i]);
        EXPECT_TRUE(WaitFor([&] { return !IsRunning(server); }, kPatience)) << Utf8(names[i]);
        EXPECT_EQ(ExitCodeOf(server), 0u) << Utf8(names[i]) << " was terminated by Brenlow";
    }
}

TEST_F(BrenlowTest, EndedServersAreSweptAndForceCloseEndsTheServerBesideTheButton) {
    const std::vector<std::wstring> names = {L"Alpha", L"Beta Two", L"Gamma"};
    ASSERT_NO_FATAL_FAILURE(StartWithServers(names));
    HANDLE alpha = ServerOf(names[0]), beta = ServerOf(names[1]), gamma = ServerOf(names[2]);
    ASSERT_TRUE(alpha && beta && gamma);

    // Alpha ends by itself: its row goes at a sweep (every 2 s) and the rows below move up.
    EndServerByItself(names[0]);
    ASSERT_EQ(WaitForSingleObject(alpha, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(ExitCodeOf(alpha), kOwnExitCode);
    ULONGLONG ended = GetTickCount64();
    ASSERT_TRUE(WaitForRowCount(2)) << "the ended server's row stays";
    EXPECT_LT(GetTickCount64() - ended, 8000u) << "the row of an ended server goes at the next sweep";
    EXPECT_EQ(Names(), std::vector<std::wstring>(names.begin() + 1, names.end()));
    EXPECT_FALSE(GetDlgItem(list, kFirstRowButton + 2)) << "two rows, two buttons";

    // The second button now stands beside Gamma and force-closes Gamma alone; its row goes at a sweep.
    CancelThenForceClose([&] { return Click(list, kFirstRowButton + 1); }, gamma);
    EXPECT_TRUE(IsRunning(beta));
    ASSERT_TRUE(WaitForRowCount(1));
    EXPECT_EQ(Names(), std::vector<std::wstring>{names[1]});

    CloseAnyway();
    EXPECT_EQ(WaitForSingleObject(beta, 10000), WAIT_OBJECT_0);
}

// A keyboard user's way. Keys are posted to the list, so they pass the program's own message loop as
// typed ones do, in order with everything else posted to it.
TEST_F(BrenlowTest, DeleteOnTheSelectedRowAsksAndForceClosesItsServer) {
    const std::vector<std::wstring> names = {L"Alpha", L"Beta Two"};
    ASSERT_NO_FATAL_FAILURE(StartWithServers(names));
    HANDLE alpha = ServerOf(names[0]), beta = ServerOf(names[1]);
    ASSERT_TRUE(alpha && beta);
    auto press = [&](WPARAM key) { return PostMessageW(list, WM_KEYDOWN, key, 1) != FALSE; };

    // By the time End has selected the last row, the Delete before it has been handled.
    ASSERT_TRUE(press(VK_DELETE) && press(VK_END));
    ASSERT_TRUE(WaitFor([&] { return SelectedRow(list) == 1; }, kPatience));
    EXPECT_FALSE(FindVisibleWindow(run->ProcessId(), kNoticeCaption)) << "asked with no row selected";

    CancelThenForceClose([&] { return press(VK_DELETE); }, beta);
    EXPECT_TRUE(IsRunning(alpha));
    ASSERT_TRUE(WaitForRowCount(1));
    EXPECT_EQ(Names(), std::vector<std::wstring>{names[0]});

    // The selection went with its row: Delete asks nothing, and the next notice is the close question.
    ASSERT_TRUE(press(VK_DELETE));
    CloseAnyway();
}

TEST_F(BrenlowTest, A64BitServerStaysListedAndEndsWhenTheProgramIsClosedAnyway) {
    if (k64BitBuild)
        GTEST_SKIP() << kNeeds32BitBuild;
    if (!Is64BitWindows())
        GTEST_SKIP() << kNeeds64BitWindows;
    Install(true, kDevServerX64ProgramName);
    AddCluster(L"Alpha");
    ASSERT_TRUE(StartBrenlow(BrenlowRun::Mode::Plain));
    PressStartFor(L"Alpha");
    ASSERT_TRUE(WaitForRowCount(1));
    HANDLE server = ServerOf(L"Alpha");
    ASSERT_TRUE(server);
    EXPECT_TRUE(Is64BitProcess(server));
    EXPECT_FALSE(WaitFor([&] { return RowCount(list) != 1; }, std::chrono::milliseconds(4500)))
        << "the row of a running 64-bit server goes at a sweep";

    CloseAnyway();
    EXPECT_EQ(WaitForSingleObject(server, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(ExitCodeOf(server), 0u) << "terminated by Brenlow";
}

TEST_F(BrenlowTest, StartedAgainAfterAnEndByForceTheProgramFindsItsServersAndSupervisesThem) {
    const std::wstring alpha = L"Alpha", beta = L"Beta 中文";
    ASSERT_NO_FATAL_FAILURE(StartWithServers({beta, alpha}));
    HANDLE alphaServer = ServerOf(alpha), betaServer = ServerOf(beta);
    ASSERT_TRUE(alphaServer && betaServer);

    std::unique_ptr<BrenlowRun> ended = std::move(run); // its job keeps the servers until the test ends
    ASSERT_TRUE(TerminateProcess(ended->Process(), 1));
    ASSERT_TRUE(ended->WaitForExit());
    EXPECT_TRUE(IsRunning(alphaServer) && IsRunning(betaServer)) << "the servers outlive the program";

    ASSERT_TRUE(StartBrenlow(BrenlowRun::Mode::Plain));
    EXPECT_EQ(Names(), (std::vector<std::wstring>{alpha, beta})) << "a row each, in the names' order";
    EXPECT_EQ(ColumnTexts(run->Process(), list, 1), (std::vector<std::wstring>{kStarted, kStarted}));
    EXPECT_TRUE(GetDlgItem(list, kFirstRowButton + 1)) << "each row with its force-close button";

    PressStartFor(alpha);
    Notice refusal = WaitForNotice();
    EXPECT_EQ(refusal.text, kAlreadyStarted);
    Answer(refusal, IDOK);
    EXPECT_EQ(ServersSeen(), 2u) << "no second server on the same cluster";

    CancelThenForceClose([&] { return Click(list, kFirstRowButton + 1); }, betaServer);
    ASSERT_TRUE(WaitForRowCount(1)) << "the sweep leaves the row of a server found again";
    EXPECT_EQ(Names(), std::vector<std::wstring>{alpha});

    CloseAnyway();
    EXPECT_EQ(WaitForSingleObject(alphaServer, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(ExitCodeOf(alphaServer), 0u) << "terminated by the program that found it again";
    EXPECT_FALSE(std::filesystem::exists(programFolder / ServerRecordFileNameOfThisSession()))
        << "a clean close keeps none";
}
