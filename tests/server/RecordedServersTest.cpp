// The running servers kept in a file across runs: what is written when the map changes, what a later run
// takes back, and what it does with records that name no server or cannot be read.
#include "devserver/DevServerProtocol.h"
#include "server/LogMessages.h"
#include "server/ServerNames.h"
#include "server/ServerRecordFile.h"
#include "server/TarnLauncherWrapper.h"

#include "DebugOutputCapture.h"
#include "ServerTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace fs = std::filesystem;
using namespace testsupport;
using namespace servertest;

namespace {

using Records = std::vector<ServerRecord>;

class RecordedServersTest : public RunningServersTest {
protected:
    void TearDown() override {
        wrapper.ForgetRecordedServers();
        RunningServersTest::TearDown();
    }

    // The record of a started server, as the wrapper writes it.
    ServerRecord RecordOf(const std::wstring& name) const {
        ServerProcessInfo info = wrapper.RunningServers.at(name);
        return {name, info, TarnLauncherWrapper::GetProcessCreationTime(info.ProcessId)};
    }
    Records FileRecords() const {
        Records records;
        EXPECT_EQ(ReadServerRecords(file, records), ServerRecordReading::Whole);
        return records;
    }
    // What a run that starts now finds: the map taken back from the file.
    std::map<std::wstring, ServerProcessInfo> AdoptAsANewRun() {
        wrapper.RunningServers.clear();
        wrapper.AdoptRecordedServers(file.wstring());
        return wrapper.RunningServers;
    }
    // Log lines written so far that hold `message`.
    size_t LogLines(const char* message = "") const {
        return std::count_if(
            debugOutput.texts().begin(), debugOutput.texts().end(), [&](const std::string& text) {
                return text.starts_with("Quillane.") && text.find(message) != std::string::npos;
            });
    }

