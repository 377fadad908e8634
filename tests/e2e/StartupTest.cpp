// Start-up and shutdown of the whole program: the missing launcher library, the log file and the
// library's Shutdown.
#include "BrenlowTest.h"
#include "ForeignWindows.h"

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
    const std::string missingFolder = Gbk(L"找不到指定目录,请检查该目录是否存在");
    for (const std::string& line : written) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(line, match, header)) << line;
        EXPECT_EQ(match[1], std::to_string(run->MainThreadId())) << "logged on the user-interface thread";
        EXPECT_TRUE(line.ends_with("]" + missingFolder)) << line;
    }
}
