#include "diag/CrashDump.h"

#include "CrashRun.h"
#include "TestSupport.h"

#include <dbghelp.h>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace crashtest;
using namespace testsupport;

namespace {

constexpr DWORD kAccessViolation = 0xC0000005;
constexpr DWORD kStackBufferOverrun = 0xC0000409;

std::wstring DumpPathFor(const std::wstring& executable, DWORD thread, size_t capacity = 40000) {
    std::wstring buffer(capacity, L'?');
    bool formatted = FormatCrashDumpPath(executable.c_str(), thread, buffer.data(), buffer.size());
    return (formatted ? L"" : L"<failed>") + std::wstring(buffer.c_str());
}

TEST(CrashDumpPath, IsTheWholeExecutablePathThenTheThreadIdThenDmp) {
    EXPECT_EQ(DumpPathFor(L"D:\\Tools\\Brenlow.exe", 7160), L"D:\\Tools\\Brenlow.exe7160.dmp");
    EXPECT_EQ(DumpPathFor(L"C:\\a.exe", 4294967295u), L"C:\\a.exe4294967295.dmp");
    EXPECT_EQ(DumpPathFor(L"C:\\Tools\\Brenlow.exe", 7160, 16), L"<failed>") << "never a cut name";
}

TEST(CrashDumpPath, ANameOfMaxPathOrMoreGetsTheLongPathPrefixAndKeepsEveryCharacter) {
    std::wstring fits = L"C:\\" + std::wstring(245, L'd') + L".exe"; // 252 characters
    EXPECT_EQ(DumpPathFor(fits, 123), fits + L"123.dmp");            // 259
    EXPECT_EQ(DumpPathFor(fits, 1234), L"\\\\?\\" + fits + L"1234.dmp");

    std::wstring deep = std::wstring(240, L'd') + L"\\Brenlow.exe";
    EXPECT_EQ(DumpPathFor(L"\\\\server\\share\\" + deep, 42),
              L"\\\\?\\UNC\\server\\share\\" + deep + L"42.dmp");
    EXPECT_EQ(DumpPathFor(L"\\\\?\\C:\\" + deep, 42), L"\\\\?\\C:\\" + deep + L"42.dmp");
    std::wstring longest = L"C:\\" + std::wstring(32000, L'd') + L"\\Brenlow.exe";
    EXPECT_EQ(DumpPathFor(longest, 42), L"\\\\?\\" + longest + L"42.dmp");
}

class CrashDumpTest : public ::testing::Test {
protected:
    TempFolder folder;
    fs::path reportFile = folder / L"report.txt";
    Report report; // of the last Crash

    fs::path InstallChild(const fs::path& where) {
        fs::create_directories(where);
        return CopyProgram(L"crash_child.exe", where, L"Brenlow.exe");
    }

    // Runs the child through its failure and its "Fatal Error". `prepare` may set up the folder with
    // the expected dump path first. Returns the expected dump path, empty when the run went wrong.
    fs::path Crash(const fs::path& program, const std::wstring& how,
                   const std::function<void(const fs::path&)>& prepare = {}) {
        fs::remove(reportFile);
        CrashRun run(program, how, reportFile);
        report = run.WaitForReport();
        if (!report.count("ready")) {
            ADD_FAILURE() << "the child never got to its failure; exit code " << std::hex << run.ExitCode();
            return {};
        }
        fs::path dump = program.wstring() + FromUtf8(report["thread"]) + L".dmp";
        if (prepare)
            prepare(dump);
        HWND box = run.FailAndWaitForFatalError();
        if (!box) {
            ADD_FAILURE() << "no \"Fatal Error\" message";
            return {};
        }
        EXPECT_TRUE(run.IsRunning()) << "the process must wait for the message to be answered";
        EXPECT_TRUE(prepare || Exists(dump)) << "the dump must be written before the message";
        EXPECT_TRUE(run.DismissAndWaitForExit(box)) << "the process must end after the message";
        return dump;
    }

