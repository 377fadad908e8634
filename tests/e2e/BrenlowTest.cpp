#include "BrenlowTest.h"

#include "ForeignWindows.h"

#include "devserver/DevServerProtocol.h"

#include <algorithm>
#include <sstream>

namespace fs = std::filesystem;
using namespace testsupport;

namespace e2e {

bool IsRunning(HANDLE process) {
    return process && WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
}

DWORD ExitCodeOf(HANDLE process) {
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process, &code);
    return code;
}

void BrenlowTest::SetUp() {
    fs::create_directories(programFolder);
    fs::create_directories(documents);
}

void BrenlowTest::TearDown() {
    run.reset(); // ends the program and its servers, whatever state the test left them in
    for (auto& [name, process] : servers_) {
        if (IsRunning(process))
            TerminateProcess(process, 0xDEAD);
        WaitForSingleObject(process, 10000);
        CloseHandle(process);
    }
}

void BrenlowTest::Install(bool withLauncher, const wchar_t* serverProgram) {
    CopyProgram(L"Brenlow.exe", programFolder);
    if (withLauncher) {
        CopyProgram(L"tarn_launcher.dll", programFolder);
        CopyProgram(serverProgram, programFolder, L"moorwake_dedicated_server_nullrenderer.exe");
    }
}

void BrenlowTest::AddCluster(const std::wstring& name) {
    fs::create_directories(clusterRoot / name);
    WriteFileBytes(clusterRoot / name / L"cluster_token.txt", "token");
}

bool BrenlowTest::StartBrenlow(BrenlowRun::Mode mode) {
    run = std::make_unique<BrenlowRun>(program, mode);
    if (!run->Started())
        return false;
    WaitFor(
        [&] { return (mainWindow = FindVisibleWindow(run->ProcessId(), L"Brenlow")) || !run->IsRunning(); },
        kPatience);
    if (!mainWindow) {
        ADD_FAILURE() << "no main window; exit code " << std::hex << run->ExitCode();
        return false;
    }
    combo = GetDlgItem(mainWindow, kConfigCombo);
    list = GetDlgItem(mainWindow, kServerList);
    EXPECT_TRUE(combo && list && GetDlgItem(mainWindow, kStartButton)) << "the main window's controls";
    return combo && list;
}

void BrenlowTest::StartWithServers(const std::vector<std::wstring>& names) {
    Install(true);
    for (const std::wstring& name : names)
        AddCluster(name);
    ASSERT_TRUE(StartBrenlow(BrenlowRun::Mode::Plain));
    for (size_t i = 0; i < names.size(); ++i) {
        PressStartFor(names[i]);
        ASSERT_TRUE(WaitForRowCount(static_cast<int>(i) + 1)) << "start of " << Utf8(names[i]);
    }
}

Notice BrenlowTest::WaitForNotice() {
    Notice notice;
    WaitFor([&] { return (notice.window = FindVisibleWindow(run->ProcessId(), kNoticeCaption)) != nullptr; },
            kPatience);
    if (!notice.window)
        ADD_FAILURE() << "no notice opened";
    else
        notice.text = WindowText(GetDlgItem(notice.window, kNoticeText));
    return notice;
}

void BrenlowTest::Answer(const Notice& notice, int button) {
    ASSERT_TRUE(Click(notice.window, button)) << "the notice has no button " << button;
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(notice.window); }, kPatience)) << "the notice stays open";
}

void BrenlowTest::CloseAnyway() {
    ASSERT_TRUE(PostMessageW(mainWindow, WM_SYSCOMMAND, SC_CLOSE, 0));
    Notice question = WaitForNotice();
    EXPECT_EQ(question.text, kCloseConfirmation);
    ASSERT_TRUE(Click(question.window, IDOK));
    EXPECT_TRUE(run->WaitForExit());
}

void BrenlowTest::CancelThenForceClose(const std::function<bool()>& ask, HANDLE server) {
    auto warnAndAnswer = [&](int button) {
        ASSERT_TRUE(ask());
        Notice warning = WaitForNotice();
        EXPECT_EQ(warning.text, kForceCloseWarning);
        Answer(warning, button);
    };
    warnAndAnswer(IDCANCEL);
    ASSERT_TRUE(WaitUntilIdle(mainWindow));
    EXPECT_TRUE(IsRunning(server)) << "a cancelled force-close changes nothing";
    warnAndAnswer(IDOK);
    ASSERT_EQ(WaitForSingleObject(server, 10000), WAIT_OBJECT_0) << "the force-closed server still runs";
    EXPECT_EQ(ExitCodeOf(server), 0u);
}

void BrenlowTest::PressStartFor(const std::wstring& name) {
    std::vector<std::wstring> entries = ComboEntries(combo);
    auto entry = std::find(entries.begin(), entries.end(), name);
    ASSERT_NE(entry, entries.end()) << Utf8(name) << " is not offered";
    SendMessageW(combo, CB_SETCURSEL, entry - entries.begin(), 0);
    ASSERT_TRUE(Click(mainWindow, kStartButton));
}

bool BrenlowTest::WaitForRowCount(int rows) {
    return WaitFor([&] { return RowCount(list) == rows; }, kPatience);
}

std::vector<std::wstring> BrenlowTest::Names() const {
    return ColumnTexts(run->Process(), list, 0);
}

void BrenlowTest::TrackServers() {
    for (const fs::directory_entry& entry : fs::directory_iterator(programFolder)) {
        unsigned long processId = 0;
        if (swscanf(entry.path().filename().c_str(), L"devserver-%lu.txt", &processId) != 1 ||
            entry.path().extension() != L".txt" || recordsRead_.count(processId))
            continue;
        // Just after the server's rename the file may still be held by it and refuse to open for a moment:
        // it is read at a later call.
        const std::string record = ReadFileBytes(entry.path());
        if (record.empty())
            continue;
        recordsRead_.insert(processId);
        HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
        std::wstring name = DevServerRecordLastArgument(record);
        if (!process)
            ADD_FAILURE() << "the server of " << Utf8(name) << " is gone before it could be watched";
        else if (!servers_.emplace(name, process).second)
            CloseHandle(process);
    }
}

HANDLE BrenlowTest::ServerOf(const std::wstring& name) {
    WaitFor(
        [&] {
            TrackServers();
            return servers_.count(name) != 0;
        },
        kPatience);
    auto server = servers_.find(name);
    if (server == servers_.end()) {
        ADD_FAILURE() << "no server started for " << Utf8(name);
        return nullptr;
    }
    return server->second;
}

size_t BrenlowTest::ServersSeen() {
    TrackServers();
    return recordsRead_.size();
}

void BrenlowTest::EndServerByItself(const std::wstring& name) {
    HANDLE server = ServerOf(name);
    ASSERT_TRUE(server);
    HANDLE exitEvent =
        OpenEventW(EVENT_MODIFY_STATE, FALSE, DevServerExitEventName(GetProcessId(server)).c_str());
    ASSERT_TRUE(exitEvent) << "the server of " << Utf8(name) << " has no exit event";
    SetEvent(exitEvent);
    CloseHandle(exitEvent);
}

} // namespace e2e
