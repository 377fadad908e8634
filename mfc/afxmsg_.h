#pragma once
// Message-map entry macros. Each entry holds a captureless lambda that casts the target to the map's
// own class and calls the handler with its real signature; no handler is ever cast to another type.
// The handler argument is written as in MFC: &CMyClass::OnSomething.

// Builds one entry; the body sees pThis (ThisClass*), wParam, lParam and pResult.
#define AFX_MSG_ENTRY(message, code, id, lastId, ...)                                                        \
    {static_cast<UINT>(message), static_cast<WORD>(code), static_cast<UINT>(id), static_cast<UINT>(lastId),  \
     [](CCmdTarget* afxTarget, [[maybe_unused]] WPARAM wParam, [[maybe_unused]] LPARAM lParam,               \
        [[maybe_unused]] LRESULT* pResult) {                                                                 \
         [[maybe_unused]] ThisClass* pThis = static_cast<ThisClass*>(afxTarget);                             \
         __VA_ARGS__                                                                                         \
     }},

// Window messages.
#define ON_MESSAGE(message, memberFxn)                                                                       \
    AFX_MSG_ENTRY(message, 0, 0, 0, *pResult = (pThis->*(memberFxn))(wParam, lParam);)
#define ON_WM_PAINT() AFX_MSG_ENTRY(WM_PAINT, 0, 0, 0, pThis->OnPaint();)
#define ON_WM_TIMER() AFX_MSG_ENTRY(WM_TIMER, 0, 0, 0, pThis->OnTimer(static_cast<UINT_PTR>(wParam));)
#define ON_WM_QUERYDRAGICON()                                                                                \
    AFX_MSG_ENTRY(WM_QUERYDRAGICON, 0, 0, 0, *pResult = reinterpret_cast<LRESULT>(pThis->OnQueryDragIcon());)
#define ON_WM_DESTROY() AFX_MSG_ENTRY(WM_DESTROY, 0, 0, 0, pThis->OnDestroy();)
#define ON_WM_SYSCOLORCHANGE() AFX_MSG_ENTRY(WM_SYSCOLORCHANGE, 0, 0, 0, pThis->OnSysColorChange();)
#define ON_WM_KEYDOWN()                                                                                      \
    AFX_MSG_ENTRY(WM_KEYDOWN, 0, 0, 0,                                                                       \
                  pThis->OnKeyDown(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));)
#define ON_WM_RBUTTONDOWN()                                                                                  \
    AFX_MSG_ENTRY(                                                                                           \
        WM_RBUTTONDOWN, 0, 0, 0,                                                                             \
        pThis->OnRButtonDown(static_cast<UINT>(wParam), CPoint(static_cast<short>(LOWORD(lParam)),           \
                                                               static_cast<short>(HIWORD(lParam))));)
#define ON_WM_DRAWITEM()                                                                                     \
    AFX_MSG_ENTRY(WM_DRAWITEM, 0, 0, 0,                                                                      \
                  pThis->OnDrawItem(static_cast<int>(wParam), reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));   \
                  *pResult = TRUE;)

// Commands (WM_COMMAND from menus, accelerators and controls). CN_COMMAND equals BN_CLICKED.
#define ON_COMMAND(id, memberFxn) AFX_MSG_ENTRY(WM_COMMAND, CN_COMMAND, id, id, (pThis->*(memberFxn))();)
#define ON_COMMAND_RANGE(id, idLast, memberFxn)                                                              \
    AFX_MSG_ENTRY(WM_COMMAND, CN_COMMAND, id, idLast, (pThis->*(memberFxn))(LOWORD(wParam));)
#define ON_CONTROL(wNotifyCode, id, memberFxn)                                                               \
    AFX_MSG_ENTRY(WM_COMMAND, wNotifyCode, id, id, (pThis->*(memberFxn))();)
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_CBN_DROPDOWN(id, memberFxn) ON_CONTROL(CBN_DROPDOWN, id, memberFxn)

// A notification the control sent to its parent, handled by the control's own object (reflection):
// handler(NMHDR*, LRESULT*). The parent does not see it.
#define ON_NOTIFY_REFLECT(wNotifyCode, memberFxn)                                                            \
    AFX_MSG_ENTRY(WM_REFLECT_BASE + WM_NOTIFY, wNotifyCode, 0, 0,                                            \
                  (pThis->*(memberFxn))(reinterpret_cast<NMHDR*>(lParam), pResult);)
