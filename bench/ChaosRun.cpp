// The chaos run's frame: the world it makes, its loop, and what it checks after every event.
#include "ChaosRun.h"

#include "BenchSupport.h"
#include "Benchmarks.h"
#include "CrashDumps.h"
#include "DocumentsFolder.h"
#include "ForeignWindows.h"
#include "ProcessFigures.h"

#include "base/TextEncoding.h"
#include "devserver/DevServerProtocol.h"
#include "server/LogMessages.h"
#include "server/ServerNames.h"
#include "server/ServerRecordFile.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <utility>

namespace fs = std::filesystem;

namespace bench {

namespace {

constexpr int kConfigurations = 12; // more than the ten that run at once
constexpr size_t kRecentEvents = 6;
constexpr DWORD kSettleMs = 9000;    // four sweeps and more
constexpr ULONGLONG kSweptMs = 5000; // a Brenlow this old has had its first sweep
constexpr ULONGLONG kProgressMs = 15000;
// Holdings are compared with those of the run's first part, once every kind of event has come by.
constexpr double kBaselineShare = 0.2;
constexpr int kSpareHandles = 12;
constexpr int kSpareWindows = 2;
constexpr double kSpareMebibytes = 1.0;

std::string Joined(std::vector<std::wstring> names) {
    std::sort(names.begin(), names.end());
    std::string text = "{";
    for (const std::wstring& name : names)
        text += (text.size() > 1 ? ", " : "") + Utf8(name);
    return text + "}";
}

bool HasEnded(HANDLE process) {
    return WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
}

DWORD ExitCodeOf(HANDLE process) {
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    return code;
}

std::string Hex(DWORD value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%lX", static_cast<unsigned long>(value));
    return text;
}

// Terminates a process that the run has no handle on, and waits for its end.
void EndProcessById(DWORD id, DWORD exitCode) {
    if (HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id)) {
        TerminateProcess(process, exitCode);
        WaitForSingleObject(process, 10000);
        CloseHandle(process);
    }
}

} // namespace

HANDLE ChaosRun::StartInJob(const fs::path& program, const std::wstring& arguments) const {
    std::wstring line = L"\"" + program.wstring() + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE,
                        CREATE_SUSPENDED | DETACHED_PROCESS, nullptr, program.parent_path().c_str(), &startup,
                        &process))
        return nullptr;
    AssignProcessToJobObject(job_, process.hProcess);
    ResumeThread(process.hThread);
    CloseHandle(process.hThread);
    return process.hProcess;
}

ChaosRun::ChaosRun(uint64_t seed, double minutes)
    : seed_(seed), end_(GetTickCount64() + static_cast<ULONGLONG>(minutes * 60000)), random_(seed) {
    scratch_ = fs::temp_directory_path() / (L"brenlow-chaos-" + std::to_wstring(GetCurrentProcessId()));
    program_ = scratch_ / L"program";
    documents_ = scratch_ / L"Documents";
    configurations_ = ClusterRoot(documents_);
    removed_ = scratch_ / L"removed";
    bystanders_ = scratch_ / L"bystanders";
    record_ = program_ / ServerRecordFileNameOfThisSession();
    log_ = program_ / L"log" / L"Quillane.txt";
    refusal_ = program_ / L"tarn_launcher_refuse_launches.txt";
    std::error_code ignored;
    fs::remove_all(scratch_, ignored); // of a run that was ended before it could clean up
    for (const fs::path& folder : {program_, configurations_, removed_, bystanders_})
        fs::create_directories(folder);
    for (const wchar_t* file : {L"Brenlow.exe", L"tarn_launcher.dll", kServerExecutableName})
        fs::copy_file(ReleaseFolder() / file, program_ / file);
    for (int i = 0; i < kConfigurations; ++i) {
        std::wstring name = (i % 4 == 3 ? L"混沌 " : L"Chaos ") + std::to_wstring(i); // blanks, Chinese
        fs::create_directories(configurations_ / name);
        std::ofstream(configurations_ / name / kClusterMarkerName) << "token";
        configurationNames_.push_back(name);
    }

    job_ = CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    // Bystanders that Brenlow must never end: a server of the same name that it did not start, from
    // another folder, and another program.
    fs::copy_file(ReleaseFolder() / kServerExecutableName, bystanders_ / kServerExecutableName);
    fs::copy_file(ReleaseFolder() / kServerExecutableName, bystanders_ / L"bystander.exe");
    for (const wchar_t* file : {kServerExecutableName, L"bystander.exe"}) {
        HANDLE process = StartInJob(bystanders_ / file, L"-console -shard Master -cluster Bystander");
        Require(process != nullptr, "a bystander did not start");
        bystanderProcesses_.push_back(process);
    }
}

