#include "app/BrenlowApp.h"

#include "app/InstanceMarker.h"
#include "diag/CrashHandler.h"
#include "diag/LogFile.h"
#include "server/LauncherBinding.h"
#include "server/TarnLauncherWrapper.h"
#include "ui/BrenlowDlg.h"
#include "ui/Notices.h"

#include <afxshellmanager.h>
#include <commctrl.h>

#include <memory>

BEGIN_MESSAGE_MAP(CBrenlowApp, CWinApp)
ON_COMMAND(ID_HELP, &CWinApp::OnHelp)
END_MESSAGE_MAP()

CBrenlowApp::CBrenlowApp() {
    m_dwRestartManagerSupportFlags = AFX_RESTART_MANAGER_SUPPORT_RESTART;
}

CBrenlowApp theApp;

namespace {

void ShowLauncherLoadFailure() {
    CString message = L"加载";
    message += kLauncherLibraryName;
    message += L"失败!";
    ShowErrorMsg(message);
}

// The servers still running after an earlier run of this copy ended unexpectedly go back into the map,
// and the map is recorded from now on.
void AdoptRecordedServers(TarnLauncherWrapper& servers) {
    std::wstring records;
    if (TarnLauncherWrapper::GetServerRecordPath(records))
        servers.AdoptRecordedServers(records);
}

} // namespace

BOOL CBrenlowApp::InitInstance() {
    // Before anything is loaded or opened: a second Brenlow of the session only shows the first one.
    InstanceMarker marker;
    if (marker.IsHeldByAnother()) {
        marker.BringOtherForward();
        return FALSE;
    }

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    CWinApp::InitInstance();
    AfxEnableControlContainer();
    auto shellManager = std::make_unique<CShellManager>();
    SetRegistryKey(L"Local AppWizard-Generated Applications");

    // Before the launcher library loads: a crash in its start-up code or its factory is handled too.
    InstallCrashHandler();
    CloseOnCrash(marker.Release()); // a Brenlow showing "Fatal Error" holds no new one back
    // Constructing the dialog creates the server manager, which loads the launcher library.
    CBrenlowDlg dialog;
    if (!LoadLauncherLibrary()) {
        ShowLauncherLoadFailure();
        return FALSE; // no log opened
    }
    OpenLogFile(); // without a log file the program still runs
    TarnLauncherWrapper& servers = TarnLauncherWrapper::GetInstance();
    AdoptRecordedServers(servers); // before the dialog shows its list

    m_pMainWnd = &dialog;
    // Closed, after every server was stopped: nothing is left to find again.
    if (dialog.DoModal() == IDCANCEL)
        servers.ForgetRecordedServers();
    shellManager.reset();
    AwaitCrashHandling(); // after a crash on another thread the process ends under its message, not here

    dialog.m_bRunning = false;
    if (servers.Helper && !IsCrashBeingHandled())
        servers.Helper->Shutdown(); // again when the server manager is destroyed at exit
    if (LogStream.good() && LogStream.is_open())
        CloseLogFile();
    return FALSE;
}
