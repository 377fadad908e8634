// A program on the layer's entry point whose InitInstance returns FALSE. It appends what happens to the
// file named on its command line, so that the test can see the order: InitInstance, the main window
// destroyed by the framework, the static objects destroyed at exit.
#include <afxwin.h>

#include <fstream>
#include <string>

namespace {

std::wstring reportPath; // defined before the witness below, so destroyed after it

void Report(const char* line) {
    std::ofstream report(reportPath.c_str(), std::ios::app | std::ios::binary);
    report << line << '\n';
}

struct StaticWitness {
    ~StaticWitness() { Report("static objects destroyed"); }
} witness;

class CMainWnd : public CWnd {
protected:
    afx_msg void OnDestroy() {
        Report("main window destroyed");
        CWnd::OnDestroy();
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CMainWnd, CWnd)
ON_WM_DESTROY()
END_MESSAGE_MAP()

CMainWnd mainWnd;

class CExitApp : public CWinApp {
public:
    BOOL InitInstance() override {
        reportPath = m_lpCmdLine;
        bool registered = AfxGetApp() == this && AfxGetInstanceHandle() == GetModuleHandleW(nullptr);
        Report(registered ? "InitInstance of the registered application" : "InitInstance of a stranger");
        if (CString(m_pszAppName) == L"mfc_app_exit")
            Report("named after the executable");
        if (mainWnd.CreateEx(0, L"STATIC", L"main", WS_POPUP, CRect(0, 0, 10, 10), nullptr, 0))
            m_pMainWnd = &mainWnd;
        return FALSE;
    }
};

CExitApp theApp;

} // namespace
