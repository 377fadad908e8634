#include "diag/LogFile.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <regex>

namespace fs = std::filesystem;
using namespace testsupport;

namespace {

std::string MessageOf(const std::string& line) {
    std::smatch match;
    static const std::regex header(R"(^Quillane\.\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}\]\[\d+\]\[-?\d+\])");
    return std::regex_search(line, match, header) ? match.suffix().str() : "<no header: " + line + ">";
}

// A copy of the log writer in a folder of its own, so that its log lands in <folder>\log.
class LogFileTest : public ::testing::Test {
protected:
    TempFolder folder;
    fs::path writer = CopyProgram(L"log_writer.exe", folder.path());
    fs::path logFile = folder / L"log" / L"Quillane.txt";

    DebuggedRun Run(const std::wstring& operations) { return RunUnderDebugger(writer, operations); }
    std::vector<std::string> FileLines() { return CrLfLines(ReadFileBytes(logFile)); }
};

TEST(LogHeader, PadsEveryFieldToItsWidth) {
    SYSTEMTIME time{};
    time.wYear = 2026, time.wMonth = 1, time.wDay = 5, time.wHour = 7, time.wMinute = 8, time.wSecond = 9;
    time.wMilliseconds = 4;
    EXPECT_EQ(FormatLogHeader(time, 5120, 4), "Quillane.[2026-01-05 07:08:09.004][5120][4]");
    time = {2025, 12, 0, 31, 23, 59, 58, 999};
    EXPECT_EQ(FormatLogHeader(time, 7, 12), "Quillane.[2025-12-31 23:59:58.999][7][12]");
}

TEST_F(LogFileTest, WritesHeaderWithTheLocalTimeAndCrLfToTheFileButLfToTheDebugger) {
    SYSTEMTIME before;
    GetLocalTime(&before);
    DebuggedRun run = Run(L"open log:4:hello close");
    EXPECT_EQ(run.exitCode, 0u) << "the file must be closed";

    std::string bytes = ReadFileBytes(logFile);
    std::smatch match;
    ASSERT_TRUE(std::regex_match(
        bytes, match,
        std::regex(R"(Quillane\.\[(\d{4})-(\d\d)-(\d\d) \d\d:\d\d:\d\d\.\d{3}\]\[(\d+)\]\[4\]hello\r\n)")))
        << bytes;
    EXPECT_EQ(std::stoi(match[1]), before.wYear);
    EXPECT_EQ(std::stoi(match[2]), before.wMonth);
    ASSERT_EQ(run.debugStrings.size(), 1u);
    EXPECT_EQ(run.debugStrings[0], bytes.substr(0, bytes.size() - 2) + "\n");
}

TEST_F(LogFileTest, DropsLevelsBelowFourFromBothOutputs) {
    DebuggedRun run = Run(L"open log:3:three log:0:zero log:-1:negative log:4:four log:5:five close");
    std::vector<std::string> lines = FileLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(MessageOf(lines[0]), "four");
    EXPECT_EQ(MessageOf(lines[1]), "five");
    ASSERT_EQ(run.debugStrings.size(), 2u);
    EXPECT_EQ(MessageOf(run.debugStrings[0]), "four\n");
    EXPECT_EQ(MessageOf(run.debugStrings[1]), "five\n");
}

TEST_F(LogFileTest, CutsAnOversizedMessageAndKeepsTheNewline) {
    Run(L"open big:102399 big:102400 big:200000 close");
    std::vector<std::string> lines = FileLines();
    ASSERT_EQ(lines.size(), 3u);
    std::string fits = MessageOf(lines[0]);
    EXPECT_EQ(fits.size(), 102399u);
    EXPECT_EQ(fits.back(), 'E');
    for (int i : {1, 2}) {
        std::string cut = MessageOf(lines[i]);
        EXPECT_EQ(cut.size(), 102399u);
        EXPECT_EQ(cut.find('E'), std::string::npos) << "the end of the message must be dropped";
    }
}

TEST_F(LogFileTest, AppendsAcrossRunsAndCreatesTheMissingFolder) {
    ASSERT_FALSE(fs::exists(folder / L"log"));
    Run(L"open log:4:first close");
    ASSERT_TRUE(fs::is_directory(folder / L"log"));
    Run(L"open log:4:second close");
    std::vector<std::string> lines = FileLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(MessageOf(lines[0]), "first");
    EXPECT_EQ(MessageOf(lines[1]), "second");
}

TEST_F(LogFileTest, AFileNamedLogLeavesTheLogClosedButTheDebuggerStillGetsLines) {
    WriteFileBytes(folder / L"log", "not a folder");
    DebuggedRun run = Run(L"open log:4:only-debugger");
    EXPECT_EQ(run.exitCode, 0u) << "no file may be open";
    EXPECT_EQ(ReadFileBytes(folder / L"log"), "not a folder");
    ASSERT_EQ(run.debugStrings.size(), 1u);
    EXPECT_EQ(MessageOf(run.debugStrings[0]), "only-debugger\n");
}

TEST_F(LogFileTest, ALineWrittenBeforeTheOpenDoesNotBlockTheLog) {
    DebuggedRun run = Run(L"log:4:early open log:4:late close");
    std::vector<std::string> lines = FileLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(MessageOf(lines[0]), "late");
    EXPECT_EQ(run.debugStrings.size(), 2u);
}

TEST_F(LogFileTest, LinesStayInTheBufferUntilTheFlush) {
    std::wstring eventName = L"brenlow-log-test-" + std::to_wstring(GetCurrentProcessId());
    HANDLE go = CreateEventW(nullptr, TRUE, FALSE, eventName.c_str());
    ASSERT_NE(go, nullptr);
    PROCESS_INFORMATION child = StartProcess(writer, L"open log:4:buffered wait:" + eventName + L" close");
    ASSERT_NE(child.hProcess, nullptr);

    ASSERT_TRUE(WaitFor([&] { return fs::exists(logFile); }));
    Sleep(200); // give a per-line flush, were there one, every chance to show
    EXPECT_EQ(fs::file_size(logFile), 0u) << "the line must not be flushed on its own";
    // Shared deny-none: another writer may open the file meanwhile.
    HANDLE other = CreateFileW(logFile.c_str(), GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(other, INVALID_HANDLE_VALUE);
    CloseHandle(other);

    SetEvent(go);
    EXPECT_EQ(WaitForSingleObject(child.hProcess, 60000), WAIT_OBJECT_0);
    EXPECT_EQ(FileLines().size(), 1u);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    CloseHandle(go);
}

} // namespace
