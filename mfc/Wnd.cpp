#include "afxwin.h"

#include <map>
#include <typeindex>
#include <unordered_map>
#include <utility>

IMPLEMENT_DYNAMIC(CWnd, CCmdTarget)

const CWnd CWnd::wndTop(HWND_TOP);
const CWnd CWnd::wndBottom(HWND_BOTTOM);
const CWnd CWnd::wndTopMost(HWND_TOPMOST);
const CWnd CWnd::wndNoTopMost(HWND_NOTOPMOST);

namespace {

// Never destroyed: objects may still detach from it while static objects are being destroyed.
std::unordered_map<HWND, CWnd*>& PermanentWindows() {
    static auto* windows = new std::unordered_map<HWND, CWnd*>;
    return *windows;
}

// The message WindowProc is processing, for Default() and reflection (one thread).
MSG currentMessage{};
// The window whose data exchange is running: its controls' notifications are ignored meanwhile.
HWND lockoutNotifyWindow = nullptr;
// The object that CreateEx is creating, handed over at the window's first creation hook call.
CWnd* windowBeingCreated = nullptr;

class CurrentMessageScope {
public:
    CurrentMessageScope(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
        : saved_(afx_detail::ExchangeCurrentMessage(MSG{hWnd, message, wParam, lParam, 0, {}})) {}
    ~CurrentMessageScope() { afx_detail::ExchangeCurrentMessage(saved_); }

private:
    MSG saved_;
};

} // namespace

MSG afx_detail::ExchangeCurrentMessage(const MSG& message) {
    return std::exchange(currentMessage, message);
}

// Temporary wrappers ---------------------------------------------------------------------------------

namespace afx_detail {

namespace {

struct TemporaryEntry {
    CObject* object;
    void (*release)(CObject*);
    bool (*alive)(HANDLE);
};

std::map<std::pair<HANDLE, std::type_index>, TemporaryEntry>& Temporaries() {
    static auto* temporaries = new std::map<std::pair<HANDLE, std::type_index>, TemporaryEntry>;
    return *temporaries;
}

void ReleaseDeadTemporaries() {
    auto& temporaries = Temporaries();
    for (auto it = temporaries.begin(); it != temporaries.end();) {
        if (it->second.alive(it->first.first)) {
            ++it;
            continue;
        }
        it->second.release(it->second.object);
        it = temporaries.erase(it);
    }
}

} // namespace

CObject* FindTemporary(HANDLE handle, const std::type_info& type) {
    auto found = Temporaries().find({handle, std::type_index(type)});
    return found == Temporaries().end() ? nullptr : found->second.object;
}

void AddTemporary(HANDLE handle, const std::type_info& type, CObject* object, void (*release)(CObject*),
                  bool (*alive)(HANDLE)) {
    ReleaseDeadTemporaries();
    Temporaries()[{handle, std::type_index(type)}] = TemporaryEntry{object, release, alive};
}

} // namespace afx_detail

// The subclass procedure of every permanent window ----------------------------------------------------

LRESULT CALLBACK AfxWndSubclassProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                    DWORD_PTR refData) {
    CWnd* wnd = reinterpret_cast<CWnd*>(refData);
    CurrentMessageScope scope(hWnd, message, wParam, lParam);
    LRESULT result = wnd->WindowProc(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // The window is gone: the object lets go of it and may delete itself in PostNcDestroy.
        RemoveWindowSubclass(hWnd, AfxWndSubclassProc, 0);
        if (CWnd::FromHandlePermanent(hWnd) == wnd)
            wnd->Detach();
        afx_detail::OnWindowGone(wnd);
        wnd->PostNcDestroy();
    }
    return result;
}

