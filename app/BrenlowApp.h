#pragma once
#include <afxwin.h>

// The application: runs the main dialog for the whole process and shuts the launcher and the log down
// after it. InitInstance always answers FALSE, so the framework ends the process when it returns.
class CBrenlowApp : public CWinApp {
public:
    CBrenlowApp();
    BOOL InitInstance() override;

    DECLARE_MESSAGE_MAP()
};

extern CBrenlowApp theApp;
