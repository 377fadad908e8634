#include "afxshellmanager.h"

IMPLEMENT_DYNAMIC(CWinThread, CCmdTarget)
IMPLEMENT_DYNAMIC(CWinApp, CWinThread)

BEGIN_MESSAGE_MAP(CWinApp, CWinThread)
ON_COMMAND(ID_HELP, &CWinApp::OnHelp)
END_MESSAGE_MAP()

namespace {

CWinApp* currentApp = nullptr;
HINSTANCE resourceHandle = nullptr;
bool messageLoopRunning = false;

// String resource of the application's title, as MFC names it.
constexpr UINT kAppTitleStringId = 0xE000;

} // namespace

void afx_detail::OnWindowGone(CWnd* pWnd) {
    CWinThread* thread = AfxGetThread();
    if (!thread)
        return;
    if (thread->m_pActiveWnd == pWnd)
        thread->m_pActiveWnd = nullptr;
    if (thread->m_pMainWnd == pWnd) {
        thread->m_pMainWnd = nullptr;
        if (messageLoopRunning)
            PostQuitMessage(0); // the main window is gone: Run's loop ends
    }
}

// CWinThread ------------------------------------------------------------------------------------------

CWinThread::CWinThread() : m_hThread(GetCurrentThread()), m_nThreadID(GetCurrentThreadId()) {}

BOOL CWinThread::InitInstance() {
    return FALSE;
}

int CWinThread::Run() {
    messageLoopRunning = true;
    while (GetMessageW(&m_msgCur, nullptr, 0, 0) > 0) {
        TranslateMessage(&m_msgCur);
        DispatchMessageW(&m_msgCur);
    }
    messageLoopRunning = false;
    return ExitInstance();
}

int CWinThread::ExitInstance() {
    return static_cast<int>(m_msgCur.wParam);
}

// CWinApp ---------------------------------------------------------------------------------------------

CWinApp::CWinApp(LPCTSTR lpszAppName) {
    currentApp = this; // the one application object registers itself during static initialisation
    if (lpszAppName) {
        m_strAppName = lpszAppName;
        m_pszAppName = m_strAppName;
    }
}

CWinApp::~CWinApp() {
    if (currentApp == this)
        currentApp = nullptr;
}

void CWinApp::SetCurrentHandles() {
    wchar_t path[MAX_PATH * 4];
    DWORD length = GetModuleFileNameW(m_hInstance, path, static_cast<DWORD>(std::size(path)));
    CString modulePath(path, static_cast<int>(length));
    CString fileName = modulePath.Mid(modulePath.ReverseFind(L'\\') + 1);
    int dot = fileName.ReverseFind(L'.');
    m_strExeName = dot < 0 ? fileName : fileName.Left(dot);
    m_pszExeName = m_strExeName;

    int extension = modulePath.ReverseFind(L'.');
    m_strHelpFilePath = (extension < 0 ? modulePath : modulePath.Left(extension)) + L".HLP";
    m_pszHelpFilePath = m_strHelpFilePath;

    if (!m_pszAppName) {
        if (!m_strAppName.LoadString(m_hInstance, kAppTitleStringId))
            m_strAppName = m_strExeName;
        m_pszAppName = m_strAppName;
    }
}

BOOL CWinApp::InitApplication() {
    return TRUE;
}

BOOL CWinApp::InitInstance() {
    // Applications that ask for it are restarted by the system after a crash or an update.
    if (m_dwRestartManagerSupportFlags & AFX_RESTART_MANAGER_SUPPORT_RESTART)
        RegisterApplicationRestart(L"/restart", 0);
    return TRUE;
}

int CWinApp::ExitInstance() {
    return CWinThread::ExitInstance();
}

void CWinApp::SetRegistryKey(LPCTSTR lpszRegistryKey) {
    m_strRegistryKey = lpszRegistryKey;
    m_pszRegistryKey = m_strRegistryKey;
    m_strProfileName = m_pszAppName;
    m_pszProfileName = m_strProfileName;
}

void CWinApp::SetRegistryKey(UINT nIDRegistryKey) {
    CString key;
    if (key.LoadString(nIDRegistryKey))
        SetRegistryKey(key);
}

HICON CWinApp::LoadIcon(UINT nIDResource) const {
    return LoadIcon(MAKEINTRESOURCEW(nIDResource));
}
HICON CWinApp::LoadIcon(LPCTSTR lpszResourceName) const {
    return ::LoadIconW(AfxGetResourceHandle(), lpszResourceName);
}

void CWinApp::OnHelp() {
    if (!m_pszHelpFilePath || GetFileAttributesW(m_pszHelpFilePath) == INVALID_FILE_ATTRIBUTES)
        return; // no help file: nothing to open, and no error window for the user
    CWnd* mainWnd = AfxGetMainWnd();
    ::WinHelpW(mainWnd->GetSafeHwnd(), m_pszHelpFilePath, HELP_FINDER, 0);
}

// Global functions --------------------------------------------------------------------------------------

CWinApp* AfxGetApp() {
    return currentApp;
}

CWinThread* AfxGetThread() {
    return currentApp;
}

CWnd* AfxGetMainWnd() {
    return currentApp ? currentApp->GetMainWnd() : nullptr;
}

HINSTANCE AfxGetInstanceHandle() {
    return currentApp && currentApp->m_hInstance ? currentApp->m_hInstance : GetModuleHandleW(nullptr);
}

HINSTANCE AfxGetResourceHandle() {
    return resourceHandle ? resourceHandle : AfxGetInstanceHandle();
}

void AfxSetResourceHandle(HINSTANCE hInstResource) {
    resourceHandle = hInstResource;
}

LPCTSTR AfxGetAppName() {
    return currentApp && currentApp->m_pszAppName ? currentApp->m_pszAppName : L"";
}

BOOL AfxWinInit(HINSTANCE hInstance, HINSTANCE, LPTSTR lpCmdLine, int nCmdShow) {
    if (!currentApp)
        return FALSE;
    currentApp->m_hInstance = hInstance;
    currentApp->m_lpCmdLine = lpCmdLine;
    currentApp->m_nCmdShow = nCmdShow;
    currentApp->SetCurrentHandles();
    return TRUE;
}

int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPTSTR lpCmdLine, int nCmdShow) {
    CWinApp* app = AfxGetApp();
    if (!app || !AfxWinInit(hInstance, hPrevInstance, lpCmdLine, nCmdShow) || !app->InitApplication())
        return -1;
    if (!app->InitInstance()) {
        if (app->m_pMainWnd)
            app->m_pMainWnd->DestroyWindow();
        return app->ExitInstance();
    }
    return app->Run();
}

void AfxEnableControlContainer(COccManager*) {}

// CShellManager -------------------------------------------------------------------------------------------

CShellManager::CShellManager() = default;

CShellManager::~CShellManager() = default;

HRESULT CShellManager::ItemFromPath(LPCTSTR lpszPath, LPITEMIDLIST& pidl) {
    pidl = nullptr;
    return SHParseDisplayName(lpszPath, nullptr, &pidl, 0, nullptr);
}

void CShellManager::FreeItem(LPITEMIDLIST pidl) {
    CoTaskMemFree(pidl);
}
