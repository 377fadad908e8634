#pragma once
// CShellManager: the framework's helper for shell namespace items.
#include "afxwin.h"

#include <shlobj.h>

class CShellManager : public CObject {
public:
    CShellManager();
    ~CShellManager() override;

    // The item identifier list of a file-system path (free it with FreeItem); a failure HRESULT when the
    // shell does not know the path.
    HRESULT ItemFromPath(LPCTSTR lpszPath, LPITEMIDLIST& pidl);
    void FreeItem(LPITEMIDLIST pidl);
    // The file-system path of an item; FALSE for items outside the file system.
};
