// The device-context and GDI object wrappers, drawing into a memory bitmap.
#include <afxwin.h>
#include <gtest/gtest.h>

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

class Gdi : public ::testing::Test {
protected:
    void SetUp() override {
        screen.Attach(::GetDC(nullptr));
        ASSERT_TRUE(dc.CreateCompatibleDC(&screen));
        ASSERT_TRUE(bitmap.CreateCompatibleBitmap(&screen, 40, 20));
        oldBitmap = dc.SelectObject(&bitmap);
        dc.FillSolidRect(CRect(0, 0, 40, 20), kWhite);
    }
    void TearDown() override {
        dc.SelectObject(oldBitmap);
        ::ReleaseDC(nullptr, screen.Detach());
    }

    CDC screen;
    CDC dc;
    CBitmap bitmap;
    CBitmap* oldBitmap = nullptr;
};

TEST_F(Gdi, SolidFillsAndLinesWithExclusiveEnds) {
    dc.FillSolidRect(2, 2, 3, 3, kRed);
    EXPECT_EQ(dc.GetPixel(2, 2), kRed);
    EXPECT_EQ(dc.GetPixel(4, 4), kRed);
    EXPECT_EQ(dc.GetPixel(5, 5), kWhite);
    EXPECT_EQ(dc.GetBkColor(), kRed) << "as in MFC, the fill colour stays the background colour";

    CPen pen(PS_SOLID, 1, kBlue);
    CPen* previous = dc.SelectObject(&pen);
    ASSERT_NE(previous, nullptr);
    EXPECT_EQ(previous->GetSafeHandle(), ::GetStockObject(BLACK_PEN));
    EXPECT_EQ(dc.MoveTo(10, 10), CPoint(0, 0));
    dc.LineTo(20, 10);
    EXPECT_EQ(dc.GetPixel(10, 10), kBlue);
    EXPECT_EQ(dc.GetPixel(19, 10), kBlue);
    EXPECT_EQ(dc.GetPixel(20, 10), kWhite);
    dc.SelectObject(previous);
}

TEST_F(Gdi, SavedStateAndClipping) {
    CPen blue(PS_SOLID, 1, kBlue);
    CPen red(PS_SOLID, 1, kRed);
    dc.SelectObject(&blue);
    int saved = dc.SaveDC();
    CRgn clip;
    ASSERT_TRUE(clip.CreateRectRgn(0, 0, 10, 20));
    dc.SelectClipRgn(&clip);
    dc.SelectObject(&red);
    CBrush brush(kRed);
    dc.FillRect(CRect(0, 0, 40, 5), &brush);
    EXPECT_EQ(dc.GetPixel(9, 0), kRed);
    EXPECT_EQ(dc.GetPixel(10, 0), kWhite) << "outside the clip region";

    dc.RestoreDC(saved);
    dc.MoveTo(0, 15);
    dc.LineTo(40, 15);
    EXPECT_EQ(dc.GetPixel(30, 15), kBlue) << "the pen and the whole area are back";
    dc.SelectStockObject(BLACK_PEN);
}

TEST_F(Gdi, BorrowedContextOutlivesItsWrapper) {
    HDC borrowed = ::CreateCompatibleDC(nullptr);
    {
        CDC wrapper;
        ASSERT_TRUE(wrapper.Attach(borrowed));
        EXPECT_EQ(CDC::FromHandle(borrowed)->GetSafeHdc(), borrowed);
        wrapper.Detach();
    }
    EXPECT_NE(::GetObjectType(borrowed), 0u);
    {
        CDC owner;
        owner.Attach(borrowed);
    } // an attached context is deleted with its object, as in MFC
    EXPECT_EQ(::GetObjectType(borrowed), 0u);
}

} // namespace
