#include "app/BrenlowApp.h"

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

} // namespace

BOOL CBrenlowApp::InitInstance() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    CWinApp::InitInstance();
    AfxEnableControlContainer();
    auto shellManager = std::make_unique<CShellManager>();
    SetRegistryKey(L"Local AppWizard-Generated Applications");

    // Constructing the dialog creates the server manager, which loads the launcher library.
    CBrenlowDlg dialog;
    if (!LoadLauncherLibrary()) {
        ShowLauncherLoadFailure();
        return FALSE; // no log opened, no crash handler of our own
    }
    OpenLogFile(); // without a log file the program still runs
    InstallCrashHandler();

    m_pMainWnd = &dialog;
    dialog.DoModal();
    shellManager.reset();
    AwaitCrashHandling(); // after a crash on another thread the process ends under its message, not here

    dialog.m_bRunning = false;
    TarnLauncherWrapper& servers = TarnLauncherWrapper::GetInstance();
    if (servers.Helper && !IsCrashBeingHandled())
        servers.Helper->Shutdown(); // again when the server manager is destroyed at exit
    if (LogStream.good() && LogStream.is_open())
        CloseLogFile();
    return FALSE;
}
