#include "afxdialogex.h"
#include "afximpl.h"

#include <algorithm>
#include <string>

IMPLEMENT_DYNAMIC(CDialog, CWnd)
IMPLEMENT_DYNAMIC(CDialogEx, CDialog)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, &CDialog::OnOK)
ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

namespace {

// As the framework does for its dialogs: a top-level dialog that OnInitDialog left where its template
// put it is centred over its owner, or over the work area when it has no visible owner.
void CenterUnlessMoved(HWND hWnd, const RECT& atCreation) {
    if (::GetWindowLongW(hWnd, GWL_STYLE) & WS_CHILD)
        return;
    RECT now;
    ::GetWindowRect(hWnd, &now);
    if (now.left != atCreation.left || now.top != atCreation.top)
        return;
    RECT workArea;
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
    RECT area = workArea;
    HWND owner = ::GetWindow(hWnd, GW_OWNER);
    if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner))
        ::GetWindowRect(owner, &area);
    int width = now.right - now.left;
    int height = now.bottom - now.top;
    // Centred, but kept on the work area.
    int x = std::max<int>(workArea.left, std::min<int>(area.left + (area.right - area.left - width) / 2,
                                                       workArea.right - width));
    int y = std::max<int>(workArea.top, std::min<int>(area.top + (area.bottom - area.top - height) / 2,
                                                      workArea.bottom - height));
    ::SetWindowPos(hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Called by the dialog manager for its own messages; only WM_INITDIALOG is ours. The dialog then takes
// over its window, so every later message passes through its WindowProc and the message map.
INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_INITDIALOG)
        return FALSE;
    auto* dialog = reinterpret_cast<CDialog*>(lParam);
    if (!dialog->SubclassWindow(hWnd)) {
        ::EndDialog(hWnd, -1); // the object already runs another window
        return FALSE;
    }
    RECT atCreation;
    ::GetWindowRect(hWnd, &atCreation);
    BOOL setFocus = dialog->OnInitDialog();
    if (::IsWindow(hWnd))
        CenterUnlessMoved(hWnd, atCreation);
    return setFocus;
}

} // namespace

INT_PTR CDialog::DoModal() {
    // The owner: the parent, else the main window unless that is this dialog.
    CWnd* owner = m_pParentWnd ? m_pParentWnd : AfxGetMainWnd();
    HWND hWndOwner = owner != this ? owner->GetSafeHwnd() : nullptr;
    // The dialog manager disables the owner and runs a loop that dispatches all of the thread's
    // messages until EndDialog.
    INT_PTR result = DialogBoxParamW(AfxGetInstanceHandle(), m_lpszTemplateName, hWndOwner, AfxDlgProc,
                                     reinterpret_cast<LPARAM>(this));
    // A dialog that failed before it had a window saw no WM_NCDESTROY: it must not stay the main window.
    afx_detail::OnWindowGone(this);
    return result;
}

BOOL CDialog::OnCmdMsg(UINT nID, int nCode) {
    if (CWnd::OnCmdMsg(nID, nCode))
        return TRUE;
    bool isCommand = nCode == CN_COMMAND && nID >= 0x8000 && nID < 0xF000;
    if (!isCommand)
        return FALSE; // control notifications and system commands stay here
    CWnd* parent = GetParent();
    if (parent && parent != this && parent->OnCmdMsg(nID, nCode))
        return TRUE;
    CWinApp* app = AfxGetApp();
    return app && app->OnCmdMsg(nID, nCode);
}

BOOL CDialog::OnInitDialog() {
    if (!UpdateData(FALSE)) {
        EndDialog(-1);
        return FALSE;
    }
    return TRUE; // focus to the first tab stop
}

void CDialog::OnOK() {
    if (UpdateData(TRUE))
        EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

// Data exchange ---------------------------------------------------------------------------------------

BOOL CWnd::UpdateData(BOOL bSaveAndValidate) {
    CDataExchange exchange(this, bSaveAndValidate);
    try {
        DoDataExchange(&exchange);
        return TRUE;
    } catch (CException* failure) {
        failure->Delete();
        return FALSE;
    }
}

HWND CDataExchange::PrepareCtrl(int nIDC) {
    HWND hWndCtrl = ::GetDlgItem(m_pDlgWnd->GetSafeHwnd(), nIDC);
    if (!hWndCtrl)
        throw new CNotSupportedException; // no such control in the dialog
    return hWndCtrl;
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
    if (rControl.m_hWnd)
        return; // already bound by an earlier exchange
    if (!rControl.SubclassWindow(pDX->PrepareCtrl(nIDC)))
        throw new CNotSupportedException;
}

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value) {
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(hWndCtrl)) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(hWndCtrl, text.data(), static_cast<int>(text.size()))));
    if (pDX->m_bSaveAndValidate)
        value = text.c_str();
    else if (value.Compare(text.c_str()) != 0) // unchanged text is not set: no flicker, no notification
        ::SetWindowTextW(hWndCtrl, value);
}
