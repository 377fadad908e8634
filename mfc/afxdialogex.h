#pragma once
// CDialogEx: the dialog class of newer MFC programs. Background colours and images are not offered; it
// behaves as CDialog.
#include "afxwin.h"

class CDialogEx : public CDialog {
    DECLARE_DYNAMIC(CDialogEx)
public:
    explicit CDialogEx(UINT nIDTemplate, CWnd* pParent = nullptr) : CDialog(nIDTemplate, pParent) {}
};
