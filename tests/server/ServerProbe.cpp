// Child program for the binding tests: runs the operations named on its command line, in order, in a
// process of its own, so that each test controls the executable's folder, the library beside it and the
// process-wide state (library handle, singleton). Results go to the debugger output as "probe: ..." lines.
//   load | free | signal:<event> | wait:<event> | instance | instance-after-failed-allocation |
//   start:<name> | shutdown
#include "server/LauncherBinding.h"
#include "server/TarnLauncherWrapper.h"

#include "TestSupport.h"

#include <windows.h>

#include <cstdlib>
#include <new>
#include <string>

namespace {

bool failAllocations = false;

void Report(const std::string& text) {
    OutputDebugStringA(("probe: " + text + "\n").c_str());
}

void ReportInstance() {
    TarnLauncherWrapper& wrapper = TarnLauncherWrapper::GetInstance();
    Report("helper " + std::to_string(wrapper.Helper != nullptr));
    Report("exe " + Utf8(wrapper.ServerExecutablePath));
}

void Run(const std::wstring& op) {
    if (op == L"load") {
        Report("load " + std::to_string(LoadLauncherLibrary()));
    } else if (op == L"free") {
        // One release undoes one load: the library is gone only if it was loaded exactly once.
        FreeLibrary(g_tarndll_inst);
        Report("loaded-after-free " + std::to_string(GetModuleHandleW(kLauncherLibraryName) != nullptr));
    } else if (op.rfind(L"signal:", 0) == 0) {
        HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, op.substr(7).c_str());
        SetEvent(event);
        CloseHandle(event);
    } else if (op.rfind(L"wait:", 0) == 0) {
        HANDLE go = OpenEventW(SYNCHRONIZE, FALSE, op.substr(5).c_str());
        WaitForSingleObject(go, 60000);
        CloseHandle(go);
    } else if (op == L"instance") {
        ReportInstance();
    } else if (op == L"instance-after-failed-allocation") {
        failAllocations = true;
        try {
            TarnLauncherWrapper::GetInstance();
            failAllocations = false;
            Report("instance built");
        } catch (const std::bad_alloc&) {
            failAllocations = false;
            Report("instance threw");
        }
        ReportInstance();
    } else if (op.rfind(L"start:", 0) == 0) {
        TarnLauncherWrapper& wrapper = TarnLauncherWrapper::GetInstance();
        std::wstring error = L"<untouched>";
        bool started = wrapper.StartServer(op.substr(6), &error);
        Report("start " + std::to_string(started) +
               " servers=" + std::to_string(wrapper.RunningServers.size()) + " error=" + Utf8(error));
    } else if (op == L"shutdown") {
        if (TarnLauncherHelper* helper = TarnLauncherWrapper::GetInstance().Helper)
            helper->Shutdown(); // as the application does after its dialog has closed
    } else {
        Report("unknown operation " + Utf8(op));
    }
}

} // namespace

// Allocation can be made to fail on demand, to show how the singleton copes with a throwing constructor.
void* operator new(size_t size) {
    void* memory = failAllocations ? nullptr : std::malloc(size ? size : 1);
    if (!memory)
        throw std::bad_alloc();
    return memory;
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, size_t) noexcept {
    std::free(memory);
}

int wmain(int argc, wchar_t** argv) {
    for (int i = 1; i < argc; ++i)
        Run(argv[i]);
    return 0;
}
