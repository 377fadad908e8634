// The binding to the launcher library, seen from a probe program copied into a folder of the test's
// making, with the real library, a variant of it, or nothing beside it.
#include "server/LogMessages.h"
#include "server/ServerNames.h"

#include "TestSupport.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

namespace fs = std::filesystem;
using namespace testsupport;

namespace {

// 启动专有服务器失败,请重试, in UTF-8 as the probe reports it.
constexpr char kLaunchFailedUtf8[] =
    "\xE5\x90\xAF\xE5\x8A\xA8\xE4\xB8\x93\xE6\x9C\x89\xE6\x9C\x8D\xE5\x8A\xA1"
    "\xE5\x99\xA8\xE5\xA4\xB1\xE8\xB4\xA5,\xE8\xAF\xB7\xE9\x87\x8D\xE8\xAF\x95";

class LauncherBindingTest : public ::testing::Test {
protected:
    TempFolder folder;
    fs::path probe = CopyProgram(L"server_probe.exe", folder.path());

    // Puts `library` (a file of the build folder) beside the probe under the launcher's name.
    void InstallLauncher(const std::wstring& library) {
        CopyProgram(library, folder.path(), kLauncherLibraryName);
    }

    DebuggedRun Run(const std::wstring& operations) {
        DebuggedRun run = RunUnderDebugger(probe, operations);
        EXPECT_EQ(run.exitCode, 0u);
        return run;
    }
    static std::vector<std::string> Reports(const DebuggedRun& run) {
        std::vector<std::string> reports;
        for (const std::string& text : run.debugStrings) {
            if (text.rfind("probe: ", 0) == 0)
                reports.push_back(text.substr(7, text.size() - 8)); // without the "\n"
        }
        return reports;
    }
    static std::vector<std::string> LogMessages(const DebuggedRun& run) {
        std::vector<std::string> messages;
        for (const std::string& text : run.debugStrings) {
            if (text.rfind("Quillane.[", 0) == 0)
                messages.push_back(text.substr(text.find("][4]") + 4, text.size() - text.find("][4]") - 5));
        }
        return messages;
    }
    static size_t Count(const DebuggedRun& run, const std::string& text) {
        return static_cast<size_t>(std::count(run.debugStrings.begin(), run.debugStrings.end(), text));
    }
    std::string ExpectedServerPath() const {
        return Utf8(folder.path().wstring()) + "//" + Utf8(kServerExecutableName);
    }
};

TEST_F(LauncherBindingTest, WithoutALibraryTheHelperIsNullAndOneLineIsLogged) {
    DebuggedRun run = Run(L"instance start:Cluster_1");
    EXPECT_EQ(Reports(run), (std::vector<std::string>{"helper 0", "exe " + ExpectedServerPath(),
                                                      "start 0 servers=0 error=<untouched>"}));
    EXPECT_EQ(LogMessages(run), std::vector<std::string>{kLogLauncherNotLoaded});
}

TEST_F(LauncherBindingTest, ALibraryWithoutAUsableFactoryLeavesTheHelperNullSilently) {
    for (const wchar_t* variant : {L"launcher_no_factory.dll", L"launcher_null_factory.dll"}) {
        TempFolder other;
        probe = CopyProgram(L"server_probe.exe", other.path());
        CopyProgram(variant, other.path(), kLauncherLibraryName);
        DebuggedRun run = Run(L"instance start:Cluster_1 shutdown");
        EXPECT_EQ(Reports(run),
                  (std::vector<std::string>{
                      "helper 0", "exe " + Utf8(other.path().wstring()) + "//" + Utf8(kServerExecutableName),
                      "start 0 servers=0 error=<untouched>"}))
            << Utf8(variant);
        EXPECT_TRUE(LogMessages(run).empty()) << Utf8(variant);
    }
}

TEST_F(LauncherBindingTest, ShutdownReachesTheLibraryAfterTheDialogAndAgainAtExit) {
    InstallLauncher(L"tarn_launcher.dll");
    DebuggedRun run = Run(L"instance shutdown");
    EXPECT_EQ(Reports(run), (std::vector<std::string>{"helper 1", "exe " + ExpectedServerPath()}));
    EXPECT_EQ(Count(run, "tarn_launcher: Shutdown\n"), 2u);
    EXPECT_TRUE(LogMessages(run).empty());
}

TEST_F(LauncherBindingTest, AFailedLaunchLeavesTheMessageAndNoRecord) {
    InstallLauncher(L"tarn_launcher.dll"); // but no server executable beside it
    DebuggedRun run = Run(L"start:Cluster_1");
    EXPECT_EQ(Reports(run),
              std::vector<std::string>{std::string("start 0 servers=0 error=") + kLaunchFailedUtf8});
    EXPECT_TRUE(LogMessages(run).empty());
}

TEST_F(LauncherBindingTest, TheLibraryIsLoadedOnceAndALoadAfterAFailureTriesAgain) {
    std::wstring prefix = L"brenlow-binding-test-" + std::to_wstring(GetCurrentProcessId());
    HANDLE firstLoadDone = CreateEventW(nullptr, TRUE, FALSE, (prefix + L"-loaded").c_str());
    HANDLE libraryInstalled = CreateEventW(nullptr, TRUE, FALSE, (prefix + L"-installed").c_str());
    ASSERT_TRUE(firstLoadDone && libraryInstalled);
    // The probe's first load finds no library; the library appears before its second.
    std::thread installer([&] {
        if (WaitForSingleObject(firstLoadDone, 60000) == WAIT_OBJECT_0)
            InstallLauncher(L"tarn_launcher.dll");
        SetEvent(libraryInstalled);
    });
    DebuggedRun run =
        Run(L"load signal:" + prefix + L"-loaded wait:" + prefix + L"-installed load load free");
    SetEvent(firstLoadDone); // frees the installer even when the probe never got that far
    installer.join();
    CloseHandle(firstLoadDone);
    CloseHandle(libraryInstalled);
    // After one release the library is gone, so it was loaded exactly once.
    EXPECT_EQ(Reports(run), (std::vector<std::string>{"load 0", "load 1", "load 1", "loaded-after-free 0"}));
}

TEST_F(LauncherBindingTest, AConstructionThatThrowsIsTriedAgainOnTheNextCall) {
    InstallLauncher(L"tarn_launcher.dll");
    DebuggedRun run = Run(L"instance-after-failed-allocation");
    EXPECT_EQ(Reports(run),
              (std::vector<std::string>{"instance threw", "helper 1", "exe " + ExpectedServerPath()}));
    EXPECT_EQ(Count(run, "tarn_launcher: Shutdown\n"), 1u) << "only the finished instance shuts down";
}

} // namespace
