#pragma once
#include "ui/resource.h"

#include <afxdialogex.h>

// Notice asking a question: "仍然关闭" ends it with IDOK, "取消" and every other way out with IDCANCEL.
// The text is shown in the read-only edit IDC_EDIT_MSG under the caption "温馨提示".
class DialogTips : public CDialogEx {
    DECLARE_DYNAMIC(DialogTips)

public:
    explicit DialogTips(CWnd* pParent = nullptr);
    ~DialogTips() override;

    enum { IDD = IDD_DIALOG_TIPS };

    CString m_strMessage; // written by the caller before DoModal

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    DECLARE_MESSAGE_MAP()
};
