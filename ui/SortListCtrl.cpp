#include "ui/SortListCtrl.h"

#include <string_view>

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr int kButtonColumn = 2;
const wchar_t kRowButtonCaption[] = L"强制关闭";

// _wtoi of text[pos, pos + count), the part that exists; a part wholly past the end reads as 0.
int NumberAt(std::wstring_view text, size_t pos, size_t count) {
    if (pos >= text.size())
        return 0;
    return _wtoi(std::wstring(text.substr(pos, count)).c_str());
}

bool IsAllDigits(const wchar_t* text) {
    for (; *text; ++text)
        if (!iswdigit(*text))
            return false;
    return true;
}

int Sign(int a, int b) {
    return a < b ? -1 : a > b ? 1 : 0;
}

} // namespace

CSortListCtrl::CSortListCtrl()
    : m_nColumnCount(0), m_nSortColumn(-1), m_bSortAscending(TRUE),
      m_crDefaultText(GetSysColor(COLOR_WINDOWFRAME)), m_crDefaultBack(GetSysColor(COLOR_WINDOW)),
      m_crSelectedBack(GetSysColor(COLOR_HIGHLIGHT)), m_crSelectedText(GetSysColor(COLOR_HIGHLIGHTTEXT)) {}

// The buttons went with the window (OnDestroy); only the vector's storage is left.
CSortListCtrl::~CSortListCtrl() = default;

BEGIN_MESSAGE_MAP(CSortListCtrl, CListCtrl)
ON_NOTIFY_REFLECT(LVN_COLUMNCLICK, &CSortListCtrl::OnColumnClick)
ON_WM_DESTROY()
ON_WM_RBUTTONDOWN()
ON_WM_KEYDOWN()
ON_WM_PAINT()
ON_NOTIFY_REFLECT(NM_CUSTOMDRAW, &CSortListCtrl::OnCustomDraw)
ON_COMMAND_RANGE(IDC_ROW_BUTTON_FIRST, IDC_ROW_BUTTON_LAST, &CSortListCtrl::OnRowButton)
ON_WM_SYSCOLORCHANGE()
END_MESSAGE_MAP()

void CSortListCtrl::PreSubclassWindow() {
    CListCtrl::PreSubclassWindow();
    if (CHeaderCtrl* header = GetHeaderCtrl())
        m_ctlHeader.SubclassWindow(header->GetSafeHwnd());
}

int CSortListCtrl::HeaderItemCount() {
    CHeaderCtrl* header = GetHeaderCtrl();
    return header ? header->GetItemCount() : 0;
}

BOOL CSortListCtrl::SetHeadings(const CString& headings) {
    const std::wstring_view text(headings.GetString(), headings.GetLength());
    size_t pos = 0;
    for (;;) {
        const size_t comma = text.find(L',', pos);
        if (comma == std::wstring_view::npos)
            return TRUE;
        const CString heading(std::wstring(text.substr(pos, comma - pos)).c_str());
        size_t end = text.find(L';', comma + 1);
        if (end == std::wstring_view::npos)
            end = text.size();
        const int width = NumberAt(text, comma + 1, end - comma - 1);
        const int column = m_nColumnCount++;
        pos = end + 1;
        if (InsertColumn(column, heading, LVCFMT_LEFT, width) == -1)
            return FALSE;
    }
}

void CSortListCtrl::ScaleColumnWidths(int designWidth) {
    CRect client;
    GetClientRect(&client);
    if (designWidth <= 0 || client.Width() == designWidth)
        return;
    for (int column = 0; column < HeaderItemCount(); ++column)
        SendMessage(LVM_SETCOLUMNWIDTH, column, MulDiv(GetColumnWidth(column), client.Width(), designWidth));
}

