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

// Ten servers started through the window; returns their identifiers once all of them run.
std::vector<DWORD> StartAll(BrenlowWindow& window) {
    RemoveServerRecords(ReleaseFolder()); // the servers of the round before have ended
    for (int i = 0; i < kServers; ++i)
        window.StartServer(i);
    return WaitForServers(kServers, ReleaseFolder());
}

// Ten servers started, then force-closed one by one from their rows; the sweep takes the rows away.
// Closed from the bottom up: the sweep removes only rows below those still to be closed, which
// therefore keep their places.
void ForceCloseRound(BrenlowWindow& window) {
    StartAll(window);
    for (int row = kServers - 1; row >= 0; --row)
        window.ForceClose(row);
    window.WaitForRows(0);
}

// Ten servers started, each then told to end by itself, as a server does when its game ends.
void OwnEndRound(BrenlowWindow& window) {
    for (DWORD server : StartAll(window)) {
        HANDLE exitEvent = OpenEventW(EVENT_MODIFY_STATE, FALSE, DevServerExitEventName(server).c_str());
        Require(exitEvent != nullptr, "a server had no exit event");
        SetEvent(exitEvent);
        CloseHandle(exitEvent);
    }
    window.WaitForRows(0);
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
    brenlow.SecondsUntilVisible(kBrenlowCaption, main);
    BrenlowWindow window(brenlow, main);
    const int rounds = (Cycles() + kServers - 1) / kServers;
    PrintHoldings("at start:", brenlow);

    DWORD started = GetTickCount();
    for (int round = 0; round < rounds; ++round) {
        ForceCloseRound(window);
        OwnEndRound(window);
        if (round == 0 || (round + 1) % kRoundsBetweenReadings == 0 || round + 1 == rounds)
            PrintHoldings(("after " + std::to_string((round + 1) * kServers) + " cycles:").c_str(), brenlow);
    }
    PrintNote("soak: %d servers force-closed, %d ended by themselves, in %lu s", rounds * kServers,
              rounds * kServers, (GetTickCount() - started) / 1000);

    StartAll(window);
    Require(window.CloseWithServers(), "closing Brenlow did not end its servers");
    PrintNote("soak: closing with %d servers running ended them all", kServers);
}
