// Notifications and commands of a child reach the child's own object first (reflection), and only
// permanent objects get them; WM_DRAWITEM of an owner-drawn header reaches the header's DrawItem.
#include "MfcTestSupport.h"

#include <afxcmn.h>
#include <gtest/gtest.h>

#include <vector>

using mfctest::TestWindow;

namespace {

constexpr UINT kListId = 4001;
constexpr UINT kButtonId = 4002;

class CParentWnd : public CWnd {
public:
    std::vector<int> columnClicks;
    int buttonClicks = 0;

protected:
    afx_msg void OnColumnClick(NMHDR* pNMHDR, LRESULT* pResult) {
        columnClicks.push_back(reinterpret_cast<NMLISTVIEW*>(pNMHDR)->iSubItem);
        *pResult = 0;
    }
    afx_msg void OnButtonClicked() { ++buttonClicks; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CParentWnd, CWnd)
ON_NOTIFY(LVN_COLUMNCLICK, kListId, &CParentWnd::OnColumnClick)
ON_BN_CLICKED(kButtonId, &CParentWnd::OnButtonClicked)
END_MESSAGE_MAP()

class CRecordingHeader : public CHeaderCtrl {
public:
    std::vector<UINT> drawnItems;
    HWND drawnFor = nullptr;
    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override {
        drawnItems.push_back(lpDrawItemStruct->itemID);
        drawnFor = lpDrawItemStruct->hwndItem;
    }
};

class CReflectingList : public CListCtrl {
public:
    CRecordingHeader m_header;
    std::vector<int> columnClicks;
    int itemPrepaints = 0;

protected:
    void PreSubclassWindow() override {
        CListCtrl::PreSubclassWindow();
        m_header.SubclassWindow(GetHeaderCtrl()->GetSafeHwnd());
    }
    afx_msg void OnColumnClick(NMHDR* pNMHDR, LRESULT* pResult) {
        columnClicks.push_back(reinterpret_cast<NMLISTVIEW*>(pNMHDR)->iSubItem);
        *pResult = 0;
    }
    afx_msg void OnCustomDraw(NMHDR* pNMHDR, LRESULT* pResult) {
        auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(pNMHDR);
        if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT)
            ++itemPrepaints;
        // Asking for item notifications only works when this result reaches the list view.
        *pResult = draw->nmcd.dwDrawStage == CDDS_PREPAINT ? CDRF_NOTIFYITEMDRAW : CDRF_DODEFAULT;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CReflectingList, CListCtrl)
ON_NOTIFY_REFLECT(LVN_COLUMNCLICK, &CReflectingList::OnColumnClick)
ON_NOTIFY_REFLECT(NM_CUSTOMDRAW, &CReflectingList::OnCustomDraw)
END_MESSAGE_MAP()

class CReflectingButton : public CButton {
public:
    BOOL swallow = TRUE;
    int clicks = 0;

protected:
    afx_msg BOOL OnClicked() {
        ++clicks;
        return swallow;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CReflectingButton, CButton)
ON_CONTROL_REFLECT_EX(BN_CLICKED, &CReflectingButton::OnClicked)
END_MESSAGE_MAP()

class Reflection : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(parent.SubclassWindow(host.hwnd()));
        list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 280, 150,
                               host.hwnd(), reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kListId)), nullptr,
                               nullptr);
        ASSERT_NE(list, nullptr);
        CListCtrl columns;
        ASSERT_TRUE(columns.Attach(list));
        columns.InsertColumn(0, L"first", LVCFMT_LEFT, 100);
        columns.InsertColumn(1, L"second", LVCFMT_LEFT, 100);
        columns.Detach();
    }

    // A user's click on heading `column`: the header reports it to the list view, which tells its parent.
    void ClickHeading(int column) {
        HWND header = ListView_GetHeader(list);
        RECT item{};
        Header_GetItemRect(header, column, &item);
        LPARAM point = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
        ::SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, point);
        ::SendMessageW(header, WM_LBUTTONUP, 0, point);
    }

    TestWindow host;
    CParentWnd parent;
    HWND list = nullptr;
};

TEST_F(Reflection, ColumnClickGoesToThePermanentListObjectOnly) {
    CReflectingList reflecting;
    ASSERT_TRUE(reflecting.SubclassWindow(list));

    ClickHeading(1);
    ClickHeading(0);

    EXPECT_EQ(reflecting.columnClicks, (std::vector<int>{1, 0}));
    EXPECT_TRUE(parent.columnClicks.empty()) << "a reflected entry swallows the notification";
}

TEST_F(Reflection, WithoutAPermanentChildObjectTheParentGetsIt) {
    CWnd::FromHandle(list); // a temporary wrapper receives nothing
    ClickHeading(1);
    EXPECT_EQ(parent.columnClicks, (std::vector<int>{1}));
}

TEST_F(Reflection, NotificationResultsReachTheSendingControl) {
    CReflectingList reflecting;
    ASSERT_TRUE(reflecting.SubclassWindow(list));
    reflecting.InsertItem(0, L"row");
    reflecting.InsertItem(1, L"row");

    mfctest::PaintInto(list);

    EXPECT_GE(reflecting.itemPrepaints, 2) << "CDRF_NOTIFYITEMDRAW was answered to the list view";
}

TEST_F(Reflection, OwnerDrawnHeadingsAreDrawnByTheHeaderObject) {
    CReflectingList reflecting;
    ASSERT_TRUE(reflecting.SubclassWindow(list));
    CHeaderCtrl* header = reflecting.GetHeaderCtrl();
    ASSERT_EQ(header, &reflecting.m_header) << "GetHeaderCtrl yields the subclassed header object";
    HDITEMW format{};
    format.mask = HDI_FORMAT;
    header->GetItem(1, &format);
    format.fmt |= HDF_OWNERDRAW;
    header->SetItem(1, &format);

    mfctest::PaintInto(header->GetSafeHwnd());

    EXPECT_EQ(reflecting.m_header.drawnItems, (std::vector<UINT>{1})) << "heading 0 is drawn by the header";
    EXPECT_EQ(reflecting.m_header.drawnFor, header->GetSafeHwnd());
}

TEST_F(Reflection, ReflectedCommandSwallowsOrSharesTheClick) {
    CReflectingButton button;
    ASSERT_TRUE(button.Create(L"Press", WS_CHILD | WS_VISIBLE, CRect(0, 160, 80, 190), &parent, kButtonId));

    button.SendMessage(BM_CLICK);
    EXPECT_EQ(button.clicks, 1);
    EXPECT_EQ(parent.buttonClicks, 0);

    button.swallow = FALSE;
    button.SendMessage(BM_CLICK);
    EXPECT_EQ(button.clicks, 2);
    EXPECT_EQ(parent.buttonClicks, 1);
}

TEST_F(Reflection, TemporaryHeaderOfAPlainList) {
    CListCtrl plain;
    ASSERT_TRUE(plain.Attach(list));
    CHeaderCtrl* header = plain.GetHeaderCtrl();
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->GetSafeHwnd(), ListView_GetHeader(list));
    EXPECT_EQ(header->GetItemCount(), 2);
    EXPECT_EQ(CWnd::FromHandlePermanent(header->GetSafeHwnd()), nullptr);
    EXPECT_EQ(plain.GetHeaderCtrl(), header) << "one wrapper while the header lives";
    plain.Detach();
}

} // namespace
