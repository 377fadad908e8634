// A crash on purpose inside the running program, as shipped (stripped), made by the stand-in launcher: the
// dump it leaves, the log lines it keeps, the "Fatal Error" it shows, and that the dying program calls the
// launcher no more, nor holds a new one back. The dumps are kept for the read_dump test.
#include "BrenlowTest.h"
#include "CrashDumps.h"
#include "ForeignWindows.h"
#include "PlantedDll.h"

#include "launcher/CrashOnDemand.h"
#include "server/LogMessages.h"
#include "server/ServerRecordFile.h"

#include <algorithm>
#include <cwctype>

namespace fs = std::filesystem;
using namespace e2e;
using namespace testsupport;

namespace {

constexpr UINT_PTR kSweepTimer = 1;
constexpr UINT_PTR kCallbacksTimer = 2;
// Writing the dump takes seconds under Wine, and more on a loaded machine.
constexpr std::chrono::seconds kDumpPatience(60);

// Files in `folder` named "Brenlow.exe" + a decimal number + ".dmp", with that number.
std::vector<std::pair<fs::path, std::wstring>> DumpsIn(const fs::path& folder) {
    const std::wstring prefix = L"Brenlow.exe", suffix = L".dmp";
    std::vector<std::pair<fs::path, std::wstring>> dumps;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        std::wstring name = entry.path().filename().wstring();
        if (name.size() <= prefix.size() + suffix.size() || !name.starts_with(prefix) ||
            !name.ends_with(suffix))
            continue;
        std::wstring number = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
        if (std::all_of(number.begin(), number.end(), [](wchar_t c) { return std::iswdigit(c); }))
            dumps.emplace_back(entry.path(), number);
    }
    return dumps;
}

// Wine takes its own dbghelp.dll before any file of that name. While this lives, it looks for Brenlow.exe's
// dbghelp.dll as Windows does: in the program's folder before the system folder.
class DbghelpSearchedAsOnWindows {
public:
    DbghelpSearchedAsOnWindows() {
        RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\Brenlow.exe\\DllOverrides", 0,
                        nullptr, 0, KEY_SET_VALUE, nullptr, &key_, nullptr);
        const wchar_t order[] = L"native,builtin";
        RegSetValueExW(key_, L"dbghelp", 0, REG_SZ, reinterpret_cast<const BYTE*>(order), sizeof order);
    }
    ~DbghelpSearchedAsOnWindows() {
        RegDeleteValueW(key_, L"dbghelp");
        RegCloseKey(key_);
    }

private:
    HKEY key_ = nullptr;
};

// One way the stand-in launcher crashes the program, and what its dump shows.
struct LauncherCrash {
    const char* mode; // the crash trigger file's content
    DWORD exceptionCode;
    bool onUserInterfaceThread; // otherwise on a thread of its own
    // Whether the user-interface thread goes on while "Fatal Error" shows: not when it is the failing one,
    // nor when it waits for the heap's lock, which the failing thread holds to the end.
    bool windowGoesOn;
    const char* function; // the failing function, which reading the dump must name
};

class LauncherCrashTest : public BrenlowTest, public ::testing::WithParamInterface<LauncherCrash> {
protected:
    // How many calls the launcher has received since it crashed the program.
    size_t CallsAfterCrash() const {
        std::string calls = ReadFileBytes(programFolder / kCallsAfterCrashFile);
        return std::count(calls.begin(), calls.end(), '\n');
    }

    // While "Fatal Error" shows, the user-interface thread still runs: its timers fire, the user can start
    // a server and close the window. None of that may reach the launcher, nor end the process.
    void UseTheDyingWindow() {
        AddCluster(L"Late"); // offered from the next drop-down: a start would reach the launcher
        Ask(combo, CB_SHOWDROPDOWN, TRUE, 0);
        Ask(combo, CB_SHOWDROPDOWN, FALSE, 0);
        EXPECT_EQ(ComboEntries(combo), std::vector<std::wstring>{L"Late"}) << "the window still works";
        EXPECT_EQ(Ask(mainWindow, WM_TIMER, kSweepTimer, 0), 0);
        EXPECT_EQ(Ask(mainWindow, WM_TIMER, kCallbacksTimer, 0), 0);
        EXPECT_EQ(Ask(GetDlgItem(mainWindow, kStartButton), BM_CLICK, 0, 0), 0)
            << "no notice, nothing started";
        Ask(mainWindow, WM_CLOSE, 0, 0);
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(mainWindow); }, kPatience)) << "the window closes";
    }
};

