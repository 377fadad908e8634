// Drawing of the list header's headings, pixel by pixel in a memory DC.
#include "ui/SortHeaderCtrl.h"

#include "Canvas.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr COLORREF kOutside = RGB(255, 0, 255); // left alone by DrawItem: everything outside rcItem
constexpr COLORREF kHeadingText = RGB(0, 0, 255);

class SortHeader : public ::testing::Test {
protected:
    void SetUp() override {
        host = CreateWindowExW(0, L"Static", L"host", WS_POPUP, 0, 0, 400, 100, nullptr, nullptr, nullptr,
                               nullptr);
        HWND window = CreateWindowExW(0, WC_HEADERW, L"", WS_CHILD | HDS_BUTTONS, 0, 0, 400, 20, host,
                                      nullptr, nullptr, nullptr);
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(header.SubclassWindow(window));
        header.m_crColumnText[0] = kHeadingText;
        header.m_crColumnText[1] = kHeadingText;
    }
    void TearDown() override { DestroyWindow(host); }

    void AddHeading(const wchar_t* text, int format) {
        HDITEMW item{};
        item.mask = HDI_TEXT | HDI_FORMAT | HDI_WIDTH;
        item.pszText = const_cast<wchar_t*>(text);
        item.fmt = format;
        item.cxy = 100;
        SendMessageW(header.GetSafeHwnd(), HDM_INSERTITEMW, header.GetItemCount(),
                     reinterpret_cast<LPARAM>(&item));
    }

    // Draws heading `item` into a fresh canvas, rcItem = (0, 0, width, 20).
    void Draw(Canvas& canvas, int item, UINT state = 0, int width = 100) {
        HGDIOBJ font = SelectObject(canvas.dc(), GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(canvas.dc(), TRANSPARENT); // as the header hands its context over
        DRAWITEMSTRUCT request{};
        request.CtlType = ODT_HEADER;
        request.itemID = item;
        request.itemAction = ODA_DRAWENTIRE;
        request.itemState = state;
        request.hwndItem = header.GetSafeHwnd();
        request.hDC = canvas.dc();
        request.rcItem = {0, 0, width, 20};
        header.DrawItem(&request);
        SelectObject(canvas.dc(), font);
    }

    static bool IsLight(COLORREF c) { return c == GetSysColor(COLOR_BTNHIGHLIGHT); }
    static bool IsDark(COLORREF c) { return c == GetSysColor(COLOR_BTNSHADOW); }
    static bool IsFace(COLORREF c) { return c == GetSysColor(COLOR_BTNFACE); }
    // Text may be smoothed, so any other colour inside the heading counts as text.
    static bool IsText(COLORREF c) { return !IsLight(c) && !IsDark(c) && !IsFace(c) && c != kOutside; }

    static int OutsideHeading(const Canvas& canvas, int width = 100) {
        int drawn = 0;
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x)
                if ((x >= width || y >= 20) && canvas.At(x, y) != kOutside)
                    ++drawn;
        return drawn;
    }

    HWND host = nullptr;
    CSortHeaderCtrl header;
};

TEST_F(SortHeader, AscendingArrowPointsUpBesideTheCutText) {
    AddHeading(L"Name of a very long column heading", HDF_LEFT | HDF_OWNERDRAW);
    header.m_nSortColumn = 0;
    header.m_bSortAscending = TRUE;
    Canvas canvas(130, 30, kOutside);
    Draw(canvas, 0);

    EXPECT_EQ(OutsideHeading(canvas), 0);
    // Light (90,5)-(95,14)-(83,14), dark (84,14)-(90,4); line ends are exclusive.
    EXPECT_TRUE(IsLight(canvas.At(90, 5)));
    EXPECT_TRUE(IsLight(canvas.At(95, 14)));
    EXPECT_TRUE(IsLight(canvas.At(85, 14)));
    EXPECT_TRUE(IsDark(canvas.At(84, 14)));
    EXPECT_TRUE(IsFace(canvas.At(83, 14)));
    EXPECT_TRUE(IsFace(canvas.At(90, 4)));
    EXPECT_TRUE(IsFace(canvas.At(96, 14)));
    RECT light = canvas.BoundsOf(IsLight);
    RECT dark = canvas.BoundsOf(IsDark);
    EXPECT_EQ(light.left, 85);
    EXPECT_EQ(light.top, 5);
    EXPECT_EQ(light.right, 96);
    EXPECT_EQ(light.bottom, 15);
    EXPECT_EQ(dark.left, 84);
    EXPECT_EQ(dark.top, 5);
    EXPECT_EQ(dark.bottom, 15);

    // The text keeps to x = 5 .. 80, cut with an ellipsis.
    RECT text = canvas.BoundsOf(IsText);
    EXPECT_GE(text.left, 5);
    EXPECT_LE(text.left, 8);
    EXPECT_LE(text.right, 80);
    EXPECT_GE(text.right, 74);
}

