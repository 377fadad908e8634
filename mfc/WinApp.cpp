#include "afximpl.h"

#include "base/ModulePath.h"

#include <shlwapi.h>

namespace {

CWinApp* currentApp = nullptr;

} // namespace

void afx_detail::OnWindowGone(CWnd* pWnd) {
    if (currentApp && currentApp->m_pMainWnd == pWnd)
        currentApp->m_pMainWnd = nullptr;
}

CWinApp::CWinApp() {
    currentApp = this; // the one application object registers itself during static initialisation
}

CWinApp::~CWinApp() {
    if (currentApp == this)
        currentApp = nullptr;
}

BOOL CWinApp::InitInstance() {
    // Applications that ask for it are restarted by the system after a crash or an update.
    if (m_dwRestartManagerSupportFlags & AFX_RESTART_MANAGER_SUPPORT_RESTART)
        RegisterApplicationRestart(L"/restart", 0);
    return TRUE;
}

void CWinApp::OnHelp() {
    wchar_t path[MAX_PATH];
    if (!GetModulePath(nullptr, path, MAX_PATH) || !PathRenameExtensionW(path, L".HLP"))
        return;
    if (GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES) // no error window for a missing help file
        ::WinHelpW(AfxGetMainWnd()->GetSafeHwnd(), path, HELP_FINDER, 0);
}

CWinApp* AfxGetApp() {
    return currentApp;
}

CWnd* AfxGetMainWnd() {
    return currentApp ? currentApp->m_pMainWnd : nullptr;
}

HINSTANCE AfxGetInstanceHandle() {
    return GetModuleHandleW(nullptr); // the layer is linked into the program itself
}

int AfxWinMain(HINSTANCE, HINSTANCE, LPTSTR, int) {
    if (!currentApp)
        return -1;
    currentApp->InitInstance();
    return 0;
}
