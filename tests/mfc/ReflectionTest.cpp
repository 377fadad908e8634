// Notifications of a child reach the child's own object first (reflection), and only permanent objects
// get them; WM_DRAWITEM of an owner-drawn header reaches the header's DrawItem.
#include "MfcTestSupport.h"

#include <afxcmn.h>
#include <gtest/gtest.h>

#include <vector>

using mfctest::TestWindow;

namespace {

constexpr UINT kListId = 4001;

// Records the column clicks that no child object took, as a list's parent overriding OnNotify does.
class CParentWnd : public CWnd {
public:
    std::vector<int> columnClicks;

protected:
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override {
        if (CWnd::OnNotify(wParam, lParam, pResult))
            return TRUE;
        if (reinterpret_cast<NMHDR*>(lParam)->code == LVN_COLUMNCLICK)
            columnClicks.push_back(reinterpret_cast<NMLISTVIEW*>(lParam)->iSubItem);
        return FALSE;
    }
};

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

class Reflection : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(parent.SubclassWindow(host.hwnd()));
        list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 280, 150,
                               host.hwnd(), reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kListId)), nullptr,
                               nullptr);
        ASSERT_NE(list, nullptr);
        for (int i = 0; i < 2; ++i) {
            LVCOLUMNW column{};
            column.mask = LVCF_TEXT | LVCF_WIDTH;
            column.pszText = const_cast<wchar_t*>(L"heading");
            column.cx = 100;
            ListView_InsertColumn(list, i, &column);
        }
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

TEST_F(Reflection, TemporaryHeaderOfAPlainList) {
    CListCtrl plain;
    ASSERT_TRUE(plain.SubclassWindow(list));
    CHeaderCtrl* header = plain.GetHeaderCtrl();
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->GetSafeHwnd(), ListView_GetHeader(list));
    EXPECT_EQ(header->GetItemCount(), 2);
    EXPECT_EQ(CWnd::FromHandlePermanent(header->GetSafeHwnd()), nullptr);
    EXPECT_EQ(plain.GetHeaderCtrl(), header) << "one wrapper while the header lives";
}

} // namespace
