#pragma once
// The fixture of the whole-program tests: Brenlow.exe in a folder of its own, a Documents folder of the
// test's making, and the program's windows and servers seen from outside.
#include "BrenlowRun.h"
#include "DocumentsFolder.h"
#include "TestSupport.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace e2e {

inline constexpr wchar_t kNoticeCaption[] = L"温馨提示";
inline constexpr wchar_t kCloseConfirmation[] = L"启动器关闭后，专用服务器也会被关闭，确认关闭吗？";
inline constexpr wchar_t kForceCloseWarning[] = L"强制关闭专用服务器可能会导致部分存档丢失，建议您手动关闭";
inline constexpr int kStartButton = 1000;
inline constexpr int kConfigCombo = 1003;
inline constexpr int kServerList = 1005;
inline constexpr int kNoticeText = 1010;
inline constexpr int kFirstRowButton = 10001;

// A notice window and the text it showed.
struct Notice {
    HWND window = nullptr;
    std::wstring text;
};

class BrenlowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Copies Brenlow.exe, and with `withLauncher` the launcher library and the server (the build
    // `serverProgram`, under the server's name), into the program folder.
    void Install(bool withLauncher,
                 const wchar_t* serverProgram = L"moorwake_dedicated_server_nullrenderer.exe");
    // A configuration folder with its marker file.
    void AddCluster(const std::wstring& name);

    // Starts the installed program and waits for its main window; fails the test without one.
    bool StartBrenlow(BrenlowRun::Mode mode);
    // Installs the program with the stand-ins, starts it and then a server for each of `names`, in turn.
    void StartWithServers(const std::vector<std::wstring>& names);

    // The next notice of the program; fails the test and returns a null window when none opens.
    Notice WaitForNotice();
    // Presses a button of a notice and waits until the notice has gone.
    void Answer(const Notice& notice, int button);
    // Brings up the force-close warning with `ask` (a click or a key) and answers "取消", which leaves
    // `server` running, then again and answers "仍然关闭", which terminates it.
    void CancelThenForceClose(const std::function<bool()>& ask, HANDLE server);

    // Closes the program with servers running: asked whether to close anyway, the user says "仍然关闭";
    // the program ends.
    void CloseAnyway();

    // Picks `name` in the combo box and presses "启动", as the user does.
    void PressStartFor(const std::wstring& name);
    bool WaitForRowCount(int rows);
    std::vector<std::wstring> Names() const; // column 0 of every row

    // The server process started for `name`, known from the record the server wrote; null when no
    // such server appears in time.
    HANDLE ServerOf(const std::wstring& name);
    size_t ServersSeen();
    // Asks the server of `name` to exit by itself, as a server does when its game ends.
    void EndServerByItself(const std::wstring& name);

    testsupport::TempFolder root;
    const std::filesystem::path programFolder = root / L"Brenlow 程序"; // blank and Chinese on purpose
    const std::filesystem::path program = programFolder / L"Brenlow.exe";
    const std::filesystem::path documents = root / L"Documents";
    const std::filesystem::path clusterRoot = documents / L"Vornak" / L"MoorwakeTarn";
    testsupport::ScopedDocumentsFolder documentsSetting{documents};

    std::unique_ptr<BrenlowRun> run;
    HWND mainWindow = nullptr;
    HWND combo = nullptr;
    HWND list = nullptr;

private:
    void TrackServers();

    std::map<std::wstring, HANDLE> servers_; // by cluster name
    std::set<DWORD> recordsRead_;            // process ids of the records read
};

// Whether a process handle's process is still running, and its exit code once it has ended.
bool IsRunning(HANDLE process);
DWORD ExitCodeOf(HANDLE process);

} // namespace e2e
