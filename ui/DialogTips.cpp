#include "ui/DialogTips.h"

IMPLEMENT_DYNAMIC(DialogTips, CDialogEx)

DialogTips::DialogTips(CWnd* pParent) : CDialogEx(IDD, pParent) {}

DialogTips::~DialogTips() = default;

void DialogTips::DoDataExchange(CDataExchange* pDX) {
    CDialogEx::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_EDIT_MSG, m_strMessage);
}

BEGIN_MESSAGE_MAP(DialogTips, CDialogEx)
END_MESSAGE_MAP()
