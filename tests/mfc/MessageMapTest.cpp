// Message maps on real windows: dispatch to the derived class, fallback to the base map and then to
// the window's own procedure, handlers called with their real arguments, and the handle map.
#include "MfcTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

using mfctest::TestWindow;

namespace {

constexpr UINT WM_BASE_ONLY = WM_APP + 1;
constexpr UINT WM_BOTH = WM_APP + 2;
constexpr UINT WM_NEITHER = WM_APP + 3;
constexpr UINT kButtonId = 3001;
constexpr UINT kComboId = 3002;
constexpr UINT kFirstRangeId = 3100;
constexpr UINT kLastRangeId = 3109;

class CBaseWnd : public CWnd {
public:
    std::vector<CString> calls;

protected:
    afx_msg LRESULT OnBaseOnly(WPARAM wParam, LPARAM lParam) {
        calls.push_back(L"base-only");
        return static_cast<LRESULT>(wParam + lParam);
    }
    afx_msg LRESULT OnBoth(WPARAM, LPARAM) {
        calls.push_back(L"base-both");
        return 1;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseWnd, CWnd)
ON_MESSAGE(WM_BASE_ONLY, &CBaseWnd::OnBaseOnly)
ON_MESSAGE(WM_BOTH, &CBaseWnd::OnBoth)
END_MESSAGE_MAP()

class CDerivedWnd : public CBaseWnd {
public:
    UINT_PTR lastTimer = 0;
    UINT lastFlags = 0;
    CPoint lastPoint;
    std::vector<UINT> commands;
    int dropDowns = 0;
    int destroys = 0;
    int sysColorChanges = 0;
    int paints = 0;
    HICON dragIcon = nullptr;

protected:
    afx_msg LRESULT OnBoth(WPARAM, LPARAM) {
        calls.push_back(L"derived-both");
        return 2;
    }
    afx_msg void OnTimer(UINT_PTR nIDEvent) { lastTimer = nIDEvent; }
    afx_msg void OnRButtonDown(UINT nFlags, CPoint point) {
        lastFlags = nFlags;
        lastPoint = point;
        Default();
    }
    afx_msg HCURSOR OnQueryDragIcon() { return static_cast<HCURSOR>(dragIcon); }
    afx_msg void OnPaint() {
        ++paints;
        CBaseWnd::OnPaint(); // the window's own painting validates the window
    }
    afx_msg void OnDestroy() {
        ++destroys;
        CBaseWnd::OnDestroy();
    }
    afx_msg void OnSysColorChange() { ++sysColorChanges; }
    afx_msg void OnButton() { commands.push_back(kButtonId); }
    afx_msg void OnRange(UINT nID) { commands.push_back(nID); }
    afx_msg void OnDropDown() { ++dropDowns; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedWnd, CBaseWnd)
ON_MESSAGE(WM_BOTH, &CDerivedWnd::OnBoth)
ON_WM_TIMER()
ON_WM_RBUTTONDOWN()
ON_WM_QUERYDRAGICON()
ON_WM_PAINT()
ON_WM_DESTROY()
ON_WM_SYSCOLORCHANGE()
ON_BN_CLICKED(kButtonId, &CDerivedWnd::OnButton)
ON_COMMAND_RANGE(kFirstRangeId, kLastRangeId, &CDerivedWnd::OnRange)
ON_CBN_DROPDOWN(kComboId, &CDerivedWnd::OnDropDown)
END_MESSAGE_MAP()

TEST(MessageMap, DerivedEntryFirstThenBaseMapThenOwnProcedure) {
    TestWindow window;
    CDerivedWnd wnd;
    ASSERT_TRUE(wnd.SubclassWindow(window.hwnd()));

    EXPECT_EQ(::SendMessageW(window.hwnd(), WM_BOTH, 0, 0), 2);
    EXPECT_EQ(::SendMessageW(window.hwnd(), WM_BASE_ONLY, 40, 2), 42);
    EXPECT_EQ(::SendMessageW(window.hwnd(), WM_NEITHER, 0, 0), TestWindow::kOwnProcResult);
    EXPECT_EQ(wnd.calls, (std::vector<CString>{L"derived-both", L"base-only"}));
    // Messages taken by the map never reach the window's own procedure.
    EXPECT_EQ(window.OwnProcCount(WM_BOTH), 0);
    EXPECT_EQ(window.OwnProcCount(WM_BASE_ONLY), 0);
    EXPECT_EQ(window.OwnProcCount(WM_NEITHER), 1);
}

TEST(MessageMap, HandlersReceiveTheirRealArguments) {
    TestWindow window;
    CDerivedWnd wnd;
    ASSERT_TRUE(wnd.SubclassWindow(window.hwnd()));

    ::SendMessageW(window.hwnd(), WM_TIMER, 7, 0);
    EXPECT_EQ(wnd.lastTimer, 7u);

    // Negative client coordinates (a click left of and above the window) keep their sign.
    ::SendMessageW(window.hwnd(), WM_RBUTTONDOWN, MK_RBUTTON | MK_SHIFT, MAKELPARAM(-5, -12));
    EXPECT_EQ(wnd.lastFlags, static_cast<UINT>(MK_RBUTTON | MK_SHIFT));
    EXPECT_EQ(wnd.lastPoint, CPoint(-5, -12));
    EXPECT_EQ(window.OwnProcCount(WM_RBUTTONDOWN), 1) << "Default() passes it on";

    wnd.dragIcon = LoadIconW(nullptr, MAKEINTRESOURCEW(32512));
    EXPECT_EQ(::SendMessageW(window.hwnd(), WM_QUERYDRAGICON, 0, 0), reinterpret_cast<LRESULT>(wnd.dragIcon));

    ::SendMessageW(window.hwnd(), WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(wnd.sysColorChanges, 1);
    EXPECT_EQ(window.OwnProcCount(WM_SYSCOLORCHANGE), 0);

    ::SendMessageW(window.hwnd(), WM_PAINT, 0, 0);
    EXPECT_EQ(wnd.paints, 1);
    EXPECT_EQ(window.OwnProcCount(WM_PAINT), 1) << "the base handler passes it on";
}

TEST(MessageMap, CommandsFromRealControlsAndRanges) {
    TestWindow window;
    CDerivedWnd wnd;
    ASSERT_TRUE(wnd.SubclassWindow(window.hwnd()));
    // Both controls have permanent objects of their own, as a dialog's bound controls do.
    CButton button;
    ASSERT_TRUE(button.Create(L"Press", WS_CHILD | WS_VISIBLE, CRect(5, 5, 80, 30), &wnd, kButtonId));
    EXPECT_EQ(CWnd::FromHandle(button.m_hWnd), &button);
    CComboBox combo;
    ASSERT_TRUE(combo.SubclassWindow(::CreateWindowExW(
        0, WC_COMBOBOXW, L"", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, 5, 40, 120, 100, wnd.m_hWnd,
        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kComboId)), nullptr, nullptr)));
    combo.InsertString(0, L"one");

