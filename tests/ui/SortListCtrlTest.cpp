// The server list on a real list view: headings, rows with their buttons, sorting and custom drawing.
#include "ui/SortListCtrl.h"

#include "Canvas.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr wchar_t kHeadings[] = L"名称,375;状态,225;操作,85";
constexpr int kListId = 1005;

// The list's parent, as the main dialog: records the row-button clicks the list reports.
class ListHost : public CWnd {
public:
    std::vector<std::pair<WPARAM, LPARAM>> clicks;

protected:
    afx_msg LRESULT OnListButtonClick(WPARAM wParam, LPARAM lParam) {
        clicks.emplace_back(wParam, lParam);
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ListHost, CWnd)
ON_MESSAGE(WM_LIST_BUTTON_CLICK, &ListHost::OnListButtonClick)
END_MESSAGE_MAP()

// Opens the control's state to the tests.
class TestList : public CSortListCtrl {
public:
    using CSortListCtrl::m_bSortAscending;
    using CSortListCtrl::m_crDefaultText;
    using CSortListCtrl::m_nColumnCount;
    using CSortListCtrl::m_nSortColumn;
};

const wchar_t* HostClass() {
    static const wchar_t name[] = L"BrenlowListTestHost";
    static bool registered = false;
    if (!registered) {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = name;
        registered = RegisterClassW(&windowClass) != 0;
    }
    return name;
}

class SortList : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        HWND hostWindow = CreateWindowExW(WS_EX_TOOLWINDOW, HostClass(), L"list host", WS_POPUP, 0, 0, 760,
                                          400, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(hostWindow, nullptr);
        ASSERT_TRUE(host.SubclassWindow(hostWindow));
        // Shown without activation, the window stays unmanaged by X and is destroyed without delay.
        SetWindowPos(hostWindow, nullptr, 0, 0, 0, 0,
                     SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
        MakeList();
    }
    void TearDown() override {
        if (host.GetSafeHwnd())
            host.DestroyWindow();
    }

    // A fresh list view in the host, subclassed as the dialog's data exchange does; `below` sees the
    // messages that the control passes on to the list view.
    void MakeList(SUBCLASSPROC below = nullptr) {
        if (list && list->GetSafeHwnd())
            list->DestroyWindow();
        list = std::make_unique<TestList>();
        HWND window = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT, 5,
                                      5, 740, 380, host.GetSafeHwnd(), reinterpret_cast<HMENU>(kListId),
                                      GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
        SendMessageW(window, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
        if (below)
            SetWindowSubclass(window, below, 1, 0);
        ASSERT_TRUE(list->SubclassWindow(window));
    }

    void AddRow(const wchar_t* name, const wchar_t* status = L"已启动") {
        CString texts[] = {name, status, L""};
        list->AddItem(texts);
    }

    HWND Header() { return list->m_ctlHeader.GetSafeHwnd(); }
    HWND Button(int id) { return GetDlgItem(list->GetSafeHwnd(), id); }

    // The list view reports the whole row as column 0's bounds; GetCellRect cuts it at column 1.
    CRect CellBounds(int row, int column) {
        CRect cell;
        if (column == 0)
            EXPECT_TRUE(list->GetCellRect(row, 0, cell));
        else
            list->GetSubItemRect(row, column, LVIR_BOUNDS, cell);
        return cell;
    }
    CRect ButtonRect(int id) {
        CRect rect;
        GetWindowRect(Button(id), &rect);
        MapWindowPoints(nullptr, list->GetSafeHwnd(), reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }

    std::vector<std::wstring> Column(int column) {
        std::vector<std::wstring> texts;
        for (int row = 0; row < list->GetItemCount(); ++row)
            texts.emplace_back(list->GetItemText(row, column).GetString());
        return texts;
    }

    // A user's click on heading `column`: the header reports it and the list view turns it into
    // LVN_COLUMNCLICK to the host, which reflects it back to the list.
    void ClickHeading(int column) {
        RECT heading;
        Header_GetItemRect(Header(), column, &heading);
        LPARAM at = MAKELPARAM((heading.left + heading.right) / 2, (heading.top + heading.bottom) / 2);
        SendMessageW(Header(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(Header(), WM_LBUTTONUP, 0, at);
    }

    // The list's client area as the list view paints it (custom draw included), without child windows.
    std::unique_ptr<Canvas> Paint() {
        CRect client;
        list->GetClientRect(&client);
        auto canvas = std::make_unique<Canvas>(client.Width(), client.Height(), RGB(255, 0, 255));
        SendMessageW(list->GetSafeHwnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas->dc()),
                     PRF_CLIENT | PRF_ERASEBKGND);
        return canvas;
    }

    // A pixel of the cell as the screen shows it now, without letting the list paint first.
    COLORREF ScreenColour(int row, int column) {
        CRect cell = CellBounds(row, column);
        HDC dc = ::GetDC(list->GetSafeHwnd());
        COLORREF colour = ::GetPixel(dc, cell.right - 10, cell.CenterPoint().y);
        ::ReleaseDC(list->GetSafeHwnd(), dc);
        return colour;
    }

    ItemData* DataOf(int row) { return reinterpret_cast<ItemData*>(list->GetItemData(row)); }

    ListHost host;
    std::unique_ptr<TestList> list;
};

struct ListColumn {
    std::wstring heading;
    int width;
    bool operator==(const ListColumn&) const = default;
};

std::vector<ListColumn> ColumnsOf(CListCtrl& list) {
    std::vector<ListColumn> columns;
    for (int i = 0;; ++i) {
        wchar_t text[64] = {};
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.pszText = text;
        column.cchTextMax = 64;
        if (!SendMessageW(list.GetSafeHwnd(), LVM_GETCOLUMNW, i, reinterpret_cast<LPARAM>(&column)))
            return columns;
        EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_LEFT);
        columns.push_back({text, column.cx});
    }
}

TEST_F(SortList, HeadingsComeFromHeadingAndWidthPairs) {
    struct Case {
        const wchar_t* headings;
        std::vector<ListColumn> columns;
        int counted;
    };
    const Case cases[] = {
        {kHeadings, {{L"名称", 375}, {L"状态", 225}, {L"操作", 85}}, 3},
        {L"", {}, 0},
        {L"名称", {}, 0},                             // no comma at all
        {L"名称,375;状态", {{L"名称", 375}}, 1},      // a last item without comma is ignored
        {L"名称;状态,225", {{L"名称;状态", 225}}, 1}, // an item without width merges with the next
        {L"名称,wide;状态, 40", {{L"名称", 0}, {L"状态", 40}}, 2}, // no number: 0 pixels
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.headings)));
        MakeList();
        EXPECT_TRUE(list->SetHeadings(c.headings));
        EXPECT_EQ(ColumnsOf(*list), c.columns);
        EXPECT_EQ(list->m_nColumnCount, c.counted);
    }
}

