#pragma once
#include "ui/SortHeaderCtrl.h"
#include "ui/resource.h"

#include <afxcmn.h>

#include <memory>
#include <string>
#include <vector>

// Sent to the list's parent when a row button is clicked, or Delete is pressed on a selected row:
// wParam = the button's command id (IDC_ROW_BUTTON_FIRST + row position), lParam = 0.
#define WM_LIST_BUTTON_CLICK (WM_USER + 30)

// The record a row keeps as its item data: a copy of every cell's text (what the sort compares) and the
// colours its cells are painted in. The owner may change the colours and then call RedrawCell, or set
// every cell's at once with SetAllCellColors.
struct ItemData {
    std::vector<std::wstring> aText;
    std::vector<COLORREF> aTextColor;
    std::vector<COLORREF> aBkColor;
};

// Report list of running servers: columns from one heading string, per-cell colours painted through
// custom draw, a force-close button over every row's third cell (the Delete key presses the selected
// row's), sorting by a clicked heading, and column widths that no gesture of the user changes (the
// buttons would be left behind).
class CSortListCtrl : public CListCtrl {
public:
    CSortListCtrl();
    ~CSortListCtrl() override;

    // "heading,width;heading,width;..."; FALSE at the first column the list view refuses.
    BOOL SetHeadings(const CString& headings);
    // Scales every column's width by the list's client width over `designWidth`, the client width the
    // widths were chosen for: the columns keep their proportions and fill the list as they did there.
    // Called before rows are added (the row buttons are placed when their rows come).
    void ScaleColumnWidths(int designWidth);
    // Appends a row from texts[0 .. column count - 1]; returns its index, or -1 when the list refuses it.
    int AddItem(const CString* texts);
    // Releases the row's ItemData and the last row button; the owner deletes the row right after.
    void FreeItemData(int row);
    // Deletes the row with its ItemData and the last row button; the rows below move up, each keeping the
    // button beside it.
    void DeleteRow(int row);
    // Repaints one cell, or the whole row for column -1, before returning.
    void RedrawCell(int row, int column);
    // Gives every cell these colours, repainting each cell on its own at once.
    void SetAllCellColors(COLORREF text, COLORREF back);
    BOOL GetCellRect(int row, int column, CRect& rect);
    void SortByColumn(int column, BOOL ascending);

    static int CALLBACK CompareItems(LPARAM item1, LPARAM item2, LPARAM control);
    // dd/mm/yyyy
    static BOOL IsDateText(const wchar_t* text);
    // Year, then month, then day; -1, 0 or 1.
    static int CompareDates(const wchar_t* a, const wchar_t* b);

    CSortHeaderCtrl m_ctlHeader;

protected:
    int m_nColumnCount;
    int m_nSortColumn;
    BOOL m_bSortAscending;
    COLORREF m_crDefaultText;
    COLORREF m_crDefaultBack;
    COLORREF m_crSelectedBack;
    COLORREF m_crSelectedText;
    std::vector<std::unique_ptr<CButton>> m_vecRowButtons;

    void PreSubclassWindow() override;
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

    afx_msg void OnColumnClick(NMHDR* pNMHDR, LRESULT* pResult);
    afx_msg void OnDestroy();
    afx_msg void OnRButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg void OnPaint();
    afx_msg void OnCustomDraw(NMHDR* pNMHDR, LRESULT* pResult);
    afx_msg void OnRowButton(UINT nID);
    afx_msg void OnSysColorChange();
    DECLARE_MESSAGE_MAP()

private:
    int AddRowButton();
    int HeaderItemCount();
    bool GetButtonCellRect(int position, CRect& rect);
    void PaintCell(NMLVCUSTOMDRAW& draw);
    static ItemData* DataOf(LPARAM itemData) { return reinterpret_cast<ItemData*>(itemData); }
};
