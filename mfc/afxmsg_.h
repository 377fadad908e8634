#pragma once
// Message-map entry macros. Each entry holds a captureless lambda that casts the target to the map's
// own class and calls the handler with its real signature; no handler is ever cast to another type.
// The handler argument is written as in MFC: &CMyClass::OnSomething.

// Builds one entry; the body sees pThis (ThisClass*), wParam, lParam and pResult, and returns whether
// the message was handled.
#define AFX_MSG_ENTRY(message, code, id, lastId, ...)                                                        \
    {static_cast<UINT>(message), static_cast<UINT>(code), static_cast<UINT>(id), static_cast<UINT>(lastId),  \
     [](CCmdTarget* afxTarget, [[maybe_unused]] WPARAM wParam, [[maybe_unused]] LPARAM lParam,               \
        [[maybe_unused]] LRESULT* pResult) -> BOOL {                                                         \
         [[maybe_unused]] ThisClass* pThis = static_cast<ThisClass*>(afxTarget);                             \
         __VA_ARGS__                                                                                         \
     }},

#define AFX_POINT_LPARAM CPoint(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)))

// Window messages.
#define ON_MESSAGE(message, memberFxn)                                                                       \
    AFX_MSG_ENTRY(message, 0, 0, 0, *pResult = (pThis->*(memberFxn))(wParam, lParam); return TRUE;)
#define ON_WM_PAINT() AFX_MSG_ENTRY(WM_PAINT, 0, 0, 0, pThis->OnPaint(); return TRUE;)
#define ON_WM_TIMER()                                                                                        \
    AFX_MSG_ENTRY(WM_TIMER, 0, 0, 0, pThis->OnTimer(static_cast<UINT_PTR>(wParam)); return TRUE;)
#define ON_WM_QUERYDRAGICON()                                                                                \
    AFX_MSG_ENTRY(WM_QUERYDRAGICON, 0, 0, 0, *pResult = reinterpret_cast<LRESULT>(pThis->OnQueryDragIcon()); \
                  return TRUE;)
#define ON_WM_DESTROY() AFX_MSG_ENTRY(WM_DESTROY, 0, 0, 0, pThis->OnDestroy(); return TRUE;)
#define ON_WM_NCDESTROY() AFX_MSG_ENTRY(WM_NCDESTROY, 0, 0, 0, pThis->OnNcDestroy(); return TRUE;)
#define ON_WM_CLOSE() AFX_MSG_ENTRY(WM_CLOSE, 0, 0, 0, pThis->OnClose(); return TRUE;)
#define ON_WM_SYSCOLORCHANGE()                                                                               \
    AFX_MSG_ENTRY(WM_SYSCOLORCHANGE, 0, 0, 0, pThis->OnSysColorChange(); return TRUE;)
#define ON_WM_CREATE()                                                                                       \
    AFX_MSG_ENTRY(WM_CREATE, 0, 0, 0, *pResult = pThis->OnCreate(reinterpret_cast<LPCREATESTRUCT>(lParam));  \
                  return TRUE;)
#define ON_WM_SIZE()                                                                                         \
    AFX_MSG_ENTRY(WM_SIZE, 0, 0, 0,                                                                          \
                  pThis->OnSize(static_cast<UINT>(wParam), static_cast<short>(LOWORD(lParam)),               \
                                static_cast<short>(HIWORD(lParam)));                                         \
                  return TRUE;)
#define ON_WM_ERASEBKGND()                                                                                   \
    AFX_MSG_ENTRY(WM_ERASEBKGND, 0, 0, 0,                                                                    \
                  *pResult = pThis->OnEraseBkgnd(CDC::FromHandle(reinterpret_cast<HDC>(wParam)));            \
                  return TRUE;)
#define ON_WM_SYSCOMMAND()                                                                                   \
    AFX_MSG_ENTRY(WM_SYSCOMMAND, 0, 0, 0, pThis->OnSysCommand(static_cast<UINT>(wParam), lParam);            \
                  return TRUE;)
#define ON_WM_KEYDOWN()                                                                                      \
    AFX_MSG_ENTRY(WM_KEYDOWN, 0, 0, 0,                                                                       \
                  pThis->OnKeyDown(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam)); return TRUE;)
#define ON_WM_DRAWITEM()                                                                                     \
    AFX_MSG_ENTRY(WM_DRAWITEM, 0, 0, 0,                                                                      \
                  pThis->OnDrawItem(static_cast<int>(wParam), reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));   \
                  *pResult = TRUE; return TRUE;)

#define AFX_MOUSE_ENTRY(message, handler)                                                                    \
    AFX_MSG_ENTRY(message, 0, 0, 0, pThis->handler(static_cast<UINT>(wParam), AFX_POINT_LPARAM); return TRUE;)
#define ON_WM_LBUTTONDOWN() AFX_MOUSE_ENTRY(WM_LBUTTONDOWN, OnLButtonDown)
#define ON_WM_LBUTTONUP() AFX_MOUSE_ENTRY(WM_LBUTTONUP, OnLButtonUp)
#define ON_WM_RBUTTONDOWN() AFX_MOUSE_ENTRY(WM_RBUTTONDOWN, OnRButtonDown)