TEST_F(SortList, EveryRowGetsItsRecordAndAButtonOverItsThirdCell) {
    list->SetHeadings(kHeadings);
    AddRow(L"alpha");
    AddRow(L"beta");
    AddRow(L"gamma");

    ASSERT_EQ(list->GetItemCount(), 3);
    for (int row = 0; row < 3; ++row) {
        SCOPED_TRACE(row);
        HWND button = Button(IDC_ROW_BUTTON_FIRST + row);
        ASSERT_NE(button, nullptr);
        wchar_t caption[16] = {};
        GetWindowTextW(button, caption, 16);
        EXPECT_STREQ(caption, L"强制关闭");
        EXPECT_EQ(GetWindowLongW(button, GWL_STYLE) & (BS_TYPEMASK | WS_VISIBLE), BS_PUSHBUTTON | WS_VISIBLE);
        EXPECT_EQ(ButtonRect(IDC_ROW_BUTTON_FIRST + row), CellBounds(row, 2));
    }
    EXPECT_EQ(Button(IDC_ROW_BUTTON_FIRST + 3), nullptr);

    ItemData* data = DataOf(1);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->aText, (std::vector<std::wstring>{L"beta", L"已启动", L""}));
    EXPECT_EQ(data->aTextColor, std::vector<COLORREF>(3, GetSysColor(COLOR_WINDOWFRAME)));
    EXPECT_EQ(data->aBkColor, std::vector<COLORREF>(3, GetSysColor(COLOR_WINDOW)));
    EXPECT_EQ(list->GetItemText(1, 1), CString(L"已启动"));

    CRect whole, second, first;
    list->GetSubItemRect(1, 0, LVIR_BOUNDS, whole);
    list->GetSubItemRect(1, 1, LVIR_BOUNDS, second);
    ASSERT_TRUE(list->GetCellRect(1, 0, first));
    EXPECT_EQ(first, CRect(whole.left, whole.top, second.left, whole.bottom));
    EXPECT_FALSE(list->GetCellRect(3, 0, first));
    EXPECT_FALSE(list->GetCellRect(0, 3, first));
}

