#pragma once
#include "ui/resource.h"

#include <afxdialogex.h>

// Notice with the single button "确定", for errors and refusals.
// The text is shown in the read-only edit IDC_EDIT_MSG under the caption "温馨提示".
class DialogErrorMsg : public CDialogEx {
    DECLARE_DYNAMIC(DialogErrorMsg)

public:
    explicit DialogErrorMsg(CWnd* pParent = nullptr);
    ~DialogErrorMsg() override;

    enum { IDD = IDD_DIALOG_ERRORMSG };

    CString m_strMessage; // written by the caller before DoModal

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    DECLARE_MESSAGE_MAP()
};