    void ExpectDumpOfTheFailure(const fs::path& dump, DWORD exceptionCode) {
        DumpFacts facts = ReadDump(dump);
        ASSERT_TRUE(facts.readable) << Utf8(dump.wstring()) << " is not a readable minidump";
        EXPECT_EQ(facts.type, static_cast<ULONG64>(MiniDumpNormal));
        EXPECT_EQ(std::to_string(facts.threadId), report["thread"]);
        EXPECT_EQ(facts.exceptionCode, exceptionCode);
    }
};

TEST_F(CrashDumpTest, ACrashOnAnyThreadWritesADumpOfThatThreadBesideTheExecutable) {
    fs::path program = InstallChild(folder / L"Tools");
    for (const wchar_t* how : {L"main", L"thread"}) {
        SCOPED_TRACE(Utf8(how));
        fs::path dump = Crash(program, how);
        ASSERT_FALSE(dump.empty());
        ExpectDumpOfTheFailure(dump, kAccessViolation);
        EXPECT_EQ(NamesIn(program.parent_path(), L".dmp").size(), 1u);
        fs::remove(dump);
    }
}

TEST_F(CrashDumpTest, AfterTheLockTheFilterCanBeNeitherReplacedNorCleared) {
    fs::path program = InstallChild(folder / L"Tools");
    fs::path dump = Crash(program, L"replace");
    ASSERT_FALSE(dump.empty());
    EXPECT_EQ(report["replace"], "0") << "no previous filter may be reported";
    EXPECT_EQ(report["clear"], "0");
    ExpectDumpOfTheFailure(dump, kAccessViolation);

    // A runtime's fatal-error path: clear the filter, then report the failure itself.
    dump = Crash(program, L"cleared");
    ASSERT_FALSE(dump.empty());
    ExpectDumpOfTheFailure(dump, kStackBufferOverrun);
}

TEST_F(CrashDumpTest, BufferedLogLinesReachTheFileButABusyLogNeverHoldsTheCrashUp) {
    fs::path program = InstallChild(folder / L"Tools");
    fs::path dump = Crash(program, L"logged");
    ASSERT_FALSE(dump.empty());
    ExpectDumpOfTheFailure(dump, kAccessViolation);
    std::string log = ReadFileBytes(folder / L"Tools" / L"log" / L"Quillane.txt");
    EXPECT_NE(log.find("][4]logged before the crash\r\n"), std::string::npos) << log;

    // A failure inside a log write, or while another thread is stuck in one: no flush, and no wait.
    for (const wchar_t* how : {L"log-held", L"log-busy"}) {
        SCOPED_TRACE(Utf8(how));
        dump = Crash(program, how);
        ASSERT_FALSE(dump.empty());
        ExpectDumpOfTheFailure(dump, kAccessViolation);
    }
}

TEST_F(CrashDumpTest, ALaterCrashOnTheSameThreadIdReplacesTheOldDump) {
    fs::path program = InstallChild(folder / L"Tools");
    const std::string stale(4 << 20, 'x');
    fs::path dump = Crash(program, L"main", [&](const fs::path& path) { WriteFileBytes(path, stale); });
    ASSERT_FALSE(dump.empty());
    ExpectDumpOfTheFailure(dump, kAccessViolation);
    EXPECT_LT(fs::file_size(dump), stale.size()) << "nothing of the old file may remain";
}

TEST_F(CrashDumpTest, WithoutAWritableDumpFileTheProgramStillEndsWithFatalError) {
    fs::path program = InstallChild(folder / L"Tools");
    fs::path dump = Crash(program, L"main", [](const fs::path& path) { fs::create_directory(path); });
    ASSERT_FALSE(dump.empty());
    EXPECT_TRUE(fs::is_directory(dump));
    EXPECT_EQ(NamesIn(program.parent_path(), L".dmp").size(), 1u) << "nothing may be written elsewhere";
}

// A folder below `base` that makes `base\...\name` exactly `length` characters long.
fs::path FolderForPathLength(const fs::path& base, size_t length, const std::wstring& name) {
    size_t remaining = length - base.wstring().size() - 1 - name.size(); // the "\dir" parts
    fs::path folder = base;
    while (remaining > 0) {
        size_t part = std::min<size_t>(remaining, 201);
        if (remaining - part == 1)
            part -= 2; // a lone separator would name nothing
        folder /= std::wstring(part - 1, L'd');
        remaining -= part;
    }
    return folder;
}

TEST_F(CrashDumpTest, AnExecutablePathTooLongForMaxPathStillGetsItsDumpUnderTheRightName) {
    // 255 and 259: the program starts as usual but its dump path exceeds MAX_PATH; 300: so does the
    // executable path itself.
    for (size_t length : {size_t(255), size_t(259), size_t(300)}) {
        SCOPED_TRACE("executable path of " + std::to_string(length) + " characters");
        fs::path top = folder / L"deep";
        std::unique_ptr<const fs::path, void (*)(const fs::path*)> removeTop(&top, [](const fs::path* tree) {
            RemoveTree(*tree); // std::filesystem cannot remove it
        });
        fs::path deep = FolderForPathLength(top, length, L"Brenlow.exe");
        fs::path program = InstallChild(deep);
        ASSERT_EQ(program.wstring().size(), length);
        fs::path dump = Crash(program, L"main");
        ASSERT_FALSE(dump.empty());
        ExpectDumpOfTheFailure(dump, kAccessViolation);
        EXPECT_EQ(NamesIn(deep, L".dmp"), std::vector<std::wstring>{dump.filename().wstring()})
            << "no dump may appear under a cut name";
    }
}

} // namespace
