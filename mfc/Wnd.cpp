#include "afximpl.h"

#include <map>
#include <typeindex>
#include <unordered_map>
#include <utility>

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)
IMPLEMENT_DYNAMIC(CWnd, CCmdTarget)

const CWnd CWnd::wndTopMost(HWND_TOPMOST);

// Message maps ---------------------------------------------------------------------------------------

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr}};
    static const AFX_MSGMAP messageMap = {nullptr, &entries[0]};
    return &messageMap;
}

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(UINT nMessage, UINT nCode, UINT nID) const {
    for (const AFX_MSGMAP* map = GetMessageMap(); map;
         map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr)
        for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->pfn; ++entry)
            if (entry->nMessage == nMessage && entry->nCode == nCode && entry->nID <= nID &&
                nID <= entry->nLastID)
                return entry;
    return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode) {
    const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(WM_COMMAND, static_cast<WORD>(nCode), nID);
    if (!entry)
        return FALSE;
    LRESULT unused = 0;
    entry->pfn(this, MAKEWPARAM(nID, nCode), 0, &unused);
    return TRUE;
}

namespace {

// Never destroyed: objects may still let go of their windows while static objects are being destroyed.
std::unordered_map<HWND, CWnd*>& PermanentWindows() {
    static auto* windows = new std::unordered_map<HWND, CWnd*>;
    return *windows;
}

// The message WindowProc is processing, for Default() and reflection (one thread).
MSG currentMessage{};

} // namespace

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

} // namespace

CObject* FindTemporary(HANDLE handle, const std::type_info& type) {
    auto found = Temporaries().find({handle, std::type_index(type)});
    return found == Temporaries().end() ? nullptr : found->second.object;
}

void AddTemporary(HANDLE handle, const std::type_info& type, CObject* object, void (*release)(CObject*),
                  bool (*alive)(HANDLE)) {
    auto& temporaries = Temporaries();
    for (auto it = temporaries.begin(); it != temporaries.end();) {
        if (it->second.alive(it->first.first)) {
            ++it;
            continue;
        }
        it->second.release(it->second.object);
        it = temporaries.erase(it);
    }
    temporaries[{handle, std::type_index(type)}] = TemporaryEntry{object, release, alive};
}

} // namespace afx_detail

// The window procedure of every permanent window -------------------------------------------------------

// Put in place of the window's own procedure, which the object keeps and calls for default processing.
// Not SetWindowSubclass: comctl32 keeps its subclass data in a window property, which Wine asks its server
// for, twice for every message of every subclassed window (a list row added sent twenty of them).
LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* wnd = CWnd::FromHandlePermanent(hWnd);
    if (!wnd) // not reached: an object that lets go of its window gives the window its procedure back
        return ::DefWindowProcW(hWnd, message, wParam, lParam);
    MSG saved = std::exchange(currentMessage, MSG{hWnd, message, wParam, lParam, 0, {}});
    LRESULT result = wnd->WindowProc(message, wParam, lParam);
    currentMessage = saved;
    if (message == WM_NCDESTROY) {
        // The window is gone: the object lets go of it.
        wnd->Detach();
        afx_detail::OnWindowGone(wnd);
    }
    return result;
}

// Handle map ------------------------------------------------------------------------------------------

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnonnull-compare"
// MFC code calls this through null pointers (pParent->GetSafeHwnd()); the library is built with
// -fno-delete-null-pointer-checks so that the test stays.
HWND CWnd::GetSafeHwnd() const {
    return this == nullptr ? nullptr : m_hWnd;
}
#pragma GCC diagnostic pop

CWnd::~CWnd() {
    // As in MFC: an object that still owns its window destroys it (the derived class's handlers can no
    // longer run).
    if (m_hWnd && FromHandlePermanent(m_hWnd) == this && !DestroyWindow())
        Detach();
}

CWnd* CWnd::FromHandle(HWND hWnd) {
    if (CWnd* permanent = FromHandlePermanent(hWnd))
        return permanent;
    return afx_detail::Temporary<CWnd>(hWnd);
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd) {
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
    if (m_pfnSuper && ::GetWindowLongPtrW(m_hWnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&AfxWndProc))
        ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    m_pfnSuper = nullptr;
    PermanentWindows().erase(m_hWnd);
    return std::exchange(m_hWnd, nullptr);
}

BOOL CWnd::SubclassWindow(HWND hWnd) {
    if (!::IsWindow(hWnd) || !Attach(hWnd))
        return FALSE;
    PreSubclassWindow();
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
    if (!m_pfnSuper) {
        Detach();
        return FALSE;
    }
    return TRUE;
}

BOOL CWnd::Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                  CWnd* pParentWnd, UINT nID) {
    HWND hWnd = ::CreateWindowExW(0, lpszClassName, lpszWindowName, dwStyle | WS_CHILD, rect.left, rect.top,
                                  rect.right - rect.left, rect.bottom - rect.top, pParentWnd->GetSafeHwnd(),
                                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)), AfxGetInstanceHandle(),
                                  nullptr);
    if (hWnd && !SubclassWindow(hWnd)) {
        ::DestroyWindow(hWnd); // this object already has a window
        return FALSE;
    }
    return hWnd != nullptr;
}

BOOL CWnd::DestroyWindow() {
    return m_hWnd && ::DestroyWindow(m_hWnd); // the object lets go of it at WM_NCDESTROY
}

// Message processing ----------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
ON_WM_DRAWITEM()
END_MESSAGE_MAP()

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result))
        result = ::CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return result;
}

LRESULT CWnd::Default() {
    return ::CallWindowProcW(m_pfnSuper, m_hWnd, currentMessage.message, currentMessage.wParam,
                             currentMessage.lParam);
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message == WM_COMMAND) {
        *pResult = 1;
        return OnCommand(wParam, lParam);
    }
    if (message == WM_NOTIFY) {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        return header && header->hwndFrom && OnNotify(wParam, lParam, pResult);
    }
    const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(message, 0, 0);
    if (entry)
        entry->pfn(this, wParam, lParam, pResult);
    return entry != nullptr;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    // Menus and accelerators name no control; their code is CN_COMMAND.
    return OnCmdMsg(LOWORD(wParam), lParam ? HIWORD(wParam) : CN_COMMAND);
}

BOOL CWnd::OnNotify(WPARAM, LPARAM lParam, LRESULT* pResult) {
    return ReflectLastMsg(reinterpret_cast<NMHDR*>(lParam)->hwndFrom, pResult);
}

BOOL CWnd::ReflectLastMsg(HWND hWndChild, LRESULT* pResult) {
    CWnd* child = FromHandlePermanent(hWndChild);
    return child && child->OnChildNotify(currentMessage.message, currentMessage.wParam, currentMessage.lParam,
                                         pResult);
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM, LPARAM lParam, LRESULT* pResult) {
    if (message != WM_NOTIFY)
        return FALSE;
    UINT code = static_cast<WORD>(reinterpret_cast<NMHDR*>(lParam)->code);
    const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(WM_REFLECT_BASE + WM_NOTIFY, code, 0);
    if (entry)
        entry->pfn(this, 0, lParam, pResult);
    return entry != nullptr;
}

void CWnd::OnDrawItem(int, LPDRAWITEMSTRUCT lpDrawItemStruct) {
    LRESULT unused = 0;
    if (lpDrawItemStruct->CtlType != ODT_MENU && ReflectLastMsg(lpDrawItemStruct->hwndItem, &unused))
        return;
    Default();
}