TEST_P(LauncherCrashTest, LeavesOneDumpTheLogAndFatalErrorAndTheLauncherIsCalledNoMore) {
    const LauncherCrash& crash = GetParam();
    Install(true);
    CopyProgram(L"release\\Brenlow.exe", programFolder, L"Brenlow.exe");
    CopyProgram(L"planted\\dbghelp.dll", programFolder, L"dbghelp.dll");
    DbghelpSearchedAsOnWindows plantedDllReachable;
    WriteFileBytes(programFolder / kCrashTriggerFile, crash.mode); // the library looks for it once
    // No debugger: the program's own filter must run. Without configurations, start-up logs "not found".
    ASSERT_TRUE(StartBrenlow(BrenlowRun::Mode::Plain));

    HWND box = nullptr;
    WaitFor(
        [&] {
            box = FindFatalErrorBox(run->ProcessId());
            return box || !run->IsRunning();
        },
        kDumpPatience);
    ASSERT_TRUE(box) << "no \"Fatal Error\" message; exit code " << std::hex << run->ExitCode();
    EXPECT_FALSE(fs::exists(programFolder / kPlantedDllLoadedFile)) << "a dbghelp.dll beside the program ran";

    // Written before the message: exactly one dump, named after the failing thread.
    std::vector<std::pair<fs::path, std::wstring>> dumps = DumpsIn(programFolder);
    ASSERT_EQ(dumps.size(), 1u);
    EXPECT_EQ(dumps[0].second == std::to_wstring(run->MainThreadId()), crash.onUserInterfaceThread);
    DumpFacts exception = ReadDump(dumps[0].first);
    ASSERT_TRUE(exception.readable) << "no exception stream in " << Utf8(dumps[0].first.wstring());
    EXPECT_EQ(std::to_wstring(exception.threadId), dumps[0].second);
    EXPECT_EQ(exception.exceptionCode, crash.exceptionCode);
    KeepDumpForReading(dumps[0].first, FromUtf8(crash.mode),
                       {L"Brenlow.exe", crash.exceptionCode, crash.function});

    std::string log = ReadFileBytes(programFolder / L"log" / L"Quillane.txt");
    EXPECT_NE(log.find(std::string("][4]") + kLogFolderNotFound + "\r\n"), std::string::npos)
        << "lines logged before the crash must reach the file";

    // A crash on another thread is claimed a moment after the library made it, and a call in that moment
    // is the program's right; from the message on, none may come.
    const size_t callsBefore = CallsAfterCrash();
    if (crash.onUserInterfaceThread) {
        EXPECT_EQ(callsBefore, 0u) << "the launcher was called while the program died";
    }
    if (crash.windowGoesOn)
        UseTheDyingWindow();
    EXPECT_TRUE(run->IsRunning() && IsWindowVisible(box)) << "the message waits for its answer";

    HWND button = FindWindowExW(box, nullptr, L"Button", nullptr);
    ASSERT_TRUE(button);
    PostMessageW(button, BM_CLICK, 0, 0);
    EXPECT_TRUE(run->WaitForExit()) << "the program ends after the message";
    EXPECT_EQ(run->ExitCode(), crash.exceptionCode) << "the program ends with the exception's code";
    EXPECT_EQ(CallsAfterCrash(), callsBefore) << "the launcher was called while the program died";
}