TEST_F(SortList, FreedRowLeavesTheButtonsOfTheRemainingPositions) {
    list->SetHeadings(kHeadings);
    AddRow(L"alpha");
    AddRow(L"beta");
    AddRow(L"gamma");

    list->FreeItemData(0);
    EXPECT_EQ(list->GetItemData(0), 0u);
    list->DeleteItem(0);

    ASSERT_EQ(list->GetItemCount(), 2);
    EXPECT_EQ(Button(IDC_ROW_BUTTON_FIRST + 2), nullptr);
    for (int row = 0; row < 2; ++row) {
        ASSERT_NE(Button(IDC_ROW_BUTTON_FIRST + row), nullptr);
        EXPECT_EQ(ButtonRect(IDC_ROW_BUTTON_FIRST + row), CellBounds(row, 2));
    }

    SendMessageW(Button(IDC_ROW_BUTTON_FIRST), BM_CLICK, 0, 0);
    ASSERT_EQ(host.clicks.size(), 1u);
    EXPECT_EQ(host.clicks[0].first, static_cast<WPARAM>(IDC_ROW_BUTTON_FIRST));
    EXPECT_EQ(host.clicks[0].second, 0);
    EXPECT_EQ(list->GetItemText(0, 0), CString(L"beta")) << "the row the parent then reads";

    // The next row takes the first free position.
    AddRow(L"delta");
    ASSERT_NE(Button(IDC_ROW_BUTTON_FIRST + 2), nullptr);
    EXPECT_EQ(ButtonRect(IDC_ROW_BUTTON_FIRST + 2), CellBounds(2, 2));
}

TEST_F(SortList, NoButtonsWithoutAThirdColumn) {
    list->SetHeadings(L"名称,375;状态,225");
    CString texts[] = {L"alpha", L"已启动"};
    EXPECT_EQ(list->AddItem(texts), 0);
    EXPECT_EQ(list->AddItem(texts), 1);
    EXPECT_EQ(Button(IDC_ROW_BUTTON_FIRST), nullptr);
    list->FreeItemData(1);
    list->DeleteItem(1);
    EXPECT_EQ(list->GetItemCount(), 1);
}

