#include "ui/DialogErrorMsg.h"

IMPLEMENT_DYNAMIC(DialogErrorMsg, CDialogEx)

DialogErrorMsg::DialogErrorMsg(CWnd* pParent) : CDialogEx(IDD, pParent) {}

DialogErrorMsg::~DialogErrorMsg() = default;

void DialogErrorMsg::DoDataExchange(CDataExchange* pDX) {
    CDialogEx::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_EDIT_MSG, m_strMessage);
}

BEGIN_MESSAGE_MAP(DialogErrorMsg, CDialogEx)
END_MESSAGE_MAP()