ChaosRun::~ChaosRun() {
    if (recordHolder_)
        CloseHandle(recordHolder_);
    for (Server& server : servers_)
        CloseHandle(server.process);
    for (HANDLE process : bystanderProcesses_)
        CloseHandle(process);
    if (brenlow_.process)
        CloseHandle(brenlow_.process);
    CloseHandle(job_); // ends whatever of the run still runs
    WaitFor(10000, [] { return ServerProcessIds().empty(); });
    std::error_code ignored;
    SetFileAttributesW(record_.c_str(), FILE_ATTRIBUTE_NORMAL);
    fs::remove_all(scratch_, ignored);
}

int ChaosRun::Run() {
    testsupport::ScopedDocumentsFolder documentsOfTheRun(documents_);
    PrintNote("chaos: seed %llu, %.1f minutes (BRENLOW_CHAOS_SEED replays the run)",
              static_cast<unsigned long long>(seed_), (end_ - begun_) / 60000.0);
    StartBrenlowAgain();
    Settle();
    Check();
    lastProgress_ = GetTickCount64();
    while (GetTickCount64() < end_) {
        DrawAndRunEvent();
        ++events_;
        Settle();
        Check();
        if (GetTickCount64() - lastProgress_ >= kProgressMs)
            PrintProgress();
    }
    PrintClosingLines();
    return violations_;
}

// ---------------------------------------------------------------------------------------------------
// Settling: the sweep has come by since the event, so that what Brenlow shows is what it knows.

std::vector<std::wstring> ChaosRun::ExpectedRows() const {
    std::vector<std::wstring> names;
    for (const Server& server : servers_)
        if (server.fate == Fate::Runs)
            names.push_back(server.name);
    std::sort(names.begin(), names.end());
    return names;
}

bool ChaosRun::RecordMustAgree() const {
    return brenlow_.process && obstacle_ == Obstacle::None;
}

// The records as the next Brenlow would read them, read through copies: a reader that does not share
// deletion, as Brenlow's own does not, would keep Brenlow from replacing the file meanwhile.
std::vector<std::wstring> ChaosRun::RecordedNames() const {
    const fs::path copy = scratch_ / L"record-copy.txt";
    for (const wchar_t* suffix : {L"", L".new"}) {
        const fs::path from = record_.wstring() + suffix, to = copy.wstring() + suffix;
        if (GetFileAttributesW(from.c_str()) != INVALID_FILE_ATTRIBUTES)
            std::ofstream(to, std::ios::binary | std::ios::trunc) << ReadShared(from);
        else
            DeleteFileW(to.c_str());
    }
    std::vector<ServerRecord> records;
    ReadServerRecords(copy.wstring(), records);
    std::vector<std::wstring> names;
    for (const ServerRecord& record : records)
        names.push_back(record.name);
    std::sort(names.begin(), names.end());
    return names;
}

void ChaosRun::Settle() {
    Poll(kSettleMs, [&] {
        for (const Server& server : servers_)
            if (server.fate != Fate::Runs && !HasEnded(server.process))
                return false;
        if (!brenlow_.process)
            return true;
        std::vector<std::wstring> rows = Rows();
        std::sort(rows.begin(), rows.end());
        return !Notice() && rows == ExpectedRows() && (!RecordMustAgree() || RecordedNames() == rows);
    });
}