TEST_F(SortList, HeadingClicksToggleTheDirectionAndSortNumbers) {
    list->SetHeadings(kHeadings);
    AddRow(L"delta", L"9");
    AddRow(L"alpha", L"100");
    AddRow(L"charlie", L"10");
    using Texts = std::vector<std::wstring>;

    ClickHeading(1);
    EXPECT_EQ(Column(1), (Texts{L"9", L"10", L"100"})) << "numbers, not text";
    EXPECT_EQ(list->m_nSortColumn, 1);
    EXPECT_TRUE(list->m_bSortAscending);
    EXPECT_EQ(list->m_ctlHeader.m_nSortColumn, 1);
    EXPECT_TRUE(list->m_ctlHeader.m_bSortAscending);

    ClickHeading(1);
    EXPECT_EQ(Column(1), (Texts{L"100", L"10", L"9"}));
    EXPECT_FALSE(list->m_bSortAscending);
    EXPECT_FALSE(list->m_ctlHeader.m_bSortAscending);

    ClickHeading(1);
    EXPECT_EQ(Column(1), (Texts{L"9", L"10", L"100"}));
    EXPECT_TRUE(list->m_bSortAscending);

    ClickHeading(0);
    EXPECT_EQ(Column(0), (Texts{L"alpha", L"charlie", L"delta"}));
    EXPECT_EQ(list->m_ctlHeader.m_nSortColumn, 0);
    EXPECT_TRUE(list->m_ctlHeader.m_bSortAscending);

    // Sorted headings are drawn by the header object from now on; the buttons keep their positions.
    for (int column = 0; column < 3; ++column) {
        HDITEMW heading{};
        heading.mask = HDI_FORMAT;
        Header_GetItem(Header(), column, &heading);
        EXPECT_EQ((heading.fmt & HDF_OWNERDRAW) != 0, column < 2) << column;
    }
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(ButtonRect(IDC_ROW_BUTTON_FIRST + row), CellBounds(row, 2));
        EXPECT_EQ(DataOf(row)->aBkColor[2], RGB(255, 255, 255));
        EXPECT_EQ(DataOf(row)->aTextColor[2], RGB(0, 0, 0));
    }
    EXPECT_TRUE(host.clicks.empty());
}

TEST_F(SortList, DatesSortByYearMonthDay) {
    list->SetHeadings(kHeadings);
    AddRow(L"a", L"01/02/2020");
    AddRow(L"b", L"31/01/2020");
    AddRow(L"c", L"15/06/2019");
    list->SortByColumn(1, TRUE);
    EXPECT_EQ(Column(1), (std::vector<std::wstring>{L"15/06/2019", L"31/01/2020", L"01/02/2020"}));
    list->SortByColumn(1, FALSE);
    EXPECT_EQ(Column(1), (std::vector<std::wstring>{L"01/02/2020", L"31/01/2020", L"15/06/2019"}));
}

TEST_F(SortList, ComparisonKindFollowsTheFirstText) {
    auto record = [](const wchar_t* text) {
        ItemData data;
        data.aText = {text};
        return data;
    };
    ItemData twelve = record(L"12"), threeX = record(L"3x"), empty = record(L""), five = record(L"5");
    ItemData late = record(L"31/01/2020"), early = record(L"01/02/2019"), shortDate = record(L"01/01");
    auto compare = [this](ItemData& a, ItemData& b) {
        return CSortListCtrl::CompareItems(reinterpret_cast<LPARAM>(&a), reinterpret_cast<LPARAM>(&b),
                                           reinterpret_cast<LPARAM>(list.get()));
    };
    list->SetHeadings(kHeadings);
    list->SortByColumn(0, TRUE);
    EXPECT_EQ(compare(twelve, threeX), 1) << "digits first: both as numbers, 12 > 3";
    EXPECT_GT(compare(threeX, twelve), 0) << "text first: lstrcmpW";
    EXPECT_EQ(compare(empty, five), -1) << "an empty text counts as the number 0";
    EXPECT_EQ(compare(late, early), 1);
    EXPECT_EQ(compare(late, shortDate), 1) << "the missing year reads as 0";
    list->SortByColumn(0, FALSE);
    EXPECT_EQ(compare(twelve, threeX), -1);
    EXPECT_EQ(compare(late, early), -1);

    EXPECT_TRUE(CSortListCtrl::IsDateText(L"31/01/2020"));
    for (const wchar_t* text : {L"31-01-2020", L"1/01/2020", L"31/01/20201", L"3a/01/2020", L""})
        EXPECT_FALSE(CSortListCtrl::IsDateText(text)) << testing::PrintToString(std::wstring(text));
    EXPECT_EQ(CSortListCtrl::CompareDates(L"31/01/2020", L"01/02/2020"), -1);
    EXPECT_EQ(CSortListCtrl::CompareDates(L"02/02/2020", L"01/02/2020"), 1);
    EXPECT_EQ(CSortListCtrl::CompareDates(L"01/02/2020", L"01/02/2020"), 0);
}