    TempFolder records;
    fs::path file = records / ServerRecordFileNameOfThisSession();
    DebugOutputCapture debugOutput;
};

TEST(ServerRecordFile, KeepsEveryNameAndNumberExactly) {
    TempFolder folder;
    const std::wstring path = (folder / L"records.txt").wstring();
    const Records written = {
        {std::wstring(2000, L'x') + L"\u00E9", {UINT32_MAX, 0}, UINT64_MAX},
        {L"\u4E2D\u6587 \u96C6\u7FA4", {1, 2}, 133500000000000000u},
        {L"  blanks  at both ends ", {0, UINT32_MAX}, 0},
        {L"", {7, 8}, 9},
    };
    ASSERT_TRUE(WriteServerRecords(path, written));
    Records read;
    EXPECT_EQ(ReadServerRecords(path, read), ServerRecordReading::Whole);
    EXPECT_EQ(read, written);

    EXPECT_TRUE(WriteServerRecords(path, {})) << "no records, no file";
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(ReadServerRecords(path, read), ServerRecordReading::NoFile);
    EXPECT_TRUE(read.empty());
}

// The old file stays whole when its replacement cannot take its place; a whole replacement stays beside it
// and is what the next reading takes, until a write can replace the old file; no part of one is left.
TEST(ServerRecordFile, AWriteThatFailsLeavesTheOldFileAsItWasAndTheNewerBesideIt) {
    TempFolder folder;
    const fs::path path = folder / L"records.txt";
    const Records old = {{L"Old", {1, 2}, 3}}, newer = {{L"New", {4, 5}, 6}};
    ASSERT_TRUE(WriteServerRecords(path.wstring(), old));
    const std::string oldBytes = ReadFileBytes(path);
    Records read;

    // The old file open elsewhere without leave to delete it: the new one is made but cannot replace it.
    HANDLE reader =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(WriteServerRecords(path.wstring(), newer));
    EXPECT_EQ(ReadFileBytes(path), oldBytes);
    EXPECT_EQ(ReadServerRecords(path.wstring(), read), ServerRecordReading::Whole);
    EXPECT_EQ(read, newer) << "the newer records were lost";
    CloseHandle(reader);
    ASSERT_TRUE(WriteServerRecords(path.wstring(), newer));
    EXPECT_FALSE(fs::exists(path.wstring() + L".new"));

    // A replacement cut short is no record: the file itself is read.
    ASSERT_TRUE(WriteServerRecords(path.wstring(), old));
    WriteFileBytes(path.wstring() + L".new", ReadFileBytes(path).substr(0, 20));
    EXPECT_EQ(ReadServerRecords(path.wstring(), read), ServerRecordReading::Whole);
    EXPECT_EQ(read, old);

    // The new one cannot even be made.
    fs::remove(path.wstring() + L".new");
    fs::create_directories(path.wstring() + L".new");
    EXPECT_FALSE(WriteServerRecords(path.wstring(), newer));
    EXPECT_EQ(ReadFileBytes(path), oldBytes);
}

TEST_F(RecordedServersTest, EveryChangeOfTheMapIsWrittenAndTheNextRunTakesBackWhatStillRuns) {
    wrapper.AdoptRecordedServers(file.wstring());
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(LogLines(), 0u) << "no file is the normal case";

    uint32_t beta = Start(L"Beta \u4E2D\u6587");
    uint32_t alpha = Start(L"Alpha");
    ASSERT_TRUE(alpha && beta);
    EXPECT_EQ(FileRecords(), (Records{RecordOf(L"Alpha"), RecordOf(L"Beta \u4E2D\u6587")}));

    ASSERT_TRUE(SignalDevServerExit(alpha));
    ASSERT_EQ(processes.WaitForExit(alpha), kDevServerOwnExitCode);
    ASSERT_EQ(wrapper.CollectStoppedServers().size(), 1u);
    const Records left = {RecordOf(L"Beta \u4E2D\u6587")};
    EXPECT_EQ(FileRecords(), left);

    const std::string written = ReadFileBytes(file);
    EXPECT_EQ(AdoptAsANewRun(), (std::map<std::wstring, ServerProcessInfo>{{left[0].name, left[0].info}}));
    EXPECT_EQ(ReadFileBytes(file), written) << "nothing dropped, nothing rewritten";
    wrapper.StopServer(left[0].name);
    EXPECT_EQ(processes.WaitForExit(beta), 0u) << "taken back, it is stopped like any other";

    wrapper.ForgetRecordedServers();
    EXPECT_FALSE(fs::exists(file)) << "a clean close leaves no record";
    EXPECT_EQ(LogLines(), 0u);
}

// Dropped without a word: the process has ended, or its identifier is another program's, or another
// server process has it since.
TEST_F(RecordedServersTest, OnlyTheProcessOfRecordIsTakenBack) {
    const uint32_t kept = Start(L"Kept"), ended = Start(L"Ended"), later = Start(L"Later");
    fs::create_directories(folder / L"other");
    const uint32_t other =
        processes.Start(CopyProgram(kServerExecutableName, folder / L"other", L"other.exe"));
    ASSERT_TRUE(kept && ended && later && other);
    Records records = {RecordOf(L"Kept"),
                       RecordOf(L"Ended"),
                       RecordOf(L"Later"),
                       {L"Other", {other, 0}, TarnLauncherWrapper::GetProcessCreationTime(other)},
                       {L"Zero", {0, 0}, 0}};
    records[2].creationTime += 1;
    ASSERT_TRUE(SignalDevServerExit(ended));
    ASSERT_TRUE(processes.WaitForExit(ended)); // still held by the test: ended, not gone
    ASSERT_TRUE(WriteServerRecords(file.wstring(), records));

    EXPECT_EQ(AdoptAsANewRun(), (std::map<std::wstring, ServerProcessInfo>{{L"Kept", records[0].info}}));
    EXPECT_EQ(FileRecords(), Records{records[0]}) << "the file keeps what was taken back";
    EXPECT_EQ(LogLines(), 0u);
}

// Whatever cannot be read is dropped with one log line, and the file is written again at once.
TEST_F(RecordedServersTest, ARecordFileThatCannotBeReadIsLoggedOnceAndReplaced) {
    ASSERT_NE(Start(L"First"), 0u);
    ASSERT_NE(Start(L"Second"), 0u);
    const Records good = {RecordOf(L"First"), RecordOf(L"Second")};
    ASSERT_TRUE(WriteServerRecords(file.wstring(), good));
    std::wstring whole(ReadFileBytes(file).size() / 2, L'\0');
    ReadFileBytes(file).copy(reinterpret_cast<char*>(whole.data()), whole.size() * 2);
    const size_t secondRecord = whole.find(L"\r\n", whole.find(L"\r\n") + 2) + 2;
    auto bytes = [](const std::wstring& text) {
        return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
    };
    std::wstring damagedCharacter = whole, newer = whole;
    damagedCharacter[whole.size() - 3] ^= 1; // "Second" becomes "Secone", still a name, not the name
    newer.replace(newer.find(L"servers 1 ") + 8, 1, L"2");

    struct Case {
        const char* what;
        std::string bytes;
        Records readable;
    };
    const Case cases[] = {
        {"empty", "", {}},
        {"not ours", "Brenlow", {}},
        {"another version", bytes(newer), {}},
        {"cut in its last record", bytes(whole.substr(0, whole.size() - 6)), {good[0]}},
        {"cut after a whole record", bytes(whole.substr(0, secondRecord)), {good[0]}},
        {"cut inside a character", bytes(whole).substr(0, whole.size() * 2 - 1), {good[0]}},
        {"a damaged character", bytes(damagedCharacter), {good[0]}},
    };
    for (const Case& damaged : cases) {
        SCOPED_TRACE(damaged.what);
        WriteFileBytes(file, damaged.bytes);
        debugOutput.clear();
        AdoptAsANewRun();
        EXPECT_EQ(LogLines(kLogServerRecordsDamaged), 1u);
        EXPECT_EQ(wrapper.RunningServers.size(), damaged.readable.size());
        Records rewritten;
        EXPECT_EQ(ReadServerRecords(file.wstring(), rewritten),
                  damaged.readable.empty() ? ServerRecordReading::NoFile : ServerRecordReading::Whole);
        EXPECT_EQ(rewritten, damaged.readable);
    }
}

// A backup or sync tool holds the file: it is neither taken for damaged nor written over, and the sweep
// that can open it takes back what it names and writes it with the servers started meanwhile.
TEST_F(RecordedServersTest, ARecordThatCannotBeOpenedIsLeftAloneUntilASweepCanReadIt) {
    ASSERT_NE(Start(L"First"), 0u);
    ASSERT_TRUE(WriteServerRecords(file.wstring(), {RecordOf(L"First")}));
    const std::string held = ReadFileBytes(file);
    HANDLE holder = CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);

