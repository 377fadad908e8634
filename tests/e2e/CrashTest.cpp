// A crash on purpose inside the running program: the dump it leaves and the "Fatal Error" it shows.
#include "BrenlowTest.h"
#include "CrashDumps.h"
#include "ForeignWindows.h"

#include "launcher/CrashOnDemand.h"

#include <algorithm>
#include <cwctype>

namespace fs = std::filesystem;
using namespace e2e;
using namespace testsupport;

namespace {

constexpr DWORD kAccessViolation = 0xC0000005;
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

} // namespace

TEST_F(BrenlowTest, ACrashOnAnotherThreadLeavesADumpBesideTheProgramAndEndsWithFatalError) {
    Install(true);
    WriteFileBytes(programFolder / kCrashOnCallbacksFile, ""); // the library looks for it once
    ASSERT_TRUE(StartBrenlow(BrenlowRun::Mode::Plain)); // no debugger: the program's own filter must run

    HWND box = nullptr;
    WaitFor(
        [&] {
            box = FindFatalErrorBox(run->ProcessId());
            return box || !run->IsRunning();
        },
        kDumpPatience);
    ASSERT_TRUE(box) << "no \"Fatal Error\" message; exit code " << std::hex << run->ExitCode();
    EXPECT_TRUE(run->IsRunning()) << "the message waits for its answer";

    // Written before the message: exactly one dump, named after the failing thread, which is not the
    // user-interface thread that runs the callbacks.
    std::vector<std::pair<fs::path, std::wstring>> dumps = DumpsIn(programFolder);
    ASSERT_EQ(dumps.size(), 1u);
    EXPECT_NE(dumps[0].second, std::to_wstring(run->MainThreadId()));
    DumpFacts exception = ReadDump(dumps[0].first);
    ASSERT_TRUE(exception.readable) << "no exception stream in " << Utf8(dumps[0].first.wstring());
    EXPECT_EQ(std::to_wstring(exception.threadId), dumps[0].second);
    EXPECT_EQ(exception.exceptionCode, kAccessViolation);

    HWND button = FindWindowExW(box, nullptr, L"Button", nullptr);
    ASSERT_TRUE(button);
    PostMessageW(button, BM_CLICK, 0, 0);
    EXPECT_TRUE(run->WaitForExit()) << "the program ends after the message";
}