TEST_F(SortList, CellsArePaintedInTheirStoredColours) {
    constexpr COLORREF kGreen = RGB(10, 200, 30), kRed = RGB(220, 0, 0);
    list->SetHeadings(kHeadings);
    AddRow(L"alpha");
    AddRow(L"beta");
    AddRow(L"gamma");
    DataOf(1)->aBkColor[1] = kGreen;
    DataOf(1)->aTextColor[0] = kRed;
    list->SetItemState(2, LVIS_SELECTED, LVIS_SELECTED);
    std::unique_ptr<Canvas> canvas = Paint();

    CRect status = CellBounds(1, 1);
    EXPECT_EQ(canvas->At(status.right - 10, status.CenterPoint().y), kGreen);
    CRect name = CellBounds(1, 0);
    int redText = 0;
    for (int y = name.top + 1; y < name.bottom - 1; ++y)
        for (int x = name.left; x < name.left + 60; ++x)
            redText += canvas->At(x, y) == kRed ? 1 : 0;
    EXPECT_GT(redText, 5) << "the name in its own text colour";

    // A selected row shows the selection colours whatever its stored ones.
    CRect selected = CellBounds(2, 1);
    EXPECT_EQ(canvas->At(selected.right - 10, selected.CenterPoint().y), GetSysColor(COLOR_HIGHLIGHT));
    int highlightText = 0;
    for (int y = selected.top + 1; y < selected.bottom - 1; ++y)
        for (int x = selected.left; x < selected.left + 60; ++x)
            highlightText += canvas->At(x, y) == GetSysColor(COLOR_HIGHLIGHTTEXT) ? 1 : 0;
    EXPECT_GT(highlightText, 5);

    // A cell with an empty text is only filled.
    CRect empty = CellBounds(0, 2);
    for (int y = empty.top + 2; y < empty.bottom - 2; ++y)
        for (int x = empty.left + 2; x < empty.right - 2; ++x)
            ASSERT_EQ(canvas->At(x, y), GetSysColor(COLOR_WINDOW)) << x << "," << y;
}

// Width of the pixels in a cell that differ from its background.
int TextWidth(const Canvas& canvas, const CRect& cell, COLORREF background) {
    int left = cell.right, right = cell.left;
    for (int y = cell.top + 1; y < cell.bottom - 1; ++y)
        for (int x = cell.left + 1; x < cell.right - 1; ++x)
            if (canvas.At(x, y) != background) {
                left = std::min(left, x);
                right = std::max(right, x + 1);
            }
    return right - left;
}

TEST_F(SortList, AmpersandInANameIsDrawnAsSuch) {
    list->SetHeadings(kHeadings);
    AddRow(L"A&B");
    AddRow(L"AB");
    std::unique_ptr<Canvas> canvas = Paint();
    const COLORREF background = GetSysColor(COLOR_WINDOW);
    const int withAmpersand = TextWidth(*canvas, CellBounds(0, 0), background);
    const int plain = TextWidth(*canvas, CellBounds(1, 0), background);
    EXPECT_GT(plain, 0);
    EXPECT_GT(withAmpersand - plain, 3) << "the ampersand was taken as a prefix";
}

TEST_F(SortList, RedrawCellRepaintsAtOnce) {
    constexpr COLORREF kBlue = RGB(0, 0, 200);
    list->SetHeadings(kHeadings);
    AddRow(L"alpha");
    AddRow(L"beta");
    list->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    DataOf(1)->aBkColor[0] = kBlue;
    DataOf(1)->aBkColor[1] = kBlue;

    list->RedrawCell(1, 1);
    EXPECT_EQ(ScreenColour(1, 1), kBlue);
    EXPECT_EQ(ScreenColour(1, 0), GetSysColor(COLOR_WINDOW)) << "only the one cell";
    list->RedrawCell(1, -1);
    EXPECT_EQ(ScreenColour(1, 0), kBlue) << "column -1: the whole row";
    list->RedrawCell(2, 0); // no such row: nothing happens
    list->RedrawCell(0, 3);
}