// ---------------------------------------------------------------------------------------------------
// Checks: the promises, each against what can be seen from outside.

void ChaosRun::Check() {
    const int violationsBefore = violations_;
    if (startedOnDamagedRecord_ && brenlow_.process && GetTickCount64() - brenlow_.started > kSweptMs) {
        ++damageLinesExpected_; // a sweep has written it to the file
        startedOnDamagedRecord_ = false;
    }
    std::vector<DWORD> running = BrenlowProcessIds();
    if (running.size() > 1)
        Violation("more than one Brenlow runs", "at most one", std::to_string(running.size()));
    if (brenlow_.process && HasEnded(brenlow_.process))
        Violation("Brenlow ended by itself", "it runs", "exit code " + Hex(ExitCodeOf(brenlow_.process)));
    if (brenlow_.process && !HasEnded(brenlow_.process)) {
        std::vector<std::wstring> rows = Rows();
        std::vector<std::wstring> sorted = rows;
        std::sort(sorted.begin(), sorted.end());
        if (sorted != ExpectedRows() || sorted.size() > kMostRunningServers)
            Violation("the rows are not the live servers", Joined(ExpectedRows()), Joined(rows));
        if (HWND notice = Notice())
            Violation("a notice is open after the event", "none", Utf8(NoticeText(notice)));
        if (RecordMustAgree() && RecordedNames() != sorted)
            Violation("the record does not hold the servers shown", Joined(sorted), Joined(RecordedNames()));
        if (testsupport::FindFatalErrorBox(brenlow_.id))
            Violation("Brenlow shows Fatal Error", "no crash", "Fatal Error");
        CheckHoldings(static_cast<int>(rows.size()));
    }
    CheckServers();
    CheckLog();
    for (const auto& entry : fs::directory_iterator(program_))
        if (entry.path().extension() == L".dmp")
            Violation("a crash dump appeared", "none", Utf8(entry.path().filename().wstring()));
    if (violations_ > violationsBefore)
        Repair();
}

void ChaosRun::CheckServers() {
    static const std::map<Fate, std::pair<DWORD, const char*>> kEnding = {
        {Fate::AskedToEnd, {0, "ended by Brenlow when asked"}},
        {Fate::EndsByItself, {3, "ended by itself"}},
        {Fate::Crashes, {0xC0000005, "crashed"}},
        {Fate::EndedByChaos, {kEndedByTheRun, "ended by the run"}},
    };
    for (auto server = servers_.begin(); server != servers_.end();) {
        const bool ended = HasEnded(server->process);
        if (server->fate == Fate::Runs && ended) {
            Violation("a server ended that nobody asked to end: " + Utf8(server->name), "it runs",
                      "exit code " + Hex(ExitCodeOf(server->process)));
            server->fate = Fate::EndedByChaos; // reported once
        } else if (server->fate != Fate::Runs && !ended) {
            Violation("a server still runs: " + Utf8(server->name), kEnding.at(server->fate).second,
                      "it runs");
        } else if (ended && ExitCodeOf(server->process) != kEnding.at(server->fate).first &&
                   server->fate != Fate::EndedByChaos) {
            Violation("a server ended otherwise: " + Utf8(server->name),
                      std::string(kEnding.at(server->fate).second) + ", exit code " +
                          Hex(kEnding.at(server->fate).first),
                      "exit code " + Hex(ExitCodeOf(server->process)));
        }
        if (ended) { // its identifier may come again, for another server, which writes a record of its own
            CloseHandle(server->process);
            DeleteFileW((program_ / DevServerRecordName(server->id)).c_str());
            server = servers_.erase(server);
        } else {
            ++server;
        }
    }
    for (HANDLE bystander : bystanderProcesses_)
        if (HasEnded(bystander))
            Violation("a bystander was ended", "it runs", "exit code " + Hex(ExitCodeOf(bystander)));
}

