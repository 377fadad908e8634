#include "server/TarnLauncherWrapper.h"

#include "base/ModulePath.h"
#include "diag/CrashHandler.h"
#include "diag/LogFile.h"
#include "server/LauncherBinding.h"
#include "server/LogMessages.h"
#include "server/ServerNames.h"

#include <windows.h>

#include <algorithm>

namespace {

// The launcher takes its command line in a buffer of this many characters, NUL included.
constexpr size_t kCommandLineCapacity = 2048;

// 启动专有服务器失败,请重试
constexpr wchar_t kStartServerFailed[] = L"\u542F\u52A8\u4E13\u6709\u670D\u52A1\u5668\u5931\u8D25,"
                                         L"\u8BF7\u91CD\u8BD5";

// A name with a blank or tab would reach the server as several arguments, so it is quoted. Folder names
// cannot hold a double quote or end in a backslash, so nothing inside needs escaping.
std::wstring ClusterArgument(const std::wstring& name) {
    if (name.find_first_of(L" \t") == std::wstring::npos)
        return name;
    return L"\"" + name + L"\"";
}

} // namespace

TarnLauncherWrapper& TarnLauncherWrapper::GetInstance() {
    static TarnLauncherWrapper instance;
    return instance;
}

TarnLauncherWrapper::TarnLauncherWrapper() {
    BindLauncher();
}

TarnLauncherWrapper::~TarnLauncherWrapper() {
    if (Helper && !IsCrashBeingHandled()) {
        Helper->Shutdown();
        Helper = nullptr;
    }
}

// Runs once: when no helper is obtained here, there is none for the rest of the run.
void TarnLauncherWrapper::BindLauncher() {
    if (!LoadLauncherLibrary()) {
        WriteLog(kServerLogLevel, kLogLauncherNotLoaded);
        Helper = nullptr;
    } else if (auto factory = reinterpret_cast<GetTarnLauncherHelperFunction>(
                   reinterpret_cast<void*>(GetProcAddress(g_tarndll_inst, kLauncherFactoryName)))) {
        Helper = factory();
    } else {
        Helper = nullptr;
    }

    std::wstring folder;
    GetModuleDirectory(folder); // on failure the path starts with the separator alone
    ServerExecutablePath = folder + L"//" + kServerExecutableName;
}

bool TarnLauncherWrapper::StartServer(const std::wstring& name, std::wstring* error) {
    if (!Helper || !error)
        return false;

    std::wstring text = kServerCommandPrefix + ClusterArgument(name);
    wchar_t commandLine[kCommandLineCapacity] = {};
    size_t length = std::min(text.size(), kCommandLineCapacity - 1); // longer text is cut
    std::copy_n(text.begin(), length, commandLine);

    ServerProcessInfo info{};
    if (!Helper->LaunchProcess(commandLine, &info)) {
        *error = kStartServerFailed;
        return false;
    }
    RunningServers[name] = info;
    creationTimes_.erase(info.ProcessId); // an identifier of a server that has ended may come again
    KnownCreationTime(info.ProcessId);
    SaveRecords();
    return true;
}

bool TarnLauncherWrapper::IsServerStarted(const std::wstring& name) const {
    return RunningServers.find(name) != RunningServers.end();
}
