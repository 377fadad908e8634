#include "ui/SortHeaderCtrl.h"

CSortHeaderCtrl::CSortHeaderCtrl() : m_crColumnText{}, m_nSortColumn(-1), m_bSortAscending(TRUE) {}

CSortHeaderCtrl::~CSortHeaderCtrl() = default;

BEGIN_MESSAGE_MAP(CSortHeaderCtrl, CHeaderCtrl)
END_MESSAGE_MAP()

// Headings beyond the colour table are drawn black, the table's initial colour, instead of reading past it.
COLORREF CSortHeaderCtrl::ColumnTextColor(int item) const {
    return item >= 0 && item < kMaxColumns ? m_crColumnText[item] : RGB(0, 0, 0);
}

void CSortHeaderCtrl::DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) {
    CDC dc;
    dc.Attach(lpDrawItemStruct->hDC);
    const int savedState = dc.SaveDC();
    const CRect rcItem(lpDrawItemStruct->rcItem);
    const int item = static_cast<int>(lpDrawItemStruct->itemID);

    CRgn clip;
    clip.CreateRectRgnIndirect(&rcItem);
    dc.SelectClipRgn(&clip);
    clip.DeleteObject();

    CBrush face;
    face.CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    dc.FillRect(&rcItem, &face);
    dc.SetTextColor(ColumnTextColor(item));

    wchar_t text[256] = {};
    HDITEM heading{};
    heading.mask = HDI_TEXT | HDI_FORMAT;
    heading.pszText = text;
    heading.cchTextMax = 255;
    GetItem(item, &heading);

    UINT format = DT_VCENTER | DT_SINGLELINE | DT_NOCLIP | DT_NOPREFIX | DT_END_ELLIPSIS;
    if (heading.fmt & HDF_CENTER)
        format |= DT_CENTER;
    else if (heading.fmt & HDF_RIGHT)
        format |= DT_RIGHT;
    else
        format |= DT_LEFT;

    // A pressed heading moves its text, not its arrow.
    CRect textRect = rcItem;
    if (lpDrawItemStruct->itemState == ODS_SELECTED) {
        textRect.left += 1;
        textRect.top += 2;
        textRect.right += 1;
    }
    const int quarter = rcItem.Height() / 4; // the arrow's unit, and the text's margin
    const bool sorted = item == m_nSortColumn;
    if (sorted)
        textRect.right -= 3 * quarter; // room for the arrow
    textRect.left += quarter;
    textRect.right -= quarter;
    if (textRect.left < textRect.right)
        dc.DrawText(text, -1, &textRect, format);

    if (sorted)
        DrawSortArrow(dc, rcItem, quarter);

    dc.RestoreDC(savedState);
    dc.Detach();
    face.DeleteObject();
}

// A triangle of light and dark lines at the heading's right end. Its top is `quarter` itself, not counted
// from the heading's top.
void CSortHeaderCtrl::DrawSortArrow(CDC& dc, const CRect& rcItem, int quarter) const {
    const int right = rcItem.right;
    const int bottom = rcItem.bottom;
    CPen light(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
    CPen dark(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
    CPen* previous = dc.SelectObject(&light);
    if (m_bSortAscending) {
        dc.MoveTo(right - 2 * quarter, quarter);
        dc.LineTo(right - quarter, bottom - quarter - 1);
        dc.LineTo(right - 3 * quarter - 2, bottom - quarter - 1);
        dc.SelectObject(&dark);
        dc.MoveTo(right - 3 * quarter - 1, bottom - quarter - 1);
        dc.LineTo(right - 2 * quarter, quarter - 1);
    } else {
        dc.MoveTo(right - quarter - 1, quarter);
        dc.LineTo(right - 2 * quarter - 1, bottom - quarter);
        dc.SelectObject(&dark);
        dc.MoveTo(right - 2 * quarter - 2, bottom - quarter);
        dc.LineTo(right - 3 * quarter - 1, quarter);
        dc.LineTo(right - quarter - 1, quarter);
    }
    dc.SelectObject(previous);
    light.DeleteObject();
    dark.DeleteObject();
}

void CSortHeaderCtrl::OwnerDrawHeading(int item) {
    HDITEM heading{};
    heading.mask = HDI_FORMAT;
    GetItem(item, &heading);
    heading.fmt |= HDF_OWNERDRAW;
    SetItem(item, &heading);
}

void CSortHeaderCtrl::OwnerDrawAllHeadings(COLORREF textColor) {
    for (int item = 0; item < GetItemCount(); ++item) {
        OwnerDrawHeading(item);
        if (item < kMaxColumns)
            m_crColumnText[item] = textColor;
    }
    Invalidate(TRUE);
}

void CSortHeaderCtrl::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        const int count = GetItemCount();
        if (count == -1)
            return;
        ar << count;
        for (int i = 0; i < count; ++i) {
            HDITEM column{};
            column.mask = HDI_WIDTH;
            GetItem(i, &column);
            ar << column.cxy;
        }
        return;
    }
    int count = 0;
    ar >> count;
    if (count != GetItemCount())
        return;
    for (int i = 0; i < count; ++i) {
        HDITEM column{};
        column.mask = HDI_WIDTH;
        ar >> column.cxy;
        SetItem(i, &column);
    }
}
