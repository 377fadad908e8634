#pragma once
// Windows, dialogs, the application object, data exchange, standard controls and GDI wrappers.
#include "afx.h"
#include "atltypes.h"

#include <commctrl.h>

#include <utility>

class CCmdTarget;
class CDataExchange;

// ---------------------------------------------------------------------------------------------------
// Message maps

// Reflected messages arrive at the child's object as WM_REFLECT_BASE + the original message.
#define WM_REFLECT_BASE 0xBC00
#define CN_COMMAND 0

// One message-map entry: which message, notification code and control-id range it takes, and the
// function that calls the handler.
typedef void (*AFX_PMSG_HANDLER)(CCmdTarget* pTarget, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
struct AFX_MSGMAP_ENTRY {
    UINT nMessage;
    UINT nCode;
    UINT nID;
    UINT nLastID;
    AFX_PMSG_HANDLER pfn;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

#define DECLARE_MESSAGE_MAP()                                                                                \
protected:                                                                                                   \
    static const AFX_MSGMAP* GetThisMessageMap();                                                            \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                               \
    const AFX_MSGMAP* theClass::GetMessageMap() const {                                                      \
        return GetThisMessageMap();                                                                          \
    }                                                                                                        \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {                                                        \
        using ThisClass [[maybe_unused]] = theClass;                                                         \
        using TheBaseClass = baseClass;                                                                      \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP()                                                                                    \
    { 0, 0, 0, 0, nullptr }                                                                                  \
    }                                                                                                        \
    ;                                                                                                        \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]};            \
    return &messageMap;                                                                                      \
    }

#include "afxmsg_.h"

// The base of every class that receives messages or commands through a message map.
class CCmdTarget : public CObject {
    DECLARE_DYNAMIC(CCmdTarget)
public:
    // Calls the handler of command nID with notification code nCode (CN_COMMAND for menus, accelerators
    // and clicks) from this object's map chain; FALSE when no entry takes it.
    virtual BOOL OnCmdMsg(UINT nID, int nCode);

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const { return GetThisMessageMap(); }

    // The first entry of the map chain (this class's map first, then its bases) that takes the message.
    const AFX_MSGMAP_ENTRY* FindMessageEntry(UINT nMessage, UINT nCode, UINT nID) const;
};

// ---------------------------------------------------------------------------------------------------
// GDI objects and device contexts

// A GDI object, deleted with its wrapper unless detached before.
class CGdiObject : public CObject {
public:
    ~CGdiObject() override { DeleteObject(); }

    HGDIOBJ m_hObject = nullptr;
    HGDIOBJ GetSafeHandle() const; // nullptr for a null object pointer, as in MFC

    BOOL Attach(HGDIOBJ hObject);
    HGDIOBJ Detach() { return std::exchange(m_hObject, nullptr); }
    BOOL DeleteObject() { return m_hObject && ::DeleteObject(Detach()); }
};

class CPen : public CGdiObject {
public:
    CPen() = default;
    CPen(int nPenStyle, int nWidth, COLORREF crColor); // throws CResourceException* on failure
    static CPen* FromHandle(HPEN hPen);
    BOOL CreatePen(int nPenStyle, int nWidth, COLORREF crColor) {
        return Attach(::CreatePen(nPenStyle, nWidth, crColor));
    }
};

class CBrush : public CGdiObject {
public:
    BOOL CreateSolidBrush(COLORREF crColor) { return Attach(::CreateSolidBrush(crColor)); }
};

class CRgn : public CGdiObject {
public:
    BOOL CreateRectRgnIndirect(LPCRECT lpRect) { return Attach(::CreateRectRgnIndirect(lpRect)); }
};

// A device context; deleted with DeleteDC when the object goes while still attached (as MFC does), so a
// borrowed context must be detached before.
class CDC : public CObject {
public:
    ~CDC() override;

    HDC m_hDC = nullptr;
    HDC GetSafeHdc() const; // nullptr for a null object pointer, as in MFC

    static CDC* FromHandle(HDC hDC);
    BOOL Attach(HDC hDC);
    HDC Detach() { return std::exchange(m_hDC, nullptr); }

    int SaveDC() { return ::SaveDC(m_hDC); }
    BOOL RestoreDC(int nSavedDC) { return ::RestoreDC(m_hDC, nSavedDC); }
    // Returns the pen selected before, as a temporary wrapper.
    CPen* SelectObject(CPen* pPen) {
        return CPen::FromHandle(static_cast<HPEN>(::SelectObject(m_hDC, pPen->GetSafeHandle())));
    }
    int SelectClipRgn(CRgn* pRgn) { return ::SelectClipRgn(m_hDC, static_cast<HRGN>(pRgn->GetSafeHandle())); }