int CSortListCtrl::AddItem(const CString* texts) {
    const int row = InsertItem(GetItemCount(), texts[0]);
    if (row == -1)
        return -1; // no row to hold the record, so none is made
    auto data = new ItemData;
    data->aText.resize(m_nColumnCount);
    data->aTextColor.assign(m_nColumnCount, m_crDefaultText);
    data->aBkColor.assign(m_nColumnCount, m_crDefaultBack);
    for (int i = 0; i < m_nColumnCount; ++i) {
        if (i >= 1)
            SetItemText(row, i, texts[i]);
        data->aText[i] = texts[i].GetString();
    }
    SetItemData(row, reinterpret_cast<DWORD_PTR>(data));
    AddRowButton();
    return row;
}

bool CSortListCtrl::GetButtonCellRect(int position, CRect& rect) {
    return position < GetItemCount() && HeaderItemCount() > kButtonColumn &&
           GetSubItemRect(position, kButtonColumn, LVIR_BOUNDS, rect);
}

// Buttons belong to row positions: the next one goes over the first row that has none.
int CSortListCtrl::AddRowButton() {
    const int position = static_cast<int>(m_vecRowButtons.size());
    const int id = IDC_ROW_BUTTON_FIRST + position;
    CRect bounds;
    // A button beyond the routed id range would never report its click, so none is made.
    if (id > IDC_ROW_BUTTON_LAST || !GetButtonCellRect(position, bounds))
        return id;
    auto button = std::make_unique<CButton>();
    if (button->Create(kRowButtonCaption, WS_CHILD | WS_VISIBLE, bounds, this, id))
        m_vecRowButtons.push_back(std::move(button));
    return id;
}

void CSortListCtrl::FreeItemData(int row) {
    if (row < 0 || row >= GetItemCount())
        return;
    delete DataOf(GetItemData(row));
    SetItemData(row, 0);
    // The rows below move up once the owner deletes this one; each keeps the button already beside it.
    if (!m_vecRowButtons.empty()) {
        m_vecRowButtons.back()->DestroyWindow();
        m_vecRowButtons.pop_back();
    }
}

void CSortListCtrl::DeleteRow(int row) {
    FreeItemData(row);
    DeleteItem(row);
}

void CSortListCtrl::RedrawCell(int row, int column) {
    if (row < 0 || row >= GetItemCount())
        return;
    if (column != -1 && (column < 0 || column >= HeaderItemCount()))
        return;
    CRect rect;
    if (column == -1)
        GetItemRect(row, &rect, LVIR_BOUNDS);
    else
        GetCellRect(row, column, rect);
    InvalidateRect(&rect, TRUE);
    UpdateWindow();
}

void CSortListCtrl::SetAllCellColors(COLORREF text, COLORREF back) {
    for (int row = 0; row < GetItemCount(); ++row) {
        for (int column = 0; column < HeaderItemCount(); ++column) {
            ItemData* data = DataOf(GetItemData(row));
            if (data && static_cast<size_t>(column) < data->aTextColor.size()) {
                data->aTextColor[column] = text;
                data->aBkColor[column] = back;
            }
            RedrawCell(row, column);
        }
    }
}

BOOL CSortListCtrl::GetCellRect(int row, int column, CRect& rect) {
    const int columns = HeaderItemCount();
    if (row < 0 || row >= GetItemCount() || column < 0 || column >= columns)
        return FALSE;
    BOOL found = GetSubItemRect(row, column, LVIR_BOUNDS, rect);
    // The list view gives the whole row as the bounds of column 0; cut it at column 1.
    if (column == 0 && columns > 1) {
        CRect next(0, 0, 0, 0);
        found = GetCellRect(row, 1, next);
        rect.right = next.left;
    }
    return found;
}

void CSortListCtrl::OnColumnClick(NMHDR* pNMHDR, LRESULT* pResult) {
    const int column = reinterpret_cast<NMLISTVIEW*>(pNMHDR)->iSubItem;
    const BOOL ascending = column == m_nSortColumn ? !m_bSortAscending : TRUE;
    SortByColumn(column, ascending);
    *pResult = 0;
}