INSTANTIATE_TEST_SUITE_P(StandInLauncher, LauncherCrashTest,
                         ::testing::Values(LauncherCrash{kCrashOnOwnThread, 0xC0000005, false, true,
                                                         "WriteThroughNull"},
                                           LauncherCrash{kCrashHoldingHeapLock, 0xC0000005, false, false,
                                                         "WriteThroughNullHoldingHeapLock"},
                                           LauncherCrash{kCrashWithForeignException, 0xE06D7363, true, false,
                                                         "ThrowAsAnotherCompiler"}),
                         [](const ::testing::TestParamInfo<LauncherCrash>& info) {
                             std::string name = info.param.mode;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

} // namespace

// Whether `window` lies above `other` on the screen.
bool IsInFrontOf(HWND window, HWND other) {
    for (HWND above = GetWindow(other, GW_HWNDPREV); above; above = GetWindow(above, GW_HWNDPREV))
        if (above == window)
            return true;
    return false;
}

// A dying Brenlow ends no server and leaves the record as it is: closing its window asks nothing. It has
// let go of its claim on the session, so a new one starts as usual and finds the servers; the message
// stays in front of the new one's window until it is answered.
TEST_F(BrenlowTest, WhileOneShowsFatalErrorItsServersRunOnForANewOneAndTheMessageStaysInFront) {
    const std::wstring alpha = L"Alpha", beta = L"Beta";
    ASSERT_NO_FATAL_FAILURE(StartWithServers({alpha, beta}));
    HANDLE alphaServer = ServerOf(alpha), betaServer = ServerOf(beta);
    std::unique_ptr<BrenlowRun> ended = std::move(run); // its job keeps the servers until the test ends
    ASSERT_TRUE(TerminateProcess(ended->Process(), 1));
    ASSERT_TRUE(ended->WaitForExit());

    WriteFileBytes(programFolder / kCrashTriggerFile, kCrashOnOwnThread);
    ASSERT_TRUE(StartBrenlow(BrenlowRun::Mode::Plain));
    ASSERT_TRUE(WaitForRowCount(2)) << "the dying one took the servers back";
    std::unique_ptr<BrenlowRun> dying = std::move(run);
    HWND box = nullptr;
    WaitFor([&] { return (box = FindFatalErrorBox(dying->ProcessId())) || !dying->IsRunning(); },
            kDumpPatience);
    ASSERT_TRUE(box) << "no \"Fatal Error\" message; exit code " << std::hex << dying->ExitCode();
    fs::remove(programFolder / kCrashTriggerFile); // the next one runs as usual

    const fs::path recordFile = programFolder / ServerRecordFileNameOfThisSession();
    const std::string record = ReadFileBytes(recordFile);
    PostMessageW(mainWindow, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(mainWindow); }, kPatience)) << "closed without a question";
    EXPECT_TRUE(IsRunning(alphaServer) && IsRunning(betaServer)) << "the dying one ended a server";
    EXPECT_EQ(ReadFileBytes(recordFile), record) << "the dying one changed the record";

    ASSERT_TRUE(StartBrenlow(BrenlowRun::Mode::Plain)) << "held back by the one that shows Fatal Error";
    EXPECT_EQ(Names(), (std::vector<std::wstring>{alpha, beta}));
    EXPECT_TRUE(WaitFor([&] { return IsInFrontOf(box, mainWindow); }, std::chrono::seconds(2)))
        << "the message went behind the new Brenlow";
    EXPECT_TRUE(dying->IsRunning() && IsWindowVisible(box)) << "the message still waits for its answer";
    CloseAnyway();
    EXPECT_EQ(WaitForSingleObject(alphaServer, 10000), WAIT_OBJECT_0) << "stopped by the new one";

    PostMessageW(FindWindowExW(box, nullptr, L"Button", nullptr), BM_CLICK, 0, 0);
    EXPECT_TRUE(dying->WaitForExit());
    EXPECT_EQ(dying->ExitCode(), 0xC0000005u) << "the dying one ends with the exception's code";
}

// The library's own start-up (its factory) crashes, before the window or the log exist: the same dump,
// message and end.
TEST_F(BrenlowTest, ACrashWhileTheLauncherLibraryIsBoundIsHandledLikeAnyOther) {
    Install(true);
    WriteFileBytes(programFolder / kCrashTriggerFile, kCrashInFactory);
    BrenlowRun dying(program, BrenlowRun::Mode::Plain);
    ASSERT_TRUE(dying.Started());
    HWND box = nullptr;
    WaitFor([&] { return (box = FindFatalErrorBox(dying.ProcessId())) || !dying.IsRunning(); },
            kDumpPatience);
    ASSERT_TRUE(box) << "no \"Fatal Error\" message; exit code " << std::hex << dying.ExitCode();
    std::vector<std::pair<fs::path, std::wstring>> dumps = DumpsIn(programFolder);
    ASSERT_EQ(dumps.size(), 1u);
    EXPECT_EQ(dumps[0].second, std::to_wstring(dying.MainThreadId()));
    EXPECT_EQ(ReadDump(dumps[0].first).exceptionCode, 0xC0000005u);

    PostMessageW(FindWindowExW(box, nullptr, L"Button", nullptr), BM_CLICK, 0, 0);
    EXPECT_TRUE(dying.WaitForExit());
    EXPECT_EQ(dying.ExitCode(), 0xC0000005u);
}
