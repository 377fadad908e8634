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
        HDC screen = ::GetDC(nullptr);
        ASSERT_TRUE(dc.Attach(::CreateCompatibleDC(screen))); // deleted with the wrapper
        bitmap = ::CreateCompatibleBitmap(screen, 40, 20);
        ::ReleaseDC(nullptr, screen);
        oldBitmap = ::SelectObject(dc.m_hDC, bitmap);
        dc.FillSolidRect(CRect(0, 0, 40, 20), kWhite);
    }
    void TearDown() override {
        ::SelectObject(dc.m_hDC, oldBitmap);
        ::DeleteObject(bitmap);
    }
    COLORREF At(int x, int y) { return ::GetPixel(dc.m_hDC, x, y); }

    CDC dc;
    HBITMAP bitmap = nullptr;
    HGDIOBJ oldBitmap = nullptr;
};

TEST_F(Gdi, SolidFillsAndLinesWithExclusiveEnds) {
    dc.FillSolidRect(CRect(2, 2, 5, 5), kRed);
    EXPECT_EQ(At(2, 2), kRed);
    EXPECT_EQ(At(4, 4), kRed);
    EXPECT_EQ(At(5, 5), kWhite);
    EXPECT_EQ(::GetBkColor(dc.m_hDC), kRed) << "as in MFC, the fill colour stays the background colour";

    CPen pen(PS_SOLID, 1, kBlue);
    CPen* previous = dc.SelectObject(&pen);
    ASSERT_NE(previous, nullptr);
    EXPECT_EQ(previous->GetSafeHandle(), ::GetStockObject(BLACK_PEN));
    EXPECT_EQ(dc.MoveTo(10, 10), CPoint(0, 0));
    dc.LineTo(20, 10);
    EXPECT_EQ(At(10, 10), kBlue);
    EXPECT_EQ(At(19, 10), kBlue);
    EXPECT_EQ(At(20, 10), kWhite);
    dc.SelectObject(previous);
}

TEST_F(Gdi, SavedStateAndClipping) {
    CPen blue(PS_SOLID, 1, kBlue);
    CPen red(PS_SOLID, 1, kRed);
    dc.SelectObject(&blue);
    int saved = dc.SaveDC();
    CRgn clip;
    ASSERT_TRUE(clip.CreateRectRgnIndirect(CRect(0, 0, 10, 20)));
    dc.SelectClipRgn(&clip);
    dc.SelectObject(&red);
    CBrush brush;
    ASSERT_TRUE(brush.CreateSolidBrush(kRed));
    dc.FillRect(CRect(0, 0, 40, 5), &brush);
    EXPECT_EQ(At(9, 0), kRed);
    EXPECT_EQ(At(10, 0), kWhite) << "outside the clip region";

    dc.RestoreDC(saved);
    dc.MoveTo(0, 15);
    dc.LineTo(40, 15);
    EXPECT_EQ(At(30, 15), kBlue) << "the pen and the whole area are back";
    ::SelectObject(dc.m_hDC, ::GetStockObject(BLACK_PEN));
}

TEST(DeviceContext, BorrowedContextOutlivesItsWrapper) {
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