// Hands the window that CreateEx is creating to its object before the window's first message.
LRESULT CALLBACK AfxCbtFilterHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && windowBeingCreated) {
        CWnd* wnd = windowBeingCreated;
        windowBeingCreated = nullptr;
        HWND hWnd = reinterpret_cast<HWND>(wParam);
        if (wnd->Attach(hWnd)) {
            wnd->PreSubclassWindow();
            if (!SetWindowSubclass(hWnd, AfxWndSubclassProc, 0, reinterpret_cast<DWORD_PTR>(wnd)))
                wnd->Detach();
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Handle map ------------------------------------------------------------------------------------------

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnonnull-compare"
// MFC code calls these through null pointers (pParent->GetSafeHwnd()); the library is built with
// -fno-delete-null-pointer-checks so that the test stays.
CWnd::operator HWND() const {
    return this == nullptr ? nullptr : m_hWnd;
}
HWND CWnd::GetSafeHwnd() const {
    return this == nullptr ? nullptr : m_hWnd;
}
#pragma GCC diagnostic pop

CWnd::~CWnd() {
    // As in MFC: an object that still owns its window destroys it (the derived class's handlers can no
    // longer run).
    if (m_hWnd && FromHandlePermanent(m_hWnd) == this) {
        HWND hWnd = m_hWnd;
        ::DestroyWindow(hWnd);
        if (FromHandlePermanent(hWnd) == this)
            Detach();
    }
}

CWnd* PASCAL CWnd::FromHandle(HWND hWnd) {
    if (CWnd* permanent = FromHandlePermanent(hWnd))
        return permanent;
    return afx_detail::Temporary<CWnd>(hWnd);
}

CWnd* PASCAL CWnd::FromHandlePermanent(HWND hWnd) {
    auto found = PermanentWindows().find(hWnd);
    return found == PermanentWindows().end() ? nullptr : found->second;
}

BOOL CWnd::Attach(HWND hWndNew) {
    if (!hWndNew || m_hWnd || FromHandlePermanent(hWndNew))
        return FALSE;
    m_hWnd = hWndNew;
    PermanentWindows()[hWndNew] = this;
    return TRUE;
}

HWND CWnd::Detach() {
    HWND hWnd = m_hWnd;
    if (hWnd && FromHandlePermanent(hWnd) == this)
        PermanentWindows().erase(hWnd);
    m_hWnd = nullptr;
    return hWnd;
}

BOOL CWnd::HookWindow(HWND hWnd) {
    if (!SetWindowSubclass(hWnd, AfxWndSubclassProc, 0, reinterpret_cast<DWORD_PTR>(this))) {
        Detach();
        return FALSE;
    }
    return TRUE;
}

BOOL CWnd::SubclassWindow(HWND hWnd) {
    if (!::IsWindow(hWnd) || !Attach(hWnd))
        return FALSE;
    PreSubclassWindow();
    return HookWindow(hWnd);
}

HWND CWnd::UnsubclassWindow() {
    if (m_hWnd)
        RemoveWindowSubclass(m_hWnd, AfxWndSubclassProc, 0);
    return Detach();
}

void CWnd::PreSubclassWindow() {}

void CWnd::PostNcDestroy() {}

// Creation ---------------------------------------------------------------------------------------------

BOOL CWnd::PreCreateWindow(CREATESTRUCT&) {
    return TRUE;
}

BOOL CWnd::Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                  CWnd* pParentWnd, UINT nID, CCreateContext*) {
    return CreateEx(0, lpszClassName, lpszWindowName, dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle,
                    const RECT& rect, CWnd* pParentWnd, UINT nID, LPVOID lpParam) {
    return CreateEx(dwExStyle, lpszClassName, lpszWindowName, dwStyle, rect.left, rect.top,
                    rect.right - rect.left, rect.bottom - rect.top, pParentWnd->GetSafeHwnd(),
                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)), lpParam);
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, int x,
                    int y, int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam) {
    if (m_hWnd)
        return FALSE;
    CREATESTRUCT cs{};
    cs.dwExStyle = dwExStyle;
    cs.lpszClass = lpszClassName;
    cs.lpszName = lpszWindowName;
    cs.style = static_cast<LONG>(dwStyle);
    cs.x = x;
    cs.y = y;
    cs.cx = nWidth;
    cs.cy = nHeight;
    cs.hwndParent = hWndParent;
    cs.hMenu = nIDorHMenu;
    cs.hInstance = AfxGetInstanceHandle();
    cs.lpCreateParams = lpParam;
    if (!PreCreateWindow(cs)) {
        PostNcDestroy();
        return FALSE;
    }
    // The hook subclasses the window before its first message, so that WM_CREATE reaches the map.
    HHOOK hook = SetWindowsHookExW(WH_CBT, AfxCbtFilterHook, nullptr, GetCurrentThreadId());
    windowBeingCreated = this;
    HWND hWnd = CreateWindowExW(cs.dwExStyle, cs.lpszClass, cs.lpszName, static_cast<DWORD>(cs.style), cs.x,
                                cs.y, cs.cx, cs.cy, cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
    windowBeingCreated = nullptr;
    if (hook)
        UnhookWindowsHookEx(hook);
    if (!hWnd)
        return FALSE;
    if (m_hWnd != hWnd && !SubclassWindow(hWnd)) // only when the hook could not be set
        return FALSE;
    return TRUE;
}

BOOL CWnd::DestroyWindow() {
    if (!m_hWnd)
        return FALSE;
    HWND hWnd = m_hWnd;
    BOOL destroyed = ::DestroyWindow(hWnd);
    // An attached but not subclassed window sees no WM_NCDESTROY here: let go of it now.
    if (destroyed && m_hWnd == hWnd && !::IsWindow(hWnd))
        Detach();
    return destroyed;
}

// Message processing ----------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
ON_WM_DRAWITEM()
END_MESSAGE_MAP()

const MSG* PASCAL CWnd::GetCurrentMessage() {
    return &currentMessage;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result))
        result = DefWindowProc(message, wParam, lParam);
    return result;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR refData = 0;
    if (m_hWnd && GetWindowSubclass(m_hWnd, AfxWndSubclassProc, 0, &refData) &&
        refData == reinterpret_cast<DWORD_PTR>(this))
        return DefSubclassProc(m_hWnd, message, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default() {
    return DefWindowProc(currentMessage.message, currentMessage.wParam, currentMessage.lParam);
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    LRESULT result = 0;
    BOOL handled = FALSE;
    if (message == WM_COMMAND) {
        handled = OnCommand(wParam, lParam);
        result = 1;
    } else if (message == WM_NOTIFY) {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        handled = header && header->hwndFrom && OnNotify(wParam, lParam, &result);
    } else if (const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(message, 0, 0)) {
        handled = entry->pfn(this, wParam, lParam, &result);
    }
    if (handled && pResult)
        *pResult = result;
    return handled;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    UINT nID = LOWORD(wParam);
    HWND hWndCtrl = reinterpret_cast<HWND>(lParam);
    int nCode = HIWORD(wParam);
    if (!hWndCtrl) {
        nCode = CN_COMMAND; // menus and accelerators
    } else {
        if (lockoutNotifyWindow == m_hWnd)
            return TRUE; // a control speaking while UpdateData fills it
        if (ReflectLastMsg(hWndCtrl))
            return TRUE; // the control's own object took it
        if (nID == 0)
            return FALSE;
    }
    return OnCmdMsg(nID, nCode, nullptr, nullptr);
}

BOOL CWnd::OnNotify(WPARAM, LPARAM lParam, LRESULT* pResult) {
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    HWND hWndCtrl = header->hwndFrom;
    UINT nID = static_cast<WORD>(::GetDlgCtrlID(hWndCtrl));
    if (lockoutNotifyWindow == m_hWnd)
        return TRUE;
    if (ReflectLastMsg(hWndCtrl, pResult))
        return TRUE;
    AFX_NOTIFY notify{pResult, header};
    return OnCmdMsg(nID, MAKELONG(header->code, WM_NOTIFY), &notify, nullptr);
}

BOOL PASCAL CWnd::ReflectLastMsg(HWND hWndChild, LRESULT* pResult) {
    CWnd* child = FromHandlePermanent(hWndChild);
    return child && child->SendChildNotifyLastMsg(pResult);
}

BOOL CWnd::SendChildNotifyLastMsg(LRESULT* pResult) {
    return OnChildNotify(currentMessage.message, currentMessage.wParam, currentMessage.lParam, pResult);
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    return ReflectChildNotify(message, wParam, lParam, pResult);
}

BOOL CWnd::ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    switch (message) {
    case WM_COMMAND:
        if (CCmdTarget::OnCmdMsg(0, MAKELONG(HIWORD(wParam), WM_REFLECT_BASE + WM_COMMAND), nullptr,
                                 nullptr)) {
            if (pResult)
                *pResult = 1;
            return TRUE;
        }
        return FALSE;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        AFX_NOTIFY notify{pResult, header};
        return CCmdTarget::OnCmdMsg(0, MAKELONG(header->code, WM_REFLECT_BASE + WM_NOTIFY), &notify, nullptr);
    }
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_DELETEITEM:
    case WM_COMPAREITEM:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_PARENTNOTIFY:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return CWnd::OnWndMsg(WM_REFLECT_BASE + message, wParam, lParam, pResult);
    default:
        return FALSE;
    }
}

