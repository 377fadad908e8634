// Dialogs run modally through the dialog manager: data exchange both ways, the ways to end them,
// their owner, and the owner's timers going on meanwhile.
#include "MfcTestResources.h"
#include "MfcTestSupport.h"

#include <afxcmn.h>
#include <afxdialogex.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

using mfctest::TestWindow;
using mfctest::TimerScript;

namespace {

constexpr UINT ID_APP_COMMAND = 0x8123;

// The one application object of the test program: it gives AfxGetMainWnd a place to live and
// receives the commands that no window handles.
class CTestApp : public CWinApp {
public:
    int appCommands = 0;

protected:
    afx_msg void OnAppCommand() { ++appCommands; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTestApp, CWinApp)
ON_COMMAND(ID_APP_COMMAND, &CTestApp::OnAppCommand)
END_MESSAGE_MAP()

CTestApp testApp;

class CExchangeDlg : public CDialogEx {
public:
    explicit CExchangeDlg(CWnd* pParent = nullptr) : CDialogEx(IDD_EXCHANGE, pParent) {}

    CString m_name;
    CListCtrl m_list;
    CComboBox m_combo;
    int initDialogs = 0;
    int cancels = 0;
    std::wstring textAtInit;

protected:
    void DoDataExchange(CDataExchange* pDX) override {
        CDialogEx::DoDataExchange(pDX);
        DDX_Control(pDX, IDC_ITEMS_LIST, m_list);
        DDX_Control(pDX, IDC_CHOICE_COMBO, m_combo);
        DDX_Text(pDX, IDC_NAME_EDIT, m_name);
    }
    BOOL OnInitDialog() override {
        BOOL focusDefault = CDialogEx::OnInitDialog();
        ++initDialogs;
        wchar_t text[64] = {};
        ::GetDlgItemTextW(m_hWnd, IDC_NAME_EDIT, text, 64);
        textAtInit = text;
        return focusDefault;
    }
    void OnCancel() override {
        ++cancels;
        CDialogEx::OnCancel();
    }
};

// True once the dialog has its window and the dialog manager has shown it.
bool IsUp(const CWnd& dialog) {
    return dialog.m_hWnd && ::IsWindowVisible(dialog.m_hWnd);
}

// Runs the dialog modally while `act` is performed once it is up; ends it with -2 if it hangs.
INT_PTR RunModal(CDialog& dialog, const std::function<void()>& act) {
    TimerScript script(
        [&] {
            if (!IsUp(dialog))
                return false;
            act();
            return true;
        },
        [&] { ::EndDialog(dialog.m_hWnd, -2); });
    return dialog.DoModal();
}

void PostKey(HWND dialog, UINT key) {
    HWND focus = ::GetFocus();
    ::PostMessageW(focus && ::IsChild(dialog, focus) ? focus : dialog, WM_KEYDOWN, key, 0x00010001);
}

TEST(Dialog, ExchangesDataBothWaysAndSubclassesBoundControls) {
    CExchangeDlg dialog;
    dialog.m_name = L"初始名称";
    bool listIsMember = false, comboIsMember = false;

    INT_PTR result = RunModal(dialog, [&] {
        listIsMember = CWnd::FromHandle(::GetDlgItem(dialog.m_hWnd, IDC_ITEMS_LIST)) == &dialog.m_list;
        comboIsMember = CWnd::FromHandle(::GetDlgItem(dialog.m_hWnd, IDC_CHOICE_COMBO)) == &dialog.m_combo;
        ::SetDlgItemTextW(dialog.m_hWnd, IDC_NAME_EDIT, L"新的名称");
        ::SendMessageW(::GetDlgItem(dialog.m_hWnd, IDOK), BM_CLICK, 0, 0);
    });

    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(dialog.initDialogs, 1);
    EXPECT_EQ(dialog.textAtInit, L"初始名称") << "the first exchange fills the controls";
    EXPECT_TRUE(listIsMember);
    EXPECT_TRUE(comboIsMember);
    EXPECT_EQ(dialog.m_name, CString(L"新的名称")) << "OnOK exchanges back";
    EXPECT_EQ(dialog.m_hWnd, nullptr);
    EXPECT_EQ(dialog.m_list.m_hWnd, nullptr) << "bound controls let go when their windows go";
}

TEST(Dialog, EveryWayOfClosingEndsThroughOnCancelWithoutExchange) {
    struct Way {
        const char* name;
        std::function<void(HWND)> close;
    };
    const Way ways[] = {
        {"Esc", [](HWND dialog) { PostKey(dialog, VK_ESCAPE); }},
        {"caption close", [](HWND dialog) { ::PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"WM_CLOSE", [](HWND dialog) { ::PostMessageW(dialog, WM_CLOSE, 0, 0); }},
        {"Cancel button",
         [](HWND dialog) { ::SendMessageW(::GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0); }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        CExchangeDlg dialog;
        dialog.m_name = L"kept";
        INT_PTR result = RunModal(dialog, [&] {
            ::SetDlgItemTextW(dialog.m_hWnd, IDC_NAME_EDIT, L"typed");
            way.close(dialog.m_hWnd);
        });
        EXPECT_EQ(result, IDCANCEL);
        EXPECT_EQ(dialog.cancels, 1);
        EXPECT_EQ(dialog.m_name, CString(L"kept"));
    }
}

TEST(Dialog, EnterPressesTheFocusedDefaultButton) {
    CExchangeDlg dialog;
    INT_PTR result = RunModal(dialog, [&] {
        ::SendMessageW(dialog.m_hWnd, WM_NEXTDLGCTL,
                       reinterpret_cast<WPARAM>(::GetDlgItem(dialog.m_hWnd, IDOK)), TRUE);
        PostKey(dialog.m_hWnd, VK_RETURN);
    });
    EXPECT_EQ(result, IDOK);
}

class CTimerWnd : public CWnd {
public:
    int ticks = 0;

protected:
    afx_msg void OnTimer(UINT_PTR nIDEvent) {
        if (nIDEvent == 1)
            ++ticks;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTimerWnd, CWnd)
ON_WM_TIMER()
END_MESSAGE_MAP()

TEST(Dialog, ParentOwnsAndIsDisabledWhileItsTimersGoOn) {
    TestWindow window;
    CTimerWnd owner;
    ASSERT_TRUE(owner.SubclassWindow(window.hwnd()));
    owner.SetTimer(1, 10, nullptr);
    CExchangeDlg dialog(&owner);
    HWND ownerSeen = nullptr;
    BOOL ownerEnabled = TRUE;
    int ticksAtStart = -1;

    TimerScript script(
        [&] {
            if (!IsUp(dialog))
                return false;
            if (ticksAtStart < 0) {
                ownerSeen = ::GetWindow(dialog.m_hWnd, GW_OWNER);
                ownerEnabled = ::IsWindowEnabled(owner.m_hWnd);
                ticksAtStart = owner.ticks;
            }
            if (owner.ticks < ticksAtStart + 3)
                return false;
            dialog.EndDialog(IDOK);
            return true;
        },
        [&] { ::EndDialog(dialog.m_hWnd, -2); });
    INT_PTR result = dialog.DoModal();

    EXPECT_EQ(result, IDOK) << "the owner's timer must keep firing inside the modal loop";
    EXPECT_EQ(ownerSeen, owner.m_hWnd);
    EXPECT_FALSE(ownerEnabled);
    EXPECT_TRUE(::IsWindowEnabled(owner.m_hWnd));
}

TEST(Dialog, WithoutParentTheMainWindowOwnsUnlessItIsTheDialog) {
    TestWindow window;
    CWnd mainWnd;
    ASSERT_TRUE(mainWnd.SubclassWindow(window.hwnd()));
    testApp.m_pMainWnd = &mainWnd;
    HWND owner = reinterpret_cast<HWND>(-1);

    CExchangeDlg notice;
    RunModal(notice, [&] {
        owner = ::GetWindow(notice.m_hWnd, GW_OWNER);
        notice.EndDialog(IDOK);
    });
    EXPECT_EQ(owner, window.hwnd());

    CExchangeDlg mainDialog;
    testApp.m_pMainWnd = &mainDialog;
    RunModal(mainDialog, [&] {
        owner = ::GetWindow(mainDialog.m_hWnd, GW_OWNER);
        mainDialog.EndDialog(IDOK);
    });
    EXPECT_EQ(owner, nullptr);
    EXPECT_EQ(testApp.m_pMainWnd, nullptr) << "a destroyed main window is no longer the main window";
}

TEST(Dialog, AMainDialogThatCannotOpenIsNoLongerTheMainWindow) {
    CDialogEx missing(0x7FFF); // no such template: no window, so no WM_NCDESTROY either
    testApp.m_pMainWnd = &missing;
    EXPECT_EQ(missing.DoModal(), -1);
    EXPECT_EQ(testApp.m_pMainWnd, nullptr) << "the exit path would use the object after its end";
}

TEST(Dialog, OpensCentredOverItsOwnerOrTheWorkArea) {
    auto centre = [](const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; };
    auto isNear = [](POINT a, POINT b) { return std::abs(a.x - b.x) <= 1 && std::abs(a.y - b.y) <= 1; };
    RECT workArea;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);

    RECT alone{};
    CExchangeDlg unowned;
    RunModal(unowned, [&] {
        unowned.GetWindowRect(&alone);
        unowned.EndDialog(IDOK);
    });
    EXPECT_TRUE(isNear(centre(alone), centre(workArea)));

    TestWindow window;
    ::SetWindowPos(window.hwnd(), nullptr, 40, 60, 900, 700, SWP_NOZORDER | SWP_SHOWWINDOW);
    CWnd owner;
    ASSERT_TRUE(owner.SubclassWindow(window.hwnd()));
    RECT ownerRect, owned{};
    ::GetWindowRect(window.hwnd(), &ownerRect);
    CExchangeDlg dialog(&owner);
    RunModal(dialog, [&] {
        dialog.GetWindowRect(&owned);
        dialog.EndDialog(IDOK);
    });
    EXPECT_TRUE(isNear(centre(owned), centre(ownerRect)));
}

TEST(Dialog, MissingTemplateFailsWithoutAWindow) {
    CDialog dialog(IDD_MISSING);
    EXPECT_EQ(dialog.DoModal(), -1);
    EXPECT_EQ(dialog.m_hWnd, nullptr);
}

TEST(Dialog, UnhandledCommandsGoOnToTheApplication) {
    CExchangeDlg dialog;
    RunModal(dialog, [&] {
        dialog.SendMessage(WM_COMMAND, MAKEWPARAM(ID_APP_COMMAND, 0), 0);
        // A control's notification with that id is no command and stays with the dialog.
        dialog.SendMessage(WM_COMMAND, MAKEWPARAM(ID_APP_COMMAND, EN_CHANGE),
                           reinterpret_cast<LPARAM>(::GetDlgItem(dialog.m_hWnd, IDC_NAME_EDIT)));
        dialog.EndDialog(IDOK);
    });
    EXPECT_EQ(testApp.appCommands, 1);
}

} // namespace
