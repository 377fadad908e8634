#pragma once
#include <afxcmn.h>

// Header of the server list. Headings marked HDF_OWNERDRAW are drawn here: button-face background, the
// heading text in a colour of its own per column and, on the sort column, a two-tone arrow that points up
// for ascending and down for descending order. Other headings are left to the header control.
class CSortHeaderCtrl : public CHeaderCtrl {
public:
    static constexpr int kMaxColumns = 40;

    CSortHeaderCtrl();
    ~CSortHeaderCtrl() override;

    // Stores or loads the column widths: a 32-bit count, then one 32-bit width per column.
    void Serialize(CArchive& ar) override;
    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;
    // Draws heading `item` here from now on (with the arrow when it is the sort column).
    void OwnerDrawHeading(int item);
    // Draws every heading here from now on, its text in `textColor`, and repaints the header.
    void OwnerDrawAllHeadings(COLORREF textColor);

    COLORREF m_crColumnText[kMaxColumns]; // text colour per heading, by item index
    int m_nSortColumn;                    // heading that carries the arrow; -1 = none
    BOOL m_bSortAscending;                // arrow up when TRUE, down when FALSE

protected:
    DECLARE_MESSAGE_MAP()

private:
    COLORREF ColumnTextColor(int item) const;
    void DrawSortArrow(CDC& dc, const CRect& rcItem, int quarter) const;
};