void CWnd::OnDrawItem(int, LPDRAWITEMSTRUCT lpDrawItemStruct) {
    if (lpDrawItemStruct->CtlType != ODT_MENU && ReflectLastMsg(lpDrawItemStruct->hwndItem))
        return;
    Default();
}

// Default handlers: the window's own processing.
void CWnd::OnPaint() {
    Default();
}
void CWnd::OnTimer(UINT_PTR) {
    Default();
}
HCURSOR CWnd::OnQueryDragIcon() {
    return reinterpret_cast<HCURSOR>(Default());
}
void CWnd::OnDestroy() {
    Default();
}
void CWnd::OnNcDestroy() {
    Default();
}
void CWnd::OnClose() {
    Default();
}
void CWnd::OnSysColorChange() {
    Default();
}
int CWnd::OnCreate(LPCREATESTRUCT) {
    return static_cast<int>(Default());
}
void CWnd::OnSize(UINT, int, int) {
    Default();
}
BOOL CWnd::OnEraseBkgnd(CDC*) {
    return static_cast<BOOL>(Default());
}
void CWnd::OnSysCommand(UINT, LPARAM) {
    Default();
}
void CWnd::OnLButtonDown(UINT, CPoint) {
    Default();
}
void CWnd::OnLButtonUp(UINT, CPoint) {
    Default();
}
void CWnd::OnRButtonDown(UINT, CPoint) {
    Default();
}

