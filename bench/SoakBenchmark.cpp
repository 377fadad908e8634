// The soak: through the real dialog, 500 servers started and force-closed and 500 started that end by
// themselves (in rounds of 10, the most Brenlow runs at once), then the program closed with 10 servers
// running. What the program holds is read at the start, after the first round and every 100 cycles;
// growth after the first round, when every class and buffer has been met once, would be a leak.
// BRENLOW_BENCH_SOAK_CYCLES shortens the soak (cycles of each kind, in tens).
#include "BenchSupport.h"
#include "DocumentsFolder.h"
#include "Benchmarks.h"
#include "BrenlowWindow.h"
#include "ProcessFigures.h"

#include "devserver/DevServerProtocol.h"

#include <cstdlib>
#include <string>

using namespace bench;

namespace {

constexpr int kServers = 10;
constexpr int kCyclesDefault = 500;
constexpr int kRoundsBetweenReadings = 10;

// Wine implements no GetGuiResources (it answers 0); the windows the program owns and the Linux side's
// heap, where Wine's Unix half keeps GDI and USER objects, show what it holds instead. Resident memory
// is left out: it swings with whether the servers, which load the same system libraries, run just then.
void PrintHoldings(const char* when, const Program& brenlow) {
    LinuxProcess unixSide(brenlow.Path());
    PrintNote("soak %-18s handles %3d, windows %3d, GetGuiResources GDI %lu USER %lu, committed private "
              "%.2f MiB, Unix heap %.2f MiB",
              when, HandleCount(brenlow.Id()), WindowCount(brenlow.Id()),
              GetGuiResources(brenlow.Handle(), GR_GDIOBJECTS),
              GetGuiResources(brenlow.Handle(), GR_USEROBJECTS), CommittedPrivateMebibytes(brenlow.Handle()),
              unixSide.Found() ? unixSide.UnixHeapMebibytes() : -1);
}

// Says which step of a round failed, if one did.
bool Step(bool done, const char* what) {
    if (!done)
        PrintNote("soak: %s failed", what);
    return done;
}

// Ten servers started through the window; returns their identifiers once all of them run.
std::vector<DWORD> StartAll(BrenlowWindow& window) {
    RemoveServerRecords(ReleaseFolder()); // the servers of the round before have ended
    for (int i = 0; i < kServers; ++i) {
        if (!Step(window.StartServer(i), "a start"))
            return {};
    }
    std::vector<DWORD> servers = WaitForServers(kServers, ReleaseFolder());
    Step(!servers.empty(), "waiting for the servers");
    return servers;
}

// Ten servers started, then force-closed one by one from their rows; the sweep takes the rows away.
// Closed from the bottom up: the sweep removes only rows below those still to be closed, which
// therefore keep their places.
bool ForceCloseRound(BrenlowWindow& window) {
    if (StartAll(window).empty())
        return false;
    for (int row = kServers - 1; row >= 0; --row) {
        if (!Step(window.ForceClose(row), "a force-close"))
            return false;
    }
    return Step(window.WaitForRows(0), "the sweep after force-closing");
}

// Ten servers started, each then told to end by itself, as a server does when its game ends.
bool OwnEndRound(BrenlowWindow& window) {
    std::vector<DWORD> servers = StartAll(window);
    if (servers.empty())
        return false;
    for (DWORD server : servers) {
        HANDLE exitEvent = OpenEventW(EVENT_MODIFY_STATE, FALSE, DevServerExitEventName(server).c_str());
        if (!Step(exitEvent != nullptr, "opening a server's exit event"))
            return false;
        SetEvent(exitEvent);
        CloseHandle(exitEvent);
    }
    return Step(window.WaitForRows(0), "the sweep after the servers ended");
}

int Cycles() {
    const char* text = std::getenv("BRENLOW_BENCH_SOAK_CYCLES");
    int cycles = text ? std::atoi(text) : 0;
    return cycles > 0 ? cycles : kCyclesDefault;
}

} // namespace

void RunSoak() {
    ScratchFolder documents(L"soak-documents");
    testsupport::ScopedDocumentsFolder redirect(documents.path());
    MakeClusters(documents.path(), kServers);
    Program brenlow(L"Brenlow.exe");
    HWND main = nullptr;
    if (brenlow.SecondsUntilVisible(kBrenlowCaption, main) < 0) {
        PrintNote("soak: Brenlow did not show its window");
        return;
    }
    BrenlowWindow window(brenlow, main);
    const int rounds = (Cycles() + kServers - 1) / kServers;
    PrintHoldings("at start:", brenlow);

    DWORD started = GetTickCount();
    int forceClosed = 0, ownEnds = 0;
    bool failed = false;
    for (int round = 0; round < rounds && !failed; ++round) {
        failed = !ForceCloseRound(window) || !OwnEndRound(window);
        if (!failed) {
            forceClosed += kServers;
            ownEnds += kServers;
        }
        if (round == 0 || (round + 1) % kRoundsBetweenReadings == 0 || round + 1 == rounds)
            PrintHoldings(("after " + std::to_string((round + 1) * kServers) + " cycles:").c_str(), brenlow);
    }
    PrintNote("soak: %d servers force-closed, %d ended by themselves, in %lu s%s", forceClosed, ownEnds,
              (GetTickCount() - started) / 1000, failed ? "; a round failed and ended the soak" : "");

    bool closed = !StartAll(window).empty() && window.CloseWithServers();
    PrintNote("soak: closing with %d servers running %s", kServers, closed ? "ended them all" : "FAILED");
    RemoveServerRecords(ReleaseFolder());
}
