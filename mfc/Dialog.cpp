#include "afxdialogex.h"

#include <algorithm>

IMPLEMENT_DYNAMIC(CDialog, CWnd)
IMPLEMENT_DYNAMIC(CDialogEx, CDialog)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, &CDialog::OnOK)
ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

BEGIN_MESSAGE_MAP(CDialogEx, CDialog)
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

} // namespace

// Called by the dialog manager for its own messages; only WM_INITDIALOG is ours. The dialog then takes
// over its window, so every later message passes through its WindowProc and the message map.
INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_INITDIALOG)
        return FALSE;
    auto* dialog = reinterpret_cast<CDialog*>(lParam);
    if (!dialog->SubclassWindow(hWnd)) {
        ::EndDialog(hWnd, -1); // the object already runs another window
        return FALSE;
    }
    RECT atCreation;
    ::GetWindowRect(hWnd, &atCreation);
    MSG saved = afx_detail::ExchangeCurrentMessage(MSG{hWnd, message, wParam, lParam, 0, {}});
    BOOL setFocus = dialog->OnInitDialog();
    afx_detail::ExchangeCurrentMessage(saved);
    if (::IsWindow(hWnd))
        CenterUnlessMoved(hWnd, atCreation);
    return setFocus;
}

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_lpszTemplateName(MAKEINTRESOURCEW(nIDTemplate)), m_nIDHelp(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::CDialog(LPCTSTR lpszTemplateName, CWnd* pParentWnd)
    : m_lpszTemplateName(lpszTemplateName), m_pParentWnd(pParentWnd) {}

HWND CDialog::GetOwnerForCreate() const {
    if (m_pParentWnd)
        return m_pParentWnd->GetSafeHwnd();
    CWnd* mainWnd = AfxGetMainWnd();
    return mainWnd && mainWnd != this ? mainWnd->GetSafeHwnd() : nullptr;
}

INT_PTR CDialog::DoModal() {
    // The dialog manager disables the owner and runs a loop that dispatches all of the thread's
    // messages until EndDialog.
    INT_PTR result = DialogBoxParamW(AfxGetResourceHandle(), m_lpszTemplateName, GetOwnerForCreate(),
                                     AfxDlgProc, reinterpret_cast<LPARAM>(this));
    // A dialog that failed before it had a window saw no WM_NCDESTROY: it must not stay the main window.
    afx_detail::OnWindowGone(this);
    return result;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) {
    m_nIDHelp = nIDTemplate;
    return Create(MAKEINTRESOURCEW(nIDTemplate), pParentWnd);
}

BOOL CDialog::Create(LPCTSTR lpszTemplateName, CWnd* pParentWnd) {
    m_lpszTemplateName = lpszTemplateName;
    m_pParentWnd = pParentWnd;
    HWND hWnd = CreateDialogParamW(AfxGetResourceHandle(), lpszTemplateName, GetOwnerForCreate(), AfxDlgProc,
                                   reinterpret_cast<LPARAM>(this));
    return hWnd != nullptr;
}

BOOL CDialog::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
    if (CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo))
        return TRUE;
    bool isCommand = nCode == CN_COMMAND && nID >= 0x8000 && nID < 0xF000;
    if (!isCommand)
        return FALSE; // control notifications and system commands stay here
    CWnd* parent = GetParent();
    if (parent && parent != this && parent->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo))
        return TRUE;
    CWinThread* thread = AfxGetThread();
    return thread && thread->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

void CDialog::EndDialog(int nResult) {
    ::EndDialog(m_hWnd, nResult);
}

BOOL CDialog::OnInitDialog() {
    if (!UpdateData(FALSE)) {
        EndDialog(-1);
        return FALSE;
    }
    return TRUE; // focus to the first tab stop
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE))
        return; // the exchange has put the focus on the failing control
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

// Data exchange ---------------------------------------------------------------------------------------

CDataExchange::CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
    : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

HWND CDataExchange::PrepareCtrl(int nIDC) {
    HWND hWndCtrl = ::GetDlgItem(m_pDlgWnd->GetSafeHwnd(), nIDC);
    if (!hWndCtrl)
        AfxThrowNotSupportedException(); // no such control in the dialog
    m_idLastControl = static_cast<UINT>(nIDC);
    m_bEditLastControl = FALSE;
    return hWndCtrl;
}

HWND CDataExchange::PrepareEditCtrl(int nIDC) {
    HWND hWndCtrl = PrepareCtrl(nIDC);
    m_bEditLastControl = TRUE;
    return hWndCtrl;
}

void CDataExchange::Fail() {
    if (m_bSaveAndValidate && m_idLastControl) {
        HWND hWndLast = ::GetDlgItem(m_pDlgWnd->GetSafeHwnd(), static_cast<int>(m_idLastControl));
        ::SetFocus(hWndLast);
        if (m_bEditLastControl)
            ::SendMessageW(hWndLast, EM_SETSEL, 0, -1);
    }
    AfxThrowUserException();
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
    if (rControl.m_hWnd)
        return; // already bound by an earlier exchange
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (!rControl.SubclassWindow(hWndCtrl))
        AfxThrowNotSupportedException();
}

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value) {
    HWND hWndCtrl = pDX->PrepareEditCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        int length = ::GetWindowTextLengthW(hWndCtrl);
        ::GetWindowTextW(hWndCtrl, value.GetBufferSetLength(length), length + 1);
        value.ReleaseBuffer();
        return;
    }
    // Set only a changed text, so that the control neither flickers nor notifies for nothing.
    CString current;
    CWnd::FromHandle(hWndCtrl)->GetWindowText(current);
    if (current != value)
        ::SetWindowTextW(hWndCtrl, value);
}