TEST_F(SortHeader, DescendingArrowPointsDown) {
    AddHeading(L"Name", HDF_LEFT | HDF_OWNERDRAW);
    header.m_nSortColumn = 0;
    header.m_bSortAscending = FALSE;
    Canvas canvas(130, 30, kOutside);
    Draw(canvas, 0);

    EXPECT_EQ(OutsideHeading(canvas), 0);
    // Light (94,5)-(89,15), dark (88,15)-(84,5)-(94,5).
    EXPECT_TRUE(IsLight(canvas.At(94, 5)));
    EXPECT_TRUE(IsFace(canvas.At(89, 15)));
    EXPECT_TRUE(IsDark(canvas.At(88, 15)));
    EXPECT_TRUE(IsDark(canvas.At(84, 5)));
    EXPECT_TRUE(IsDark(canvas.At(93, 5)));
    EXPECT_TRUE(IsFace(canvas.At(83, 5)));
    EXPECT_TRUE(IsFace(canvas.At(95, 5)));
    RECT light = canvas.BoundsOf(IsLight);
    RECT dark = canvas.BoundsOf(IsDark);
    EXPECT_EQ(light.top, 5);
    EXPECT_EQ(light.bottom, 15);
    EXPECT_EQ(light.right, 95);
    EXPECT_EQ(dark.left, 84);
    EXPECT_EQ(dark.right, 94);
    EXPECT_EQ(dark.top, 5);
    EXPECT_EQ(dark.bottom, 16);
}

TEST_F(SortHeader, OwnerDrawAllHeadingsDrawsEveryHeadingInTheOneTextColour) {
    constexpr COLORREF kGreen = RGB(0, 160, 0);
    AddHeading(L"Name", HDF_LEFT);
    AddHeading(L"State", HDF_LEFT);
    header.OwnerDrawAllHeadings(kGreen);
    for (int item = 0; item < 2; ++item) {
        HDITEMW heading{};
        heading.mask = HDI_FORMAT;
        Header_GetItem(header.GetSafeHwnd(), item, &heading);
        EXPECT_TRUE(heading.fmt & HDF_OWNERDRAW) << item;
        Canvas canvas(130, 30, kOutside);
        Draw(canvas, item);
        EXPECT_GT(canvas.Count([&](COLORREF c) { return c == kGreen; }), 5) << item;
    }
}

TEST_F(SortHeader, PressedHeadingMovesItsTextButNotItsArrow) {
    AddHeading(L"Name", HDF_LEFT | HDF_OWNERDRAW);
    header.m_nSortColumn = 0;
    Canvas normal(130, 30, kOutside), pressed(130, 30, kOutside);
    Draw(normal, 0);
    Draw(pressed, 0, ODS_SELECTED);

    RECT before = normal.BoundsOf(IsText), after = pressed.BoundsOf(IsText);
    ASSERT_GT(before.right, before.left);
    EXPECT_EQ(after.left - before.left, 1);
    EXPECT_EQ(after.right - before.right, 1);
    // The text box's top moves 2 pixels; centred vertically in the shorter box, the text moves 1.
    EXPECT_EQ(after.top - before.top, 1);
    for (int y = 0; y < 20; ++y)
        for (int x = 81; x < 100; ++x)
            ASSERT_EQ(normal.At(x, y), pressed.At(x, y)) << x << "," << y;
}