    button.SendMessage(BM_CLICK);
    combo.SendMessage(CB_SHOWDROPDOWN, TRUE);
    combo.SendMessage(CB_SHOWDROPDOWN, FALSE);
    // Menu-style commands (no control) for the first and last id of the range, and one just outside.
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(kFirstRangeId, 0), 0);
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(kLastRangeId, 0), 0);
    int unhandledBefore = window.OwnProcCount(WM_COMMAND);
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(kLastRangeId + 1, 0), 0);

    EXPECT_EQ(wnd.commands, (std::vector<UINT>{kButtonId, kFirstRangeId, kLastRangeId}));
    EXPECT_EQ(wnd.dropDowns, 1);
    EXPECT_EQ(window.OwnProcCount(WM_COMMAND), unhandledBefore + 1) << "an id outside the range goes on";

    HWND buttonWindow = button.m_hWnd;
    EXPECT_TRUE(button.DestroyWindow());
    EXPECT_FALSE(::IsWindow(buttonWindow));
    EXPECT_EQ(button.m_hWnd, nullptr) << "the object lets go of its destroyed window";
}

TEST(MessageMap, DestroyingTheWindowReleasesTheObject) {
    TestWindow window;
    CDerivedWnd wnd;
    ASSERT_TRUE(wnd.SubclassWindow(window.hwnd()));
    ASSERT_EQ(CWnd::FromHandle(window.hwnd()), &wnd);

    ::DestroyWindow(window.hwnd());

    EXPECT_EQ(wnd.destroys, 1);
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(window.hwnd()), nullptr);
    // The object can take another window afterwards.
    TestWindow second;
    EXPECT_TRUE(wnd.SubclassWindow(second.hwnd()));
    EXPECT_EQ(::SendMessageW(second.hwnd(), WM_BOTH, 0, 0), 2);
}

TEST(HandleMap, PermanentObjectsAndTemporaryWrappers) {
    TestWindow window;
    TestWindow other;
    CDerivedWnd wnd;
    ASSERT_TRUE(wnd.SubclassWindow(window.hwnd()));

    EXPECT_EQ(CWnd::FromHandle(window.hwnd()), &wnd);
    CWnd* temporary = CWnd::FromHandle(other.hwnd());
    ASSERT_NE(temporary, nullptr);
    EXPECT_EQ(temporary->GetSafeHwnd(), other.hwnd());
    EXPECT_EQ(CWnd::FromHandle(other.hwnd()), temporary) << "one wrapper per window";
    EXPECT_EQ(CWnd::FromHandlePermanent(other.hwnd()), nullptr);

    // A second object cannot take a window that already has one.
    CDerivedWnd intruder;
    EXPECT_FALSE(intruder.SubclassWindow(window.hwnd()));

    CWnd* nothing = CWnd::FromHandle(nullptr);
    EXPECT_EQ(nothing->GetSafeHwnd(), nullptr) << "MFC code asks null pointers for their window";
}

} // namespace
