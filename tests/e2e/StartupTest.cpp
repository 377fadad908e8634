// Start-up and shutdown of the whole program: the missing launcher library, the log file and the
// library's Shutdown, and one program per session.
#include "BrenlowTest.h"
#include "ForeignWindows.h"

#include "app/InstanceMarker.h"

#include <sddl.h>

#include <algorithm>
#include <regex>
#include <sstream>

namespace fs = std::filesystem;
using namespace e2e;
using namespace testsupport;

namespace {

// The log lines among the program's debugger output, each without its "\n".
std::vector<std::string> LogLines(const std::vector<std::string>& debugStrings) {
    std::vector<std::string> lines;
    for (const std::string& text : debugStrings)
        if (text.rfind("Quillane.", 0) == 0)
            lines.push_back(text.substr(0, text.size() - (!text.empty() && text.back() == '\n')));
    return lines;
}

const std::string kLauncherLoaded = "tarn_launcher: loaded\n";

// Without the configuration root, the dialog's first reading of the configurations logs this.
std::string MissingFolderLine() {
    return "]" + Gbk(L"找不到指定目录,请检查该目录是否存在");
}

} // namespace

TEST_F(BrenlowTest, WithoutTheLauncherLibraryOnlyTheNoticeShowsAndNoLogIsCreated) {
    Install(false);
    AddCluster(L"Alpha");
    run = std::make_unique<BrenlowRun>(program, BrenlowRun::Mode::Plain);
    ASSERT_TRUE(run->Started());

    Notice notice = WaitForNotice();
    ASSERT_TRUE(notice.window);
    EXPECT_EQ(notice.text, L"加载tarn_launcher.dll失败!");
    EXPECT_EQ(VisibleTopWindows(run->ProcessId()), std::vector<HWND>{notice.window}) << "the notice only";

    // From the answer to the end, no other window may open.
    ASSERT_TRUE(Click(notice.window, IDOK));
    std::vector<std::wstring> laterWindows;
    bool ended = WaitFor(
        [&] {
            for (HWND window : VisibleTopWindows(run->ProcessId()))
                if (window != notice.window)
                    laterWindows.push_back(WindowText(window));
            return !run->IsRunning();
        },
        kPatience);
    EXPECT_TRUE(ended) << "the program goes on after the notice";
    EXPECT_TRUE(laterWindows.empty()) << "another window opened: " << Utf8(laterWindows.front());
    EXPECT_FALSE(fs::exists(programFolder / L"log")) << "no log folder may be made";
}

TEST_F(BrenlowTest, TheLogKeepsEveryLineWrittenWhileItWasOpenAndShutdownReachesTheLibraryTwice) {
    Install(true);
    // Without the configuration root every read of the configurations logs a line.
    ASSERT_TRUE(StartBrenlow(BrenlowRun::Mode::Debugged));
    const fs::path logFile = programFolder / L"log" / L"Quillane.txt";
    EXPECT_TRUE(fs::exists(logFile)) << "the log is open while the dialog runs";

    constexpr int kDropDowns = 3;
    for (int i = 0; i < kDropDowns; ++i) {
        SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
        SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
    }
    ASSERT_TRUE(PostMessageW(mainWindow, WM_SYSCOMMAND, SC_CLOSE, 0));
    ASSERT_TRUE(run->WaitForExit()) << "without servers the dialog closes at once";
    EXPECT_EQ(run->ExitCode(), 0u);

    std::vector<std::string> debugStrings = run->DebugStrings();
    EXPECT_EQ(std::count(debugStrings.begin(), debugStrings.end(), "tarn_launcher: Shutdown\n"), 2);

    // One line while the dialog object was built (the log is not open yet), one when the dialog
    // filled its combo box, one per drop-down: the file holds all but the first.
    std::vector<std::string> sent = LogLines(debugStrings);
    std::vector<std::string> written = CrLfLines(ReadFileBytes(logFile));
    ASSERT_EQ(sent.size(), 2u + kDropDowns);
    EXPECT_EQ(written, std::vector<std::string>(sent.begin() + 1, sent.end()));

    const std::regex header(R"(Quillane\.\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}\]\[(\d+)\]\[4\].*)");
    for (const std::string& line : written) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(line, match, header)) << line;
        EXPECT_EQ(match[1], std::to_string(run->MainThreadId())) << "logged on the user-interface thread";
        EXPECT_TRUE(line.ends_with(MissingFolderLine())) << line;
    }
}