// Whole lines, each with its header and CR LF; while a Brenlow runs, a last line may still be on its way.
// And the line that every start on a damaged record must have written.
void ChaosRun::CheckLog() {
    const std::string text = ReadShared(log_);
    static const std::regex kHeader(R"(^Quillane\.\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}\]\[\d+\]\[4\])");
    int damageLines = 0;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        const std::string line = text.substr(start, end - start);
        if (!std::regex_search(line, kHeader) || line.find('\n') != std::string::npos)
            Violation("the log holds a broken line", "whole lines, each with its header", line);
        damageLines += line.find(kLogServerRecordsDamaged) != std::string::npos;
    }
    if (start < text.size() && !brenlow_.process)
        Violation("the log ends in half a line", "whole lines ending in CR LF", text.substr(start));
    if (damageLines < damageLinesExpected_ || damageLines > damageLinesAtMost_)
        Violation("the log does not say each damaged record once",
                  std::to_string(damageLinesExpected_) + " to " + std::to_string(damageLinesAtMost_) +
                      " lines",
                  std::to_string(damageLines) + " lines");
    damageLinesExpected_ = std::min(damageLinesExpected_, damageLines); // each miss reported once
    damageLinesAtMost_ = std::max(damageLinesAtMost_, damageLines);
}

// After the run's first part, the holdings of a Brenlow stay within those seen then.
void ChaosRun::CheckHoldings(int rows) {
    Holdings now{(GetTickCount64() - begun_) / 60000.0, HandleCount(brenlow_.id),
                 WindowCount(brenlow_.id) - rows, CommittedPrivateMebibytes(brenlow_.process)};
    const double baselineEnd = (end_ - begun_) / 60000.0 * kBaselineShare;
    if (now.minute > baselineEnd && !holdings_.empty()) {
        Holdings most{};
        for (const Holdings& seen : holdings_) {
            if (seen.minute > baselineEnd)
                break;
            most.handles = std::max(most.handles, seen.handles);
            most.windowsBesideRows = std::max(most.windowsBesideRows, seen.windowsBesideRows);
            most.committedMebibytes = std::max(most.committedMebibytes, seen.committedMebibytes);
        }
        char expected[128], seen[128];
        std::snprintf(expected, sizeof expected, "at most %d handles, %d windows beside the rows, %.2f MiB",
                      most.handles + kSpareHandles, most.windowsBesideRows + kSpareWindows,
                      most.committedMebibytes + kSpareMebibytes);
        std::snprintf(seen, sizeof seen, "%d handles, %d windows beside the rows, %.2f MiB", now.handles,
                      now.windowsBesideRows, now.committedMebibytes);
        if (now.handles > most.handles + kSpareHandles ||
            now.windowsBesideRows > most.windowsBesideRows + kSpareWindows ||
            now.committedMebibytes > most.committedMebibytes + kSpareMebibytes)
            Violation("Brenlow's holdings grew", expected, seen);
    }
    holdings_.push_back(now);
}

void ChaosRun::Violation(const std::string& what, const std::string& expected, const std::string& seen) {
    ++violations_;
    std::printf("chaos: violation %d at event %d (seed %llu): %s\n", violations_, events_,
                static_cast<unsigned long long>(seed_), what.c_str());
    std::printf("chaos:   expected: %s\nchaos:   seen:     %s\n", expected.c_str(), seen.c_str());
    for (const std::string& event : recentEvents_)
        std::printf("chaos:   before it: %s\n", event.c_str());
    std::fflush(stdout);
}

