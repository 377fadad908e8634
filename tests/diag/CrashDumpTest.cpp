#include "diag/CrashDump.h"
#include "diag/CrashHandler.h"

#include "CrashRun.h"
#include "TestSupport.h"

#include <dbghelp.h>
#include <gtest/gtest.h>

#include <algorithm>

namespace fs = std::filesystem;
using namespace crashtest;
using namespace testsupport;

namespace {

constexpr DWORD kAccessViolation = 0xC0000005;
constexpr DWORD kStackOverflow = 0xC00000FD;
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
    Report report;            // of the last Crash
    std::string threadDumped; // the thread whose dump the last Crash found
    DWORD exitCode = 0;       // of the last Crash's process

    fs::path InstallChild(const fs::path& where) {
        fs::create_directories(where);
        return CopyProgram(L"crash_child.exe", where, L"Brenlow.exe");
    }

    // Runs the child through its failure and its "Fatal Error". `prepare`, when given, sets up the folder
    // with the expected dump path first, and the dump is then not looked for. Returns the dump path, empty
    // when the run went wrong.
    fs::path Crash(const fs::path& program, const std::wstring& how,
                   const std::function<void(const fs::path&)>& prepare = {}) {
        fs::remove(reportFile);
        CrashRun run(program, how, reportFile);
        report = run.WaitForReport();
        if (!report.count("ready")) {
            ADD_FAILURE() << "the child never got to its failure; exit code " << std::hex << run.ExitCode();
            return {};
        }
        auto dumpOf = [&](const std::string& thread) {
            return program.wstring() + FromUtf8(thread) + L".dmp";
        };
        threadDumped = report["thread"];
        EXPECT_EQ(report["error-mode"], std::to_string(_OUT_TO_STDERR))
            << "abort()'s own message in a window";
        if (prepare)
            prepare(dumpOf(threadDumped));
        EXPECT_TRUE(run.HeldHandleIsOpen());
        HWND box = run.FailAndWaitForFatalError();
        if (!box) {
            ADD_FAILURE() << "no \"Fatal Error\" message; exit code " << std::hex << run.ExitCode();
            return {};
        }
        EXPECT_TRUE(run.IsRunning()) << "the process must wait for the message to be answered";
        EXPECT_FALSE(run.HeldHandleIsOpen()) << "the handle given to CloseOnCrash must be closed at once";
        // Of two threads failing together, either may be the one that claims the crash.
        if (report.count("also") && !Exists(dumpOf(threadDumped)))
            threadDumped = report["also"];
        EXPECT_TRUE(prepare || Exists(dumpOf(threadDumped))) << "the dump must be written before the message";
        EXPECT_TRUE(run.DismissAndWaitForExit(box)) << "the process must end after the message";
        exitCode = run.ExitCode();
        return dumpOf(threadDumped);
    }

    void ExpectDumpOfTheFailure(const fs::path& dump, DWORD exceptionCode) {
        DumpFacts facts = ReadDump(dump);
        ASSERT_TRUE(facts.readable) << Utf8(dump.wstring()) << " is not a readable minidump";
        EXPECT_EQ(facts.type, static_cast<ULONG64>(MiniDumpNormal));
        EXPECT_EQ(std::to_string(facts.threadId), threadDumped);
        EXPECT_EQ(facts.exceptionCode, exceptionCode);
        EXPECT_EQ(exitCode, exceptionCode)
            << "the process ends with the exception's code, never as a success";
    }
};

// One way of dying, and what its dump shows.
struct WayOfDying {
    const wchar_t* how; // the crash child's word for it
    DWORD exceptionCode;
    const char* function; // the failing function, which reading the dump must name; null: not read
};

class EveryWayOfDying : public CrashDumpTest, public ::testing::WithParamInterface<WayOfDying> {};

// Whether the C runtime, msvcrt.dll, reports invalid parameters to a handler at all.
bool RuntimeReportsInvalidParameters() {
    return GetProcAddress(GetModuleHandleW(L"msvcrt.dll"), "_set_invalid_parameter_handler") != nullptr;
}

TEST_P(EveryWayOfDying, LeavesOneDumpOfTheFailingThreadTheMessageAndTheLinesLoggedBefore) {
    const WayOfDying& way = GetParam();
    if (way.exceptionCode == kInvalidParameterCode && !RuntimeReportsInvalidParameters())
        GTEST_SKIP() << "this msvcrt.dll reports no invalid parameter: its functions return an error instead";
    fs::path program = InstallChild(folder / L"Tools");
    fs::path dump = Crash(program, way.how);
    ASSERT_FALSE(dump.empty());
    EXPECT_EQ(NamesIn(program.parent_path(), L".dmp"), std::vector<std::wstring>{dump.filename().wstring()})
        << "exactly one dump";
    ExpectDumpOfTheFailure(dump, way.exceptionCode);
    std::string log = ReadFileBytes(program.parent_path() / L"log" / L"Quillane.txt");
    EXPECT_NE(log.find("][4]logged before the crash\r\n"), std::string::npos) << log;
    if (way.function)
        KeepDumpForReading(dump, way.how, {L"crash_child.exe", way.exceptionCode, way.function});
}

INSTANTIATE_TEST_SUITE_P(
    CrashChild, EveryWayOfDying,
    ::testing::Values(WayOfDying{L"main", kAccessViolation, nullptr},
                      WayOfDying{L"thread", kAccessViolation, nullptr},
                      WayOfDying{L"overflow", kStackOverflow, "RecurseForEver"},
                      WayOfDying{L"overflow-thread", kStackOverflow, "RecurseForEver"},
                      WayOfDying{L"abort", kAbortCode, "AbortTheRun"},
                      WayOfDying{L"uncaught", kTerminateCode, "ThrowOurOwn"},
                      WayOfDying{L"pure-virtual", kPureVirtualCallCode, "CallPureVirtual"},
                      WayOfDying{L"invalid-parameter", kInvalidParameterCode, "PassInvalidParameter"},
                      WayOfDying{L"together", kAccessViolation, "Fail"},
                      WayOfDying{L"loader-lock", kAccessViolation, nullptr},
                      WayOfDying{L"heap-lock", kAccessViolation, nullptr}),
    [](const ::testing::TestParamInfo<WayOfDying>& info) {
        std::string name = Utf8(info.param.how);
        std::replace(name.begin(), name.end(), '-', '_');
        return name;
    });

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

TEST_F(CrashDumpTest, ABusyLogNeverHoldsTheCrashUp) {
    fs::path program = InstallChild(folder / L"Tools");
    // A failure inside a log write, or while another thread is stuck in one: no flush, and no wait.
    for (const wchar_t* how : {L"log-held", L"log-busy"}) {
        SCOPED_TRACE(Utf8(how));
        fs::path dump = Crash(program, how);
        ASSERT_FALSE(dump.empty());
        ExpectDumpOfTheFailure(dump, kAccessViolation);
    }
}

TEST_F(CrashDumpTest, AFailureOfTheCrashHandlingItselfStillEndsWithFatalError) {
    // The log's buffer fails when the handling flushes it, after the dump: the dump and the message.
    fs::path program = InstallChild(folder / L"Tools");
    fs::path dump = Crash(program, L"log-breaks");
    ASSERT_FALSE(dump.empty());
    ExpectDumpOfTheFailure(dump, kAccessViolation);
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