void CSortListCtrl::SortByColumn(int column, BOOL ascending) {
    m_bSortAscending = ascending;
    m_nSortColumn = column;
    m_ctlHeader.m_nSortColumn = column;
    m_ctlHeader.m_bSortAscending = ascending;

    if (m_ctlHeader.GetSafeHwnd()) { // the list view's header, taken over in PreSubclassWindow
        m_ctlHeader.OwnerDrawHeading(column);
        m_ctlHeader.Invalidate(TRUE);
    }

    // The buttons stay at their positions: repaint the cells under them and put them back on top.
    for (size_t k = 0; k < m_vecRowButtons.size(); ++k) {
        const int position = static_cast<int>(k);
        CRect bounds;
        if (!GetButtonCellRect(position, bounds))
            continue;
        ItemData* data = DataOf(GetItemData(position));
        if (data && data->aTextColor.size() > kButtonColumn) {
            data->aTextColor[kButtonColumn] = kBlack;
            data->aBkColor[kButtonColumn] = kWhite;
        }
        InvalidateRect(&bounds, TRUE);
        UpdateWindow();
        m_vecRowButtons[k]->MoveWindow(&bounds, TRUE);
        m_vecRowButtons[k]->ShowWindow(SW_SHOW);
    }
    SortItems(&CSortListCtrl::CompareItems, reinterpret_cast<DWORD_PTR>(this));
}

int CALLBACK CSortListCtrl::CompareItems(LPARAM item1, LPARAM item2, LPARAM control) {
    const auto* list = reinterpret_cast<const CSortListCtrl*>(control);
    const size_t column = static_cast<size_t>(list->m_nSortColumn);
    // A row without its record, or a column the record does not cover, compares as empty text.
    auto textOf = [column](LPARAM item) -> const wchar_t* {
        const ItemData* data = DataOf(item);
        return data && column < data->aText.size() ? data->aText[column].c_str() : L"";
    };
    const wchar_t* s1 = textOf(item1);
    const wchar_t* s2 = textOf(item2);
    // Descending order compares the same way with the operands exchanged.
    const wchar_t* a = list->m_bSortAscending ? s1 : s2;
    const wchar_t* b = list->m_bSortAscending ? s2 : s1;
    // The kind of comparison follows the first row's text alone.
    if (IsAllDigits(s1))
        return Sign(_wtoi(a), _wtoi(b));
    if (IsDateText(s1))
        return CompareDates(a, b);
    return lstrcmpW(a, b);
}

BOOL CSortListCtrl::IsDateText(const wchar_t* text) {
    const std::wstring_view date(text);
    if (date.size() != 10)
        return FALSE;
    for (size_t i = 0; i < date.size(); ++i) {
        const bool separator = i == 2 || i == 5;
        if (separator ? date[i] != L'/' : !iswdigit(date[i]))
            return FALSE;
    }
    return TRUE;
}

int CSortListCtrl::CompareDates(const wchar_t* a, const wchar_t* b) {
    const std::wstring_view first(a), second(b);
    const size_t parts[3][2] = {{6, 4}, {3, 2}, {0, 2}}; // year, month, day
    for (const auto& part : parts) {
        const int order = Sign(NumberAt(first, part[0], part[1]), NumberAt(second, part[0], part[1]));
        if (order != 0)
            return order;
    }
    return 0;
}

void CSortListCtrl::OnCustomDraw(NMHDR* pNMHDR, LRESULT* pResult) {
    auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(pNMHDR);
    *pResult = CDRF_DODEFAULT;
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
    case CDDS_ITEMPREPAINT:
        *pResult = CDRF_NOTIFYITEMDRAW; // also asks for every cell
        break;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
        PaintCell(*draw);
        *pResult = CDRF_SKIPDEFAULT;
        break;
    default:
        break;
    }
}