// Data exchange -----------------------------------------------------------------------------------------

void CWnd::DoDataExchange(CDataExchange*) {}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate) {
    CDataExchange exchange(this, bSaveAndValidate);
    HWND savedLockout = lockoutNotifyWindow;
    lockoutNotifyWindow = m_hWnd;
    BOOL ok = FALSE;
    try {
        DoDataExchange(&exchange);
        ok = TRUE;
    } catch (CException* failure) {
        failure->Delete(); // a failed exchange reports FALSE
    }
    lockoutNotifyWindow = savedLockout;
    return ok;
}

// Forwarding members --------------------------------------------------------------------------------------

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
}
BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::PostMessageW(m_hWnd, message, wParam, lParam);
}

void CWnd::SetWindowText(LPCTSTR lpszString) {
    ::SetWindowTextW(m_hWnd, lpszString);
}
void CWnd::GetWindowText(CString& rString) const {
    int length = ::GetWindowTextLengthW(m_hWnd);
    ::GetWindowTextW(m_hWnd, rString.GetBufferSetLength(length), length + 1);
    rString.ReleaseBuffer();
}
int CWnd::GetWindowTextLength() const {
    return ::GetWindowTextLengthW(m_hWnd);
}

CWnd* CWnd::GetDlgItem(int nID) const {
    return FromHandle(::GetDlgItem(m_hWnd, nID));
}
int CWnd::GetDlgCtrlID() const {
    return ::GetDlgCtrlID(m_hWnd);
}
void CWnd::SetDlgItemText(int nID, LPCTSTR lpszString) {
    ::SetDlgItemTextW(m_hWnd, nID, lpszString);
}
int CWnd::GetDlgItemText(int nID, CString& rString) const {
    rString.Empty();
    if (HWND hWndItem = ::GetDlgItem(m_hWnd, nID))
        FromHandle(hWndItem)->GetWindowText(rString);
    return rString.GetLength();
}
void CWnd::SetFont(CFont* pFont, BOOL bRedraw) {
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(pFont->GetSafeHandle()), bRedraw);
}
CFont* CWnd::GetFont() const {
    return CFont::FromHandle(reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)));
}

