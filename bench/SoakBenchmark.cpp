// The soak: through the real dialog, 500 servers started and force-closed and 500 started that end by
// themselves (in rounds of 10, the most Brenlow runs at once), then the program closed with 10 servers
// running. What the program holds is read at the start, after the first round and at the end; growth
// after the first round, when every class and buffer has been met once, would be a leak.
// BRENLOW_BENCH_SOAK_CYCLES shortens the soak (cycles of each kind, in tens).
#include "BenchSupport.h"
#include "Benchmarks.h"
#include "BrenlowWindow.h"
#include "ProcessFigures.h"

#include "devserver/DevServerProtocol.h"

#include <cstdlib>

using namespace bench;

namespace {

constexpr int kServers = 10;
constexpr int kCyclesDefault = 500;

void PrintHoldings(const char* when, const Program& brenlow) {
    LinuxProcess unixSide(brenlow.Path());
    PrintNote("soak %-22s handles %4d, windows %3d, GetGuiResources GDI %3lu USER %3lu, committed private "
              "%.2f MiB, private resident %.2f MiB",
              when, HandleCount(brenlow.Id()), WindowCount(brenlow.Id()),
              GetGuiResources(brenlow.Handle(), GR_GDIOBJECTS),
              GetGuiResources(brenlow.Handle(), GR_USEROBJECTS), CommittedPrivateMebibytes(brenlow.Handle()),
              unixSide.Found() ? unixSide.PrivateResidentMebibytes() : -1);
}

bool StartAll(BrenlowWindow& window) {
    for (int i = 0; i < kServers; ++i) {
        if (!window.StartServer(i))
            return false;
    }
    return WaitFor(kPatienceMs, [] { return ServerProcessIds().size() == kServers; });
}

// Ten servers started, then force-closed one by one from their rows; the sweep takes the rows away.
bool ForceCloseRound(BrenlowWindow& window) {
    if (!StartAll(window))
        return false;
    for (int row = 0; row < kServers; ++row) {
        if (!window.ForceClose(row))
            return false;
    }
    return window.WaitForRows(0);
}

// Ten servers started, each then told to end by itself, as a server does when its game ends.
bool OwnEndRound(BrenlowWindow& window) {
    if (!StartAll(window))
        return false;
    for (DWORD server : ServerProcessIds()) {
        HANDLE exitEvent = OpenEventW(EVENT_MODIFY_STATE, FALSE, DevServerExitEventName(server).c_str());
        if (!exitEvent)
            return false;
        SetEvent(exitEvent);
        CloseHandle(exitEvent);
    }
    return window.WaitForRows(0);
}

int Cycles() {
    const char* text = std::getenv("BRENLOW_BENCH_SOAK_CYCLES");
    int cycles = text ? std::atoi(text) : 0;
    return cycles > 0 ? cycles : kCyclesDefault;
}

} // namespace

void RunSoak() {
    ScratchFolder documents(L"soak-documents");
    DocumentsRedirect redirect(documents.path());
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
        if (round == 0)
            PrintHoldings("after the first round:", brenlow);
    }
    PrintHoldings("at the end:", brenlow);
    PrintNote("soak: %d servers force-closed, %d ended by themselves, in %lu s%s", forceClosed, ownEnds,
              (GetTickCount() - started) / 1000, failed ? "; a round failed and ended the soak" : "");

    bool closed = StartAll(window) && window.CloseWithServers();
    PrintNote("soak: closing with %d servers running %s", kServers, closed ? "ended them all" : "FAILED");
    RemoveServerRecords(ReleaseFolder());
}