TEST_F(SortHeader, AlignmentFollowsTheHeadingFormat) {
    AddHeading(L"Name", HDF_RIGHT | HDF_OWNERDRAW);
    AddHeading(L"Name", HDF_RIGHT | HDF_CENTER | HDF_OWNERDRAW);
    header.m_nSortColumn = 0;

    Canvas sorted(130, 30, kOutside);
    Draw(sorted, 0); // room for the arrow: text ends 4q = 20 pixels before the right edge
    RECT text = sorted.BoundsOf(IsText);
    EXPECT_LE(text.right, 80);
    EXPECT_GE(text.right, 76);

    header.m_nSortColumn = 1;
    Canvas unsorted(130, 30, kOutside);
    Draw(unsorted, 0); // q = 5 pixels before the right edge
    text = unsorted.BoundsOf(IsText);
    EXPECT_LE(text.right, 95);
    EXPECT_GE(text.right, 91);
    EXPECT_EQ(unsorted.Count(IsLight) + unsorted.Count(IsDark), 0) << "an arrow on an unsorted heading";
    EXPECT_EQ(unsorted.Count([](COLORREF c) { return c == kOutside; }), 130 * 30 - 100 * 20);

    header.m_nSortColumn = 0;
    Canvas centred(130, 30, kOutside);
    Draw(centred, 1); // both alignment bits: centred between 5 and 95
    text = centred.BoundsOf(IsText);
    EXPECT_NEAR((text.left + text.right) / 2.0, 50.0, 2.0);
}

TEST_F(SortHeader, AmpersandIsDrawnAndNarrowHeadingsGetNoText) {
    AddHeading(L"A&B", HDF_LEFT | HDF_OWNERDRAW);
    AddHeading(L"AB", HDF_LEFT | HDF_OWNERDRAW);
    Canvas withAmpersand(130, 30, kOutside), without(130, 30, kOutside);
    Draw(withAmpersand, 0);
    Draw(without, 1);
    RECT ampersand = withAmpersand.BoundsOf(IsText), plain = without.BoundsOf(IsText);
    EXPECT_GT((ampersand.right - ampersand.left) - (plain.right - plain.left), 3);
    EXPECT_EQ(ampersand.bottom, plain.bottom) << "a prefix underline";

    Canvas narrow(130, 30, kOutside);
    Draw(narrow, 0, 0, 10); // q = 5: the margins leave no room
    EXPECT_EQ(narrow.Count(IsText), 0);
    EXPECT_EQ(narrow.Count(IsFace), 10 * 20);
}

std::vector<int> Widths(HWND header) {
    std::vector<int> widths;
    for (int i = 0; i < Header_GetItemCount(header); ++i) {
        HDITEMW item{};
        item.mask = HDI_WIDTH;
        Header_GetItem(header, i, &item);
        widths.push_back(item.cxy);
    }
    return widths;
}

void SetWidths(HWND header, int width) {
    for (int i = 0; i < Header_GetItemCount(header); ++i) {
        HDITEMW item{};
        item.mask = HDI_WIDTH;
        item.cxy = width;
        Header_SetItem(header, i, &item);
    }
}

TEST_F(SortHeader, SerializeKeepsTheColumnWidths) {
    AddHeading(L"a", HDF_LEFT);
    AddHeading(L"b", HDF_LEFT);
    HWND window = header.GetSafeHwnd();
    SetWidths(window, 70);
    CMemFile file;
    {
        CArchive archive(&file, CArchive::store);
        header.Serialize(archive);
    }
    EXPECT_EQ(file.GetLength(), 12u); // count, then one width per column, 32 bits each

    SetWidths(window, 10);
    file.SeekToBegin();
    {
        CArchive archive(&file, CArchive::load);
        header.Serialize(archive);
    }
    EXPECT_EQ(Widths(window), (std::vector<int>{70, 70}));

    // A stored list for another number of columns is not applied.
    AddHeading(L"c", HDF_LEFT);
    SetWidths(window, 10);
    file.SeekToBegin();
    {
        CArchive archive(&file, CArchive::load);
        header.Serialize(archive);
    }
    EXPECT_EQ(Widths(window), (std::vector<int>{10, 10, 10}));
}

} // namespace