// After a violation the run's picture of the world may be wrong: it starts again from nothing running.
void ChaosRun::Repair() {
    if (brenlow_.process)
        EndBrenlow(kEndedByTheRun);
    for (Server& server : servers_) {
        if (server.fate == Fate::Runs || server.fate == Fate::AskedToEnd) {
            TerminateProcess(server.process, kEndedByTheRun);
            server.fate = Fate::EndedByChaos;
        }
    }
    for (DWORD id : BrenlowProcessIds())
        EndProcessById(id, kEndedByTheRun);
    EndUnknownServers();
    if (recordHolder_)
        CloseHandle(std::exchange(recordHolder_, nullptr));
    SetFileAttributesW(record_.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(record_.c_str());
    DeleteFileW((record_.wstring() + L".new").c_str());
    obstacle_ = Obstacle::None;
}

void ChaosRun::EndUnknownServers() {
    for (DWORD id : ServerProcessIds()) {
        const bool known = std::any_of(servers_.begin(), servers_.end(), [&](const Server& server) {
            return server.id == id && server.fate == Fate::Runs;
        });
        const bool bystander = std::any_of(bystanderProcesses_.begin(), bystanderProcesses_.end(),
                                           [&](HANDLE process) { return GetProcessId(process) == id; });
        if (known || bystander)
            continue;
        EndProcessById(id, kEndedByTheRun);
        DeleteFileW((program_ / DevServerRecordName(id)).c_str());
    }
}

bool ChaosRun::Poll(DWORD timeoutMs, const std::function<bool()>& ready) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        if (ready())
            return true;
        if (GetTickCount64() >= end)
            return false;
        Sleep(20);
    }
}

std::string ChaosRun::ReadShared(const fs::path& file) {
    std::string bytes;
    HANDLE handle =
        CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return bytes;
    char chunk[4096];
    for (DWORD read = 0; ReadFile(handle, chunk, sizeof chunk, &read, nullptr) && read > 0;)
        bytes.append(chunk, read);
    CloseHandle(handle);
    return bytes;
}

void ChaosRun::Note(const std::string& kind, const std::string& detail) {
    eventsByKind_[kind]++;
    recentEvents_.push_back("#" + std::to_string(events_) + " " + kind +
                            (detail.empty() ? "" : ": " + detail));
    if (recentEvents_.size() > kRecentEvents)
        recentEvents_.pop_front();
}

void ChaosRun::PrintProgress() {
    lastProgress_ = GetTickCount64();
    const ULONGLONG seconds = (lastProgress_ - begun_) / 1000;
    PrintNote("chaos: %llu min %02llu s, %d events, %d violations", seconds / 60, seconds % 60, events_,
              violations_);
}

void ChaosRun::PrintClosingLines() {
    std::string kinds;
    for (const auto& [kind, count] : eventsByKind_)
        kinds += (kinds.empty() ? "" : ", ") + kind + " " + std::to_string(count);
    PrintNote("chaos: events by kind: %s", kinds.c_str());
    if (!holdings_.empty()) {
        for (const Holdings* at : {&holdings_.front(), &holdings_.back()})
            PrintNote("chaos: holdings at minute %.1f: %d handles, %d windows beside the rows, %.2f MiB "
                      "committed",
                      at->minute, at->handles, at->windowsBesideRows, at->committedMebibytes);
    }
    std::printf("chaos: %d events, %d violations, seed %llu\n", events_, violations_,
                static_cast<unsigned long long>(seed_));
    std::fflush(stdout);
}

size_t ChaosRun::Pick(size_t count) {
    return std::uniform_int_distribution<size_t>(0, count - 1)(random_);
}

bool ChaosRun::Chance(double probability) {
    return std::bernoulli_distribution(probability)(random_);
}

DWORD ChaosRun::Milliseconds(DWORD least, DWORD most) {
    return std::uniform_int_distribution<DWORD>(least, most)(random_);
}

} // namespace bench

namespace {

uint64_t ChaosSeed() {
    if (const char* text = std::getenv("BRENLOW_CHAOS_SEED"))
        return std::strtoull(text, nullptr, 10);
    return std::random_device{}() % 1000000000u;
}

} // namespace

double ChaosMinutes() {
    const char* text = std::getenv("BRENLOW_CHAOS_MINUTES");
    double minutes = text ? std::atof(text) : 0;
    return minutes > 0 ? minutes : 30;
}

void RunChaos() {
    bench::ChaosRun run(ChaosSeed(), ChaosMinutes());
    if (run.Run() > 0)
        bench::MarkRunFailed();
}