    void FillRect(LPCRECT lpRect, CBrush* pBrush) {
        ::FillRect(m_hDC, lpRect, static_cast<HBRUSH>(pBrush->GetSafeHandle()));
    }
    // Fills with a solid colour; like MFC, leaves that colour as the background colour.
    void FillSolidRect(LPCRECT lpRect, COLORREF clr) {
        ::SetBkColor(m_hDC, clr);
        ::ExtTextOutW(m_hDC, 0, 0, ETO_OPAQUE, lpRect, nullptr, 0, nullptr);
    }
    int DrawText(LPCTSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat) {
        return ::DrawTextW(m_hDC, lpszString, nCount, lpRect, nFormat);
    }
    int DrawText(const CString& str, LPRECT lpRect, UINT nFormat) {
        return DrawText(str, str.GetLength(), lpRect, nFormat);
    }
    // Returns the previous current position.
    CPoint MoveTo(int x, int y) {
        POINT previous{};
        ::MoveToEx(m_hDC, x, y, &previous);
        return previous;
    }
    BOOL LineTo(int x, int y) { return ::LineTo(m_hDC, x, y); }

    COLORREF SetTextColor(COLORREF crColor) { return ::SetTextColor(m_hDC, crColor); }
    COLORREF SetBkColor(COLORREF crColor) { return ::SetBkColor(m_hDC, crColor); }
    int SetBkMode(int nBkMode) { return ::SetBkMode(m_hDC, nBkMode); }
    BOOL DrawIcon(int x, int y, HICON hIcon) { return ::DrawIcon(m_hDC, x, y, hIcon); }
};

class CWnd;

// BeginPaint / EndPaint for the window's WM_PAINT.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* pWnd); // throws CResourceException* when there is nothing to paint on
    ~CPaintDC() override;
    PAINTSTRUCT m_ps;

protected:
    HWND m_hWnd;
};

// ---------------------------------------------------------------------------------------------------
// Windows

// A window. Permanent objects (subclassed or created through this class) are found again by FromHandle;
// any other window gets a temporary wrapper that lives until the window is gone. Permanent windows send
// every message through WindowProc: message map first, then the window's own procedure. Notifications
// of a child are first offered to the child's permanent object (reflection, OnChildNotify).
class CWnd : public CCmdTarget {
    DECLARE_DYNAMIC(CWnd)
public:
    CWnd() = default;
    explicit CWnd(HWND hWnd) : m_hWnd(hWnd) {}
    ~CWnd() override; // destroys the window when this object still owns it

    HWND m_hWnd = nullptr;
    HWND GetSafeHwnd() const; // nullptr for a null object pointer, as in MFC

    static const CWnd wndTopMost; // insert-after position for SetWindowPos

    static CWnd* FromHandle(HWND hWnd);
    static CWnd* FromHandlePermanent(HWND hWnd);
    // FALSE when the window already has a permanent object or this object a window.
    BOOL SubclassWindow(HWND hWnd);
    virtual void PreSubclassWindow() {}
    // A child window; its object takes it once it exists, so its creation messages are not mapped.
    BOOL Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                CWnd* pParentWnd, UINT nID);
    virtual BOOL DestroyWindow();

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageW(m_hWnd, message, wParam, lParam);
    }
    void GetClientRect(LPRECT lpRect) const { ::GetClientRect(m_hWnd, lpRect); }
    void GetWindowRect(LPRECT lpRect) const { ::GetWindowRect(m_hWnd, lpRect); }
    void MoveWindow(LPCRECT lpRect, BOOL bRepaint = TRUE) {
        ::MoveWindow(m_hWnd, lpRect->left, lpRect->top, lpRect->right - lpRect->left,
                     lpRect->bottom - lpRect->top, bRepaint);
    }
    BOOL SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags) {
        return ::SetWindowPos(m_hWnd, pWndInsertAfter->GetSafeHwnd(), x, y, cx, cy, nFlags);
    }
    BOOL ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    CWnd* GetParent() const { return FromHandle(::GetParent(m_hWnd)); }

    void Invalidate(BOOL bErase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, bErase); }
    void InvalidateRect(LPCRECT lpRect, BOOL bErase = TRUE) { ::InvalidateRect(m_hWnd, lpRect, bErase); }
    void UpdateWindow() { ::UpdateWindow(m_hWnd); }
    BOOL RedrawWindow(LPCRECT lpRectUpdate = nullptr, CRgn* prgnUpdate = nullptr,
                      UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE) {
        HRGN region = prgnUpdate ? static_cast<HRGN>(prgnUpdate->m_hObject) : nullptr;
        return ::RedrawWindow(m_hWnd, lpRectUpdate, region, flags);
    }

    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer) {
        return ::SetTimer(m_hWnd, nIDEvent, nElapse, lpfnTimer);
    }
    HICON SetIcon(HICON hIcon, BOOL bBigIcon) {
        return reinterpret_cast<HICON>(
            SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(hIcon)));
    }

    // Data exchange between the window's controls and this object's members; FALSE when it failed.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

