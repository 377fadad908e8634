// A crash on purpose inside the running program, as shipped (stripped): the dump it leaves, the log lines
// it keeps and the "Fatal Error" it shows. The dump is kept for the read_dump test.
#include "BrenlowTest.h"
#include "CrashDumps.h"
#include "ForeignWindows.h"
#include "PlantedDll.h"

#include "server/LogMessages.h"
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

// Where the read_dump test finds the dump: bin\e2e-crash, under the dump's own name.
void KeepForReading(const fs::path& dump) {
    fs::path kept = ExecutableFolder() / L"e2e-crash";
    fs::remove_all(kept);
    fs::create_directories(kept);
    fs::copy_file(dump, kept / dump.filename());
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

} // namespace

TEST_F(BrenlowTest, ACrashOnAnotherThreadLeavesADumpBesideTheProgramAndEndsWithFatalError) {
    Install(true);
    CopyProgram(L"release\\Brenlow.exe", programFolder, L"Brenlow.exe");
    CopyProgram(L"planted\\dbghelp.dll", programFolder, L"dbghelp.dll");
    DbghelpSearchedAsOnWindows plantedDllReachable;
    WriteFileBytes(programFolder / kCrashOnCallbacksFile, ""); // the library looks for it once
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
    EXPECT_TRUE(run->IsRunning()) << "the message waits for its answer";
    EXPECT_FALSE(fs::exists(programFolder / kPlantedDllLoadedFile)) << "a dbghelp.dll beside the program ran";

    // Written before the message: exactly one dump, named after the failing thread, which is not the
    // user-interface thread that runs the callbacks.
    std::vector<std::pair<fs::path, std::wstring>> dumps = DumpsIn(programFolder);
    ASSERT_EQ(dumps.size(), 1u);
    EXPECT_NE(dumps[0].second, std::to_wstring(run->MainThreadId()));
    DumpFacts exception = ReadDump(dumps[0].first);
    ASSERT_TRUE(exception.readable) << "no exception stream in " << Utf8(dumps[0].first.wstring());
    EXPECT_EQ(std::to_wstring(exception.threadId), dumps[0].second);
    EXPECT_EQ(exception.exceptionCode, kAccessViolation);
    KeepForReading(dumps[0].first);

    std::string log = ReadFileBytes(programFolder / L"log" / L"Quillane.txt");
    EXPECT_NE(log.find(std::string("][4]") + kLogFolderNotFound + "\r\n"), std::string::npos)
        << "lines logged before the crash must reach the file";

    HWND button = FindWindowExW(box, nullptr, L"Button", nullptr);
    ASSERT_TRUE(button);
    PostMessageW(button, BM_CLICK, 0, 0);
    EXPECT_TRUE(run->WaitForExit()) << "the program ends after the message";
}