    EXPECT_TRUE(AdoptAsANewRun().empty());
    ASSERT_NE(Start(L"Second"), 0u);
    EXPECT_TRUE(wrapper.CollectStoppedServers().empty());
    EXPECT_EQ(LogLines(kLogServerRecordsUnavailable), 1u) << "once a run";
    EXPECT_EQ(LogLines(kLogServerRecordsDamaged), 0u);
    CloseHandle(holder);
    EXPECT_EQ(ReadFileBytes(file), held) << "written over while it could not be read";

    EXPECT_TRUE(wrapper.CollectStoppedServers().empty());
    EXPECT_EQ(wrapper.RunningServers.size(), 2u) << "First was not taken back";
    EXPECT_EQ(FileRecords(), (Records{RecordOf(L"First"), RecordOf(L"Second")}));
}

// The file is open elsewhere without leave to replace it: the servers stay marked unsaved, every sweep
// writes them again until one can, and meanwhile a Brenlow started after an unexpected end finds both.
TEST_F(RecordedServersTest, AWriteThatFailsIsMadeAgainAtTheNextSweep) {
    wrapper.AdoptRecordedServers(file.wstring());
    ASSERT_NE(Start(L"First"), 0u);
    const std::string first = ReadFileBytes(file);
    HANDLE reader =
        CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    ASSERT_NE(Start(L"Second"), 0u);
    wrapper.CollectStoppedServers();
    EXPECT_EQ(ReadFileBytes(file), first);
    EXPECT_EQ(FileRecords(), (Records{RecordOf(L"First"), RecordOf(L"Second")}));
    EXPECT_EQ(LogLines(kLogServerRecordsUnwritable), 1u) << "once a run";
    CloseHandle(reader);

    wrapper.CollectStoppedServers();
    EXPECT_NE(ReadFileBytes(file), first);
    EXPECT_FALSE(fs::exists(file.wstring() + L".new"));
    EXPECT_EQ(FileRecords(), (Records{RecordOf(L"First"), RecordOf(L"Second")}));
}

// No more servers than ever run at once, and no process under two names: what a file holds beyond that
// is no record of ours.
TEST_F(RecordedServersTest, AtMostTheMostServersAreTakenBackEachProcessOnce) {
    Records records;
    for (size_t i = 0; i <= kMostRunningServers; ++i) {
        const std::wstring name = L"Server " + std::to_wstring(i);
        ASSERT_NE(Start(name), 0u);
        records.push_back(RecordOf(name));
    }
    records.insert(records.begin() + 1, {L"Twin", records[0].info, records[0].creationTime});
    ASSERT_TRUE(WriteServerRecords(file.wstring(), records));

    std::map<std::wstring, ServerProcessInfo> adopted = AdoptAsANewRun();
    EXPECT_EQ(adopted.size(), kMostRunningServers);
    EXPECT_FALSE(adopted.count(L"Twin"));
    EXPECT_EQ(LogLines(kLogServerRecordsDamaged), 1u);
    EXPECT_EQ(FileRecords().size(), kMostRunningServers);
}

} // namespace
