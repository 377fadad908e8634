#pragma once
// The chaos run: the real Brenlow, driven through its window and from outside with the stand-ins, while
// everything that can go wrong goes wrong at random, in any order, from a seed that replays it: servers
// that end or crash, Brenlow killed and started again, closed, started twice, its record damaged or held,
// launches refused, configurations removed. After every event, once the program has had its sweep, it
// must still hold its promises: every live server shown once in the one Brenlow, nothing else ended,
// whole log lines, no crash, its holdings flat. A broken promise is reported and the run goes on.
#include <windows.h>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace bench {

class ChaosRun {
public:
    ChaosRun(uint64_t seed, double minutes);
    ~ChaosRun();
    ChaosRun(const ChaosRun&) = delete;
    ChaosRun& operator=(const ChaosRun&) = delete;

    // Runs until the time is up, printing progress, violations and the closing lines; returns the
    // number of violations.
    int Run();

private:
    // Why a server process ends, if it does: only a server that Brenlow was asked to end may end with
    // exit code 0, Brenlow's.
    enum class Fate { Runs, AskedToEnd, EndsByItself, Crashes, EndedByChaos };
    // The exit code of a process that the run ends itself.
    static constexpr DWORD kEndedByTheRun = 0xC4A05;
    struct Server {
        std::wstring name;
        DWORD id = 0;
        HANDLE process = nullptr; // held by the run: the identifier stays this server's to the end
        Fate fate = Fate::Runs;
    };
    // A Brenlow process of the run.
    struct Brenlow {
        HANDLE process = nullptr;
        DWORD id = 0;
        HWND main = nullptr;
        ULONGLONG started = 0;
    };
    // What Brenlow holds, read at a check.
    struct Holdings {
        double minute = 0;
        int handles = 0;
        int windowsBesideRows = 0; // windows but one button per row
        double committedMebibytes = 0;
    };
    enum class Obstacle { None, Held, ReadOnly }; // what keeps Brenlow from replacing its record

    // The events, each drawn only when it can happen (ChaosEvents.cpp).
    void DrawAndRunEvent();
    void StartServerThroughWindow();
    void ForceCloseRow();
    void ServerEndsByItself();
    void ServerCrashes();
    void KillBrenlow();
    void StartBrenlowAgain();
    void CloseBrenlow();
    bool AskBrenlowToClose(bool confirm);
    void StartSecondBrenlow();
    void DamageRecord();
    void ObstructOrFreeRecord();
    void ToggleRefusedLaunches();
    void RemoveConfiguration();
    void RestoreConfiguration();

    // A program started inside the run's job.
    HANDLE StartInJob(const std::filesystem::path& program, const std::wstring& arguments) const;
    // Brenlow's processes and window.
    Brenlow Launch() const;
    bool WaitForWindow(Brenlow& brenlow, DWORD timeoutMs = 20000);
    void EndBrenlow(DWORD exitCode);
    std::vector<DWORD> BrenlowProcessIds() const;
    HWND Notice() const;
    std::wstring NoticeText(HWND notice) const;
    bool AnswerNotice(int button);
    std::vector<std::wstring> Rows() const;
    std::vector<std::wstring> Offered() const;
    // Waits for the server that Brenlow has just started for `name` and adds it to the run's servers.
    bool TakeNewServer(const std::wstring& name);
    std::wstring ClusterOfServer(DWORD id) const;
    void SignalServer(Server& server, Fate fate);
    Server& DrawRunningServer();

    // Settling and checking (ChaosRun.cpp).
    std::vector<std::wstring> ExpectedRows() const;
    bool RecordMustAgree() const;
    std::vector<std::wstring> RecordedNames() const;
    void Settle();
    void Check();
    void CheckServers();
    void CheckLog();
    void CheckHoldings(int rows);
    void Violation(const std::string& what, const std::string& expected, const std::string& seen);
    void Repair();
    // Counts an event of `kind` and keeps it among those printed before a violation.
    void Note(const std::string& kind, const std::string& detail);
    void PrintProgress();
    void PrintClosingLines();

    // Waits, at a pace that leaves the one CPU of Wine's session to the programs: polled every 20 ms.
    static bool Poll(DWORD timeoutMs, const std::function<bool()>& ready);
    // A file's bytes, read with every sharing allowed, so that no rename or replacement of it by the
    // programs fails because the run is reading it.
    static std::string ReadShared(const std::filesystem::path& file);
    // Every server process but the bystanders; their records go too.
    void EndUnknownServers();

    // Random choices, all from the one generator.
    size_t Pick(size_t count);
    bool Chance(double probability);
    DWORD Milliseconds(DWORD least, DWORD most);

    const uint64_t seed_;
    const ULONGLONG end_;
    const ULONGLONG begun_ = GetTickCount64();
    std::mt19937_64 random_;

    std::filesystem::path scratch_, program_, documents_, configurations_, removed_, bystanders_;
    std::filesystem::path record_, log_, refusal_;
    HANDLE job_ = nullptr; // every process of the run, ended with it

    Brenlow brenlow_;
    std::vector<Server> servers_;
    std::vector<HANDLE> bystanderProcesses_;
    std::vector<std::wstring> configurationNames_;
    // Removed ones; the empty name stands for the folder of them all.
    std::set<std::wstring> removedConfigurations_;
    static inline const std::wstring kEveryConfiguration;
    std::filesystem::path ConfigurationFolder(const std::wstring& name) const;
    bool launchesRefused_ = false;
    Obstacle obstacle_ = Obstacle::None;
    HANDLE recordHolder_ = nullptr;
    // Log lines of a damaged record that Brenlows must have written: started on one, and lived past a
    // sweep after it (a Brenlow ended from outside may lose the lines of its last two seconds).
    int damageLinesExpected_ = 0;
    int damageLinesAtMost_ = 0;
    bool startedOnDamagedRecord_ = false;

    int events_ = 0;
    int violations_ = 0;
    std::map<std::string, int> eventsByKind_;
    std::deque<std::string> recentEvents_;
    std::vector<Holdings> holdings_;
    ULONGLONG lastProgress_ = 0;
};

} // namespace bench