protected:
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // Offers the notification to the sending control's object (ON_NOTIFY_REFLECT) only.
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // A message of this window's parent about this window: TRUE when this object took it.
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual void DoDataExchange(CDataExchange*) {}

    // The current message's default processing (the window's own procedure).
    LRESULT Default();
    // Offers the current message to the permanent object of hWndChild; TRUE when it took it.
    static BOOL ReflectLastMsg(HWND hWndChild, LRESULT* pResult);

    // Default handlers that derived classes call: the window's own processing of the message.
    afx_msg void OnPaint() { Default(); }
    afx_msg void OnDestroy() { Default(); }
    afx_msg void OnSysColorChange() { Default(); }
    // Reflects WM_DRAWITEM to the control's object, else the default processing.
    afx_msg void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);

    DECLARE_MESSAGE_MAP()

private:
    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
    BOOL Attach(HWND hWndNew);
    HWND Detach(); // gives the window its own procedure back

    WNDPROC m_pfnSuper = nullptr; // the window's own procedure, while AfxWndProc stands in its place
};

// ---------------------------------------------------------------------------------------------------
// Data exchange

class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

    BOOL m_bSaveAndValidate; // TRUE: controls to members; FALSE: members to controls
    CWnd* m_pDlgWnd;

    // The control's window; throws CNotSupportedException* when the dialog has no such control.
    HWND PrepareCtrl(int nIDC);
};

// Subclasses the dialog's control nIDC with rControl, the first time only.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
// The control's text to or from a CString.
void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);

// ---------------------------------------------------------------------------------------------------
// Dialogs

// A dialog from a template resource. DoModal runs it through the dialog manager's own modal loop, with
// the given parent or else the application's main window as owner. The dialog subclasses its own window
// when it receives WM_INITDIALOG; OnInitDialog performs the first data exchange.
class CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr)
        : m_lpszTemplateName(MAKEINTRESOURCEW(nIDTemplate)), m_pParentWnd(pParentWnd) {}

    // IDOK, IDCANCEL or the value given to EndDialog; -1 when the dialog cannot be created.
    virtual INT_PTR DoModal();
    void EndDialog(int nResult) { ::EndDialog(m_hWnd, nResult); }

    virtual BOOL OnInitDialog();
    // Commands (ids 0x8000 to 0xEFFF) this dialog does not handle go on to its parent, then to the
    // application object.
    BOOL OnCmdMsg(UINT nID, int nCode) override;

protected:
    virtual void OnOK();     // UpdateData(TRUE), then EndDialog(IDOK)
    virtual void OnCancel(); // EndDialog(IDCANCEL)

    LPCTSTR m_lpszTemplateName;
    CWnd* m_pParentWnd;

    DECLARE_MESSAGE_MAP()
};

// ---------------------------------------------------------------------------------------------------
// The application

#define AFX_RESTART_MANAGER_SUPPORT_RESTART 0x01

#ifndef ID_HELP
#define ID_HELP 0xE146
#endif

// The application object. Exactly one exists, a global object of a class derived from CWinApp. The
// layer's wWinMain calls its InitInstance, which does the program's work (its main dialog runs
// modally), and the process ends when it returns: there is no message loop to run after it.
class CWinApp : public CCmdTarget {
public:
    CWinApp();
    ~CWinApp() override;

    CWnd* m_pMainWnd = nullptr; // unset when its window is destroyed
    DWORD m_dwRestartManagerSupportFlags = 0;

    // Registers with the restart manager when m_dwRestartManagerSupportFlags asks for restarts.
    virtual BOOL InitInstance();
    // Names the registry key for profile settings; the layer has no profile functions, so no key is kept.
    void SetRegistryKey(LPCTSTR) {}
    // Opens the help file beside the program (its name with .HLP) at its contents; nothing without one.
    afx_msg void OnHelp();
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
HINSTANCE AfxGetInstanceHandle();
int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPTSTR lpCmdLine, int nCmdShow);
// Hosting of ActiveX controls in dialogs; this layer hosts none, so there is nothing to enable.
inline void AfxEnableControlContainer() {}

// ---------------------------------------------------------------------------------------------------
// Standard controls: each member is one message to the control.

class CButton : public CWnd {
public:
    BOOL Create(LPCTSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
        return CWnd::Create(WC_BUTTONW, lpszCaption, dwStyle, rect, pParentWnd, nID);
    }
};

class CComboBox : public CWnd {
public:
    int GetCurSel() const { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
    int SetCurSel(int nSelect) { return static_cast<int>(SendMessage(CB_SETCURSEL, nSelect)); }
    int InsertString(int nIndex, LPCTSTR lpszString) {
        return static_cast<int>(SendMessage(CB_INSERTSTRING, nIndex, reinterpret_cast<LPARAM>(lpszString)));
    }
    void ResetContent() { SendMessage(CB_RESETCONTENT); }
};