TEST_F(BrenlowTest, LogLinesReachTheFileWhileTheProgramRunsAndStayWhenItIsEndedByForce) {
    Install(true);
    ASSERT_TRUE(StartBrenlow(BrenlowRun::Mode::Plain));
    const fs::path logFile = programFolder / L"log" / L"Quillane.txt";
    EXPECT_TRUE(WaitFor([&] { return !ReadFileBytes(logFile).empty(); }, kPatience))
        << "the line stays in the program's buffer";
    ASSERT_TRUE(TerminateProcess(run->Process(), 1));
    ASSERT_TRUE(run->WaitForExit());
    std::vector<std::string> lines = CrLfLines(ReadFileBytes(logFile));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].ends_with(MissingFolderLine())) << lines[0];
}

TEST_F(BrenlowTest, ASecondProgramFromAnyFolderBringsTheFirstForwardAndEndsWithoutLoadingAnything) {
    Install(true);
    AddCluster(L"Alpha");
    ASSERT_TRUE(StartBrenlow(BrenlowRun::Mode::Debugged));
    std::vector<std::string> said = run->DebugStrings();
    ASSERT_EQ(std::count(said.begin(), said.end(), kLauncherLoaded), 1) << "the library reports its loading";

    const fs::path copyFolder = root / L"another copy";
    fs::create_directories(copyFolder);
    for (const wchar_t* file :
         {L"Brenlow.exe", L"tarn_launcher.dll", L"moorwake_dedicated_server_nullrenderer.exe"})
        CopyProgram(file, copyFolder);
    // Another program's window in front, here the test's own.
    std::unique_ptr<HWND__, decltype(&DestroyWindow)> elsewhere(
        CreateWindowExW(0, L"Static", L"elsewhere", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr,
                        nullptr, nullptr),
        &DestroyWindow);
    for (const fs::path& second : {program, copyFolder / L"Brenlow.exe"}) {
        SCOPED_TRACE(Utf8(second.wstring()));
        ShowWindow(mainWindow, SW_MINIMIZE);
        SetForegroundWindow(elsewhere.get());
        ASSERT_TRUE(
            WaitFor([&] { return IsIconic(mainWindow) && GetForegroundWindow() == elsewhere.get(); }));

        BrenlowRun secondRun(second, BrenlowRun::Mode::Debugged);
        ASSERT_TRUE(secondRun.WaitForExit());
        said = secondRun.DebugStrings();
        EXPECT_EQ(std::count(said.begin(), said.end(), kLauncherLoaded), 0)
            << "the second one loaded the library";
        EXPECT_TRUE(LogLines(said).empty());
        EXPECT_TRUE(WaitFor([&] { return !IsIconic(mainWindow) && GetForegroundWindow() == mainWindow; }))
            << "the first one is not restored and in front";
    }
    EXPECT_TRUE(run->IsRunning());
    EXPECT_FALSE(fs::exists(copyFolder / L"log"));
}

// A Brenlow run as administrator makes a marker that one run without may not open: it is held all the
// same. The test's marker stands for it, with a security descriptor that lets nobody open it.
TEST_F(BrenlowTest, AMarkerThatMayNotBeOpenedHoldsTheProgramBackAsWell) {
    Install(true);
    PSECURITY_DESCRIPTOR noOne = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(D;;GA;;;WD)", SDDL_REVISION_1,
                                                                     &noOne, nullptr));
    SECURITY_ATTRIBUTES attributes{sizeof attributes, noOne, FALSE};
    std::unique_ptr<void, decltype(&CloseHandle)> marker(CreateFileMappingW(INVALID_HANDLE_VALUE, &attributes,
                                                                            PAGE_READWRITE, 0, sizeof(DWORD),
                                                                            kInstanceMarkerName),
                                                         &CloseHandle);
    LocalFree(noOne);
    ASSERT_TRUE(marker);

    BrenlowRun second(program, BrenlowRun::Mode::Debugged);
    ASSERT_TRUE(second.WaitForExit()) << "it runs beside the one that holds the marker";
    std::vector<std::string> said = second.DebugStrings();
    EXPECT_EQ(std::count(said.begin(), said.end(), kLauncherLoaded), 0) << "it loaded the library";
}