TEST_F(SortList, SetAllCellColorsStoresAndShowsThemInEveryCellAtOnce) {
    constexpr COLORREF kText = RGB(200, 0, 0), kBack = RGB(0, 0, 200);
    list->SetHeadings(kHeadings);
    AddRow(L"alpha");
    AddRow(L"beta");
    list->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);

    list->SetAllCellColors(kText, kBack);
    for (int row = 0; row < 2; ++row) {
        EXPECT_EQ(DataOf(row)->aTextColor, std::vector<COLORREF>(3, kText));
        EXPECT_EQ(DataOf(row)->aBkColor, std::vector<COLORREF>(3, kBack));
        for (int column = 0; column < 2; ++column) // the third cell lies under its button
            EXPECT_EQ(ScreenColour(row, column), kBack) << row << "," << column;
    }
}

TEST_F(SortList, DeleteRowTakesItsRowAndTheLastButton) {
    list->SetHeadings(kHeadings);
    AddRow(L"alpha");
    AddRow(L"beta");
    AddRow(L"gamma");

    list->DeleteRow(0);
    EXPECT_EQ(Column(0), (std::vector<std::wstring>{L"beta", L"gamma"}));
    EXPECT_NE(Button(IDC_ROW_BUTTON_FIRST + 1), nullptr);
    EXPECT_EQ(Button(IDC_ROW_BUTTON_FIRST + 2), nullptr);
    list->DeleteRow(2); // no such row: nothing happens
    EXPECT_EQ(list->GetItemCount(), 2);
    EXPECT_NE(Button(IDC_ROW_BUTTON_FIRST + 1), nullptr);
}