// Commands (WM_COMMAND from menus, accelerators and controls). CN_COMMAND equals BN_CLICKED.
#define ON_COMMAND(id, memberFxn)                                                                            \
    AFX_MSG_ENTRY(WM_COMMAND, CN_COMMAND, id, id, (pThis->*(memberFxn))(); return TRUE;)
#define ON_COMMAND_EX(id, memberFxn)                                                                         \
    AFX_MSG_ENTRY(WM_COMMAND, CN_COMMAND, id, id, return (pThis->*(memberFxn))(LOWORD(wParam));)
#define ON_COMMAND_RANGE(id, idLast, memberFxn)                                                              \
    AFX_MSG_ENTRY(WM_COMMAND, CN_COMMAND, id, idLast, (pThis->*(memberFxn))(LOWORD(wParam)); return TRUE;)
#define ON_CONTROL(wNotifyCode, id, memberFxn)                                                               \
    AFX_MSG_ENTRY(WM_COMMAND, static_cast<WORD>(wNotifyCode), id, id, (pThis->*(memberFxn))(); return TRUE;)
#define ON_CONTROL_RANGE(wNotifyCode, id, idLast, memberFxn)                                                 \
    AFX_MSG_ENTRY(WM_COMMAND, static_cast<WORD>(wNotifyCode), id, idLast,                                    \
                  (pThis->*(memberFxn))(LOWORD(wParam));                                                     \
                  return TRUE;)

#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_BN_DOUBLECLICKED(id, memberFxn) ON_CONTROL(BN_DOUBLECLICKED, id, memberFxn)
#define ON_CBN_DROPDOWN(id, memberFxn) ON_CONTROL(CBN_DROPDOWN, id, memberFxn)
#define ON_CBN_CLOSEUP(id, memberFxn) ON_CONTROL(CBN_CLOSEUP, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)
#define ON_CBN_SELENDOK(id, memberFxn) ON_CONTROL(CBN_SELENDOK, id, memberFxn)
#define ON_CBN_EDITCHANGE(id, memberFxn) ON_CONTROL(CBN_EDITCHANGE, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)

// Notifications (WM_NOTIFY) to the parent: handler(NMHDR*, LRESULT*).
#define ON_NOTIFY(wNotifyCode, id, memberFxn)                                                                \
    AFX_MSG_ENTRY(WM_NOTIFY, static_cast<WORD>(wNotifyCode), id, id,                                         \
                  (pThis->*(memberFxn))(reinterpret_cast<NMHDR*>(lParam), pResult);                          \
                  return TRUE;)
#define ON_NOTIFY_RANGE(wNotifyCode, id, idLast, memberFxn)                                                  \
    AFX_MSG_ENTRY(                                                                                           \
        WM_NOTIFY, static_cast<WORD>(wNotifyCode), id, idLast,                                               \
        (pThis->*(memberFxn))(static_cast<UINT>(wParam), reinterpret_cast<NMHDR*>(lParam), pResult);         \
        return TRUE;)

// Reflected messages, handled by the control that sent them. The plain forms swallow the message; the
// _EX forms return FALSE to let the parent see it too.
#define ON_NOTIFY_REFLECT(wNotifyCode, memberFxn)                                                            \
    AFX_MSG_ENTRY(WM_REFLECT_BASE + WM_NOTIFY, static_cast<WORD>(wNotifyCode), 0, 0,                         \
                  (pThis->*(memberFxn))(reinterpret_cast<NMHDR*>(lParam), pResult);                          \
                  return TRUE;)
#define ON_NOTIFY_REFLECT_EX(wNotifyCode, memberFxn)                                                         \
    AFX_MSG_ENTRY(WM_REFLECT_BASE + WM_NOTIFY, static_cast<WORD>(wNotifyCode), 0, 0,                         \
                  return (pThis->*(memberFxn))(reinterpret_cast<NMHDR*>(lParam), pResult);)
#define ON_CONTROL_REFLECT(wNotifyCode, memberFxn)                                                           \
    AFX_MSG_ENTRY(WM_REFLECT_BASE + WM_COMMAND, static_cast<WORD>(wNotifyCode), 0, 0,                        \
                  (pThis->*(memberFxn))();                                                                   \
                  return TRUE;)
#define ON_CONTROL_REFLECT_EX(wNotifyCode, memberFxn)                                                        \
    AFX_MSG_ENTRY(WM_REFLECT_BASE + WM_COMMAND, static_cast<WORD>(wNotifyCode), 0, 0,                        \
                  return (pThis->*(memberFxn))();)
#define ON_WM_DRAWITEM_REFLECT()                                                                             \
    AFX_MSG_ENTRY(WM_REFLECT_BASE + WM_DRAWITEM, 0, 0, 0,                                                    \
                  pThis->DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));                               \
                  *pResult = TRUE; return TRUE;)