void CSortListCtrl::PaintCell(NMLVCUSTOMDRAW& draw) {
    const int row = static_cast<int>(draw.nmcd.dwItemSpec);
    const int column = draw.iSubItem;
    COLORREF text = m_crDefaultText;
    COLORREF back = m_crDefaultBack;
    const ItemData* data = DataOf(draw.nmcd.lItemlParam);
    if (data && column >= 0 && static_cast<size_t>(column) < data->aTextColor.size()) {
        text = data->aTextColor[column];
        back = data->aBkColor[column];
    }
    CRect rect(0, 0, 0, 0);
    if (!GetCellRect(row, column, rect))
        rect.SetRectEmpty();
    if (GetItemState(row, LVIS_SELECTED)) {
        text = m_crSelectedText;
        back = m_crSelectedBack;
    }

    CDC* dc = CDC::FromHandle(draw.nmcd.hdc);
    dc->FillSolidRect(&rect, back);
    const CString cellText = GetItemText(row, column);
    if (cellText.IsEmpty())
        return;

    HDITEM heading{};
    heading.mask = HDI_FORMAT;
    if (CHeaderCtrl* header = GetHeaderCtrl())
        header->GetItem(column, &heading);
    // No prefix processing: a folder named "A&B" must show its ampersand.
    UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
    switch (heading.fmt & HDF_JUSTIFYMASK) {
    case HDF_CENTER:
        format |= DT_CENTER;
        break;
    case HDF_LEFT:
        format |= DT_LEFT;
        break;
    default:
        format |= DT_RIGHT;
        break;
    }
    CRect textRect = rect;
    textRect.left += 3;
    dc->SetBkMode(TRANSPARENT);
    dc->SetTextColor(text);
    dc->SetBkColor(back);
    dc->DrawText(cellText, &textRect, format);
}

void CSortListCtrl::OnRowButton(UINT nID) {
    if (CWnd* parent = GetParent())
        parent->SendMessage(WM_LIST_BUTTON_CLICK, nID, 0);
}

// Refuses divider drags and divider double-clicks (which auto-size a column), so the columns keep their
// widths and the row buttons their cells; keeps the children's custom-draw requests from the list
// view's own handling.
BOOL CSortListCtrl::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
    case HDN_BEGINTRACKW:
    case HDN_BEGINTRACKA:
    case HDN_DIVIDERDBLCLICKW:
    case HDN_DIVIDERDBLCLICKA:
    case NM_CUSTOMDRAW:
        *pResult = 1;
        return TRUE;
    default:
        return CListCtrl::OnNotify(wParam, lParam, pResult);
    }
}

void CSortListCtrl::OnDestroy() {
    for (int row = 0; row < GetItemCount(); ++row)
        FreeItemData(row);
    CListCtrl::OnDestroy();
}

void CSortListCtrl::OnRButtonDown(UINT /*nFlags*/, CPoint /*point*/) {
    Default();
}

// Delete is the keyboard's way to a row's force-close button: the parent hears it as that button's
// click, for the selected row that has the focus (one question per press, so not for the key's repeats).
// Ctrl + numpad-plus would auto-size every column. Every other key goes to the list view.
void CSortListCtrl::OnKeyDown(UINT nChar, UINT /*nRepCnt*/, UINT nFlags) {
    if (nChar == VK_DELETE) {
        const int row = GetNextItem(-1, LVNI_FOCUSED | LVNI_SELECTED);
        if (row >= 0 && !(nFlags & KF_REPEAT))
            OnRowButton(IDC_ROW_BUTTON_FIRST + row);
        return;
    }
    if (nChar == VK_ADD && GetKeyState(VK_CONTROL) < 0)
        return;
    Default();
}

// The list view paints itself, sending the custom-draw notifications; nothing is drawn here.
void CSortListCtrl::OnPaint() {
    Default();
    CPaintDC dc(this);
}

void CSortListCtrl::OnSysColorChange() {
    CListCtrl::OnSysColorChange();
    m_crDefaultBack = GetSysColor(COLOR_WINDOW);
    m_crDefaultText = GetSysColor(COLOR_WINDOWTEXT);
    m_crSelectedBack = GetSysColor(COLOR_HIGHLIGHT);
    m_crSelectedText = GetSysColor(COLOR_HIGHLIGHTTEXT);
}