DWORD CWnd::GetStyle() const {
    return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE));
}
DWORD CWnd::GetExStyle() const {
    return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE));
}

void CWnd::GetClientRect(LPRECT lpRect) const {
    ::GetClientRect(m_hWnd, lpRect);
}
void CWnd::GetWindowRect(LPRECT lpRect) const {
    ::GetWindowRect(m_hWnd, lpRect);
}
void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint) {
    ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint);
}
void CWnd::MoveWindow(LPCRECT lpRect, BOOL bRepaint) {
    MoveWindow(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top,
               bRepaint);
}
BOOL CWnd::SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags) {
    return ::SetWindowPos(m_hWnd, pWndInsertAfter->GetSafeHwnd(), x, y, cx, cy, nFlags);
}
BOOL CWnd::ShowWindow(int nCmdShow) {
    return ::ShowWindow(m_hWnd, nCmdShow);
}
BOOL CWnd::IsWindowVisible() const {
    return ::IsWindowVisible(m_hWnd);
}
BOOL CWnd::IsIconic() const {
    return ::IsIconic(m_hWnd);
}
BOOL CWnd::EnableWindow(BOOL bEnable) {
    return ::EnableWindow(m_hWnd, bEnable);
}
BOOL CWnd::IsWindowEnabled() const {
    return ::IsWindowEnabled(m_hWnd);
}
CWnd* CWnd::SetFocus() {
    return FromHandle(::SetFocus(m_hWnd));
}
CWnd* PASCAL CWnd::GetFocus() {
    return FromHandle(::GetFocus());
}

CWnd* CWnd::GetParent() const {
    return FromHandle(::GetParent(m_hWnd));
}

void CWnd::Invalidate(BOOL bErase) {
    ::InvalidateRect(m_hWnd, nullptr, bErase);
}
void CWnd::InvalidateRect(LPCRECT lpRect, BOOL bErase) {
    ::InvalidateRect(m_hWnd, lpRect, bErase);
}
void CWnd::UpdateWindow() {
    ::UpdateWindow(m_hWnd);
}
BOOL CWnd::RedrawWindow(LPCRECT lpRectUpdate, CRgn* prgnUpdate, UINT flags) {
    return ::RedrawWindow(m_hWnd, lpRectUpdate, static_cast<HRGN>(prgnUpdate->GetSafeHandle()), flags);
}
CDC* CWnd::GetDC() {
    return CDC::FromHandle(::GetDC(m_hWnd));
}
int CWnd::ReleaseDC(CDC* pDC) {
    return ::ReleaseDC(m_hWnd, pDC->GetSafeHdc());
}

UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse,
                        void(CALLBACK* lpfnTimer)(HWND, UINT, UINT_PTR, DWORD)) {
    return ::SetTimer(m_hWnd, nIDEvent, nElapse, lpfnTimer);
}
BOOL CWnd::KillTimer(UINT_PTR nIDEvent) {
    return ::KillTimer(m_hWnd, nIDEvent);
}
HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon) {
    return reinterpret_cast<HICON>(
        SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(hIcon)));
}
HICON CWnd::GetIcon(BOOL bBigIcon) const {
    return reinterpret_cast<HICON>(SendMessage(WM_GETICON, bBigIcon ? ICON_BIG : ICON_SMALL));
}