TEST_F(SortList, DividerDragsAndDoubleClicksDoNotResizeAColumn) {
    list->SetHeadings(kHeadings);
    AddRow(L"alpha");
    RECT first, third;
    Header_GetItemRect(Header(), 0, &first);
    Header_GetItemRect(Header(), 2, &third);
    const int y = (first.top + first.bottom) / 2;
    SendMessageW(Header(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(first.right - 1, y));
    SendMessageW(Header(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(first.right - 100, y));
    SendMessageW(Header(), WM_LBUTTONUP, 0, MAKELPARAM(first.right - 100, y));
    // A double-click on a divider would fit the column to its texts, away from the row's button.
    for (LONG divider : {first.right, third.right}) {
        SendMessageW(Header(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(divider - 1, y));
        SendMessageW(Header(), WM_LBUTTONUP, 0, MAKELPARAM(divider - 1, y));
    }
    EXPECT_EQ(list->GetColumnWidth(0), 375);
    EXPECT_EQ(list->GetColumnWidth(1), 225);
    EXPECT_EQ(list->GetColumnWidth(2), 85);
    EXPECT_EQ(ButtonRect(IDC_ROW_BUTTON_FIRST), CellBounds(0, 2));
}

// The keys that reach the list view's own handling, seen from below the control's subclass.
std::vector<WPARAM> keysReachingListView;
LRESULT CALLBACK ListViewKeySpy(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                DWORD_PTR) {
    if (message == WM_KEYDOWN)
        keysReachingListView.push_back(wParam);
    return DefSubclassProc(window, message, wParam, lParam);
}

// A list view auto-sizes every column on Ctrl + numpad-plus (Wine's does not, so the key is watched on
// its way instead of the widths).
TEST_F(SortList, CtrlNumpadPlusNeverReachesTheListView) {
    MakeList(&ListViewKeySpy);
    keysReachingListView.clear();
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    list->SendMessage(WM_KEYDOWN, VK_ADD, 1);
    list->SendMessage(WM_KEYDOWN, VK_DOWN, 1);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    list->SendMessage(WM_KEYDOWN, VK_ADD, 1);
    EXPECT_EQ(keysReachingListView, (std::vector<WPARAM>{VK_DOWN, VK_ADD}));
}

// Delete reaches the parent as the selected row's button click: once per press (a repeat of the held key
// asks nothing), for the row with the focus among several selected, and never without a selection.
TEST_F(SortList, DeleteClicksTheButtonOfTheSelectedRow) {
    MakeList(&ListViewKeySpy);
    list->SetHeadings(kHeadings);
    for (const wchar_t* name : {L"alpha", L"beta", L"gamma"})
        AddRow(name);
    keysReachingListView.clear();
    constexpr LPARAM kPress = 1, kRepeat = 1 | (KF_REPEAT << 16);

    list->SendMessage(WM_KEYDOWN, VK_DELETE, kPress);
    EXPECT_TRUE(host.clicks.empty()) << "no row selected";

    list->SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    list->SetItemState(2, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    list->SendMessage(WM_KEYDOWN, VK_DELETE, kPress);
    list->SendMessage(WM_KEYDOWN, VK_DELETE, kRepeat);
    EXPECT_EQ(host.clicks, (std::vector<std::pair<WPARAM, LPARAM>>{{IDC_ROW_BUTTON_FIRST + 2, 0}}));

    list->SetItemState(2, 0, LVIS_SELECTED); // focused, no longer selected
    list->SendMessage(WM_KEYDOWN, VK_DELETE, kPress);
    EXPECT_EQ(host.clicks.size(), 1u);
    EXPECT_TRUE(keysReachingListView.empty()) << "Delete is the list's own key";
}

// Changes one system colour for the length of a test.
class SystemColour {
public:
    SystemColour(int index, COLORREF colour) : index_(index), saved_(GetSysColor(index)) {
        SetSysColors(1, &index_, &colour);
    }
    ~SystemColour() { SetSysColors(1, &index_, &saved_); }

private:
    int index_;
    COLORREF saved_;
};

TEST_F(SortList, RowsAddedAfterAColourChangeTakeTheWindowTextColour) {
    list->SetHeadings(kHeadings);
    AddRow(L"before");
    const COLORREF before = DataOf(0)->aTextColor[0];
    {
        SystemColour text(COLOR_WINDOWTEXT, RGB(1, 2, 3));
        list->SendMessage(WM_SYSCOLORCHANGE);
        AddRow(L"after");
    }
    EXPECT_EQ(DataOf(1)->aTextColor, std::vector<COLORREF>(3, RGB(1, 2, 3)));
    EXPECT_EQ(DataOf(0)->aTextColor[0], before) << "existing cells keep their colours";
}

TEST_F(SortList, SortedHeadingIsDrawnWithItsArrowThroughTheList) {
    list->SetHeadings(kHeadings);
    AddRow(L"alpha", L"2");
    AddRow(L"beta", L"1");
    list->m_ctlHeader.m_crColumnText[1] = RGB(0, 0, 255);
    list->SortByColumn(1, TRUE);

    CRect heading;
    Header_GetItemRect(Header(), 1, &heading);
    CRect client;
    GetClientRect(Header(), &client);
    Canvas canvas(client.Width(), client.Height(), RGB(255, 0, 255));
    SendMessageW(Header(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT);

    const int quarter = heading.Height() / 4;
    const int right = heading.right;
    EXPECT_EQ(canvas.At(right - 2 * quarter, quarter), GetSysColor(COLOR_BTNHIGHLIGHT)) << "the arrow's tip";
    EXPECT_EQ(canvas.At(right - 3 * quarter - 1, heading.bottom - quarter - 1), GetSysColor(COLOR_BTNSHADOW));
    int blueText = 0;
    for (int y = heading.top; y < heading.bottom; ++y)
        for (int x = heading.left; x < heading.left + 60; ++x)
            blueText += canvas.At(x, y) == RGB(0, 0, 255) ? 1 : 0;
    EXPECT_GT(blueText, 5) << "the heading in its column's text colour";
}

} // namespace
