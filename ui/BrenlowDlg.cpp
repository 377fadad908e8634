#include "ui/BrenlowDlg.h"

#include "diag/CrashHandler.h"
#include "diag/LogFile.h"
#include "server/TarnLauncherWrapper.h"
#include "ui/Notices.h"

#include <set>

namespace {

const wchar_t kHeadings[] = L"名称,375;状态,225;操作,85";
const wchar_t kStartedStatus[] = L"已启动";
const wchar_t kNoConfiguration[] = L"请先配置Hollowmere服务器";
const wchar_t kNoSelection[] = L"请先选择服务器配置";
const wchar_t kAlreadyStarted[] = L"专用服务器已启动，请确认";
const wchar_t kTooManyServers[] = L"最多可以同时运行10个专用服务器";
const wchar_t kForceCloseWarning[] = L"强制关闭专用服务器可能会导致部分存档丢失，建议您手动关闭";
const wchar_t kCloseConfirmation[] = L"启动器关闭后，专用服务器也会被关闭，确认关闭吗？";

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

TarnLauncherWrapper& Servers() {
    return TarnLauncherWrapper::GetInstance();
}

// The width of 4 dialog units for a dialog in `font`: the mean width of the Latin letters, rounded,
// as dialogs derive their units from their font.
int DialogUnitsWidth(HDC dc, const LOGFONTW& font) {
    static const wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    HFONT made = ::CreateFontIndirectW(&font);
    HGDIOBJ previous = ::SelectObject(dc, made);
    SIZE letters{};
    ::GetTextExtentPoint32W(dc, kLetters, 52, &letters);
    ::SelectObject(dc, previous);
    ::DeleteObject(made);
    return (letters.cx / 26 + 1) / 2;
}

} // namespace

CBrenlowDlg::CBrenlowDlg(CWnd* pParent) : CDialogEx(IDD_BRENLOW_DIALOG, pParent), m_bRunning(true) {
    // The first use of the server manager: this loads the launcher library.
    ServerConfigList = Servers().GetServerConfigList();
    m_hIcon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
}

void CBrenlowDlg::DoDataExchange(CDataExchange* pDX) {
    CDialogEx::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_COMBO_CONFIG, m_comboConfig);
    DDX_Control(pDX, IDC_LIST_SERVER, m_listServer);
}

BEGIN_MESSAGE_MAP(CBrenlowDlg, CDialogEx)
ON_WM_PAINT()
ON_WM_TIMER()
ON_WM_QUERYDRAGICON()
ON_MESSAGE(WM_LIST_BUTTON_CLICK, &CBrenlowDlg::OnListButtonClick)
ON_BN_CLICKED(IDC_BUTTON_START, &CBrenlowDlg::OnBnClickedStart)
ON_CBN_DROPDOWN(IDC_COMBO_CONFIG, &CBrenlowDlg::OnCbnDropdownConfig)
END_MESSAGE_MAP()

BOOL CBrenlowDlg::OnInitDialog() {
    CDialogEx::OnInitDialog();
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    m_listServer.SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    m_listServer.SetHeadings(kHeadings);
    FitHeadingsToList();
    if (AddRowsOfServersNotShown())
        ResetListColors(); // a new cell's own text colour is the window frame's grey

    SetTimer(TIMER_SWEEP, TIMER_SWEEP_MS, nullptr);
    SetTimer(TIMER_CALLBACKS, TIMER_CALLBACKS_MS, nullptr);
    FillConfigCombo();
    SetWindowPos(&wndTopMost, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
    return TRUE; // focus to the first tab stop, the Start button
}

// The heading widths are pixels for the list as it is at 96 DPI. At another DPI the dialog grows with
// its font, whose character width does not follow the DPI exactly, so the list's width at 96 DPI comes
// from that width measured at both sizes; the columns are then scaled to fill the list as they do there.
void CBrenlowDlg::FitHeadingsToList() {
    LOGFONTW font{};
    auto dialogFont = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
    if (!dialogFont || !::GetObjectW(dialogFont, sizeof font, &font))
        return;
    HDC screen = ::GetDC(nullptr);
    const int unitsNow = DialogUnitsWidth(screen, font);
    font.lfHeight = MulDiv(font.lfHeight, 96, ::GetDeviceCaps(screen, LOGPIXELSY));
    const int unitsAt96 = DialogUnitsWidth(screen, font);
    ::ReleaseDC(nullptr, screen);

    CRect window, client;
    m_listServer.GetWindowRect(&window);
    m_listServer.GetClientRect(&client);
    const int frame = window.Width() - client.Width(); // the border keeps its pixels
    m_listServer.ScaleColumnWidths(MulDiv(window.Width(), unitsAt96, unitsNow) - frame);
}

// Servers found again are in the map without a row: at start-up, as the window opens, and at a
// sweep that could read the record file only then. A row each, in key order; true when one was added.
bool CBrenlowDlg::AddRowsOfServersNotShown() {
    std::set<std::wstring> shown;
    for (int row = 0; row < m_listServer.GetItemCount(); ++row)
        shown.insert(m_listServer.GetItemText(row, 0).GetString());
    bool added = false;
    for (const auto& [name, info] : Servers().RunningServers) {
        if (!shown.count(name)) {
            AddServerRow(name);
            added = true;
        }
    }
    return added;
}

void CBrenlowDlg::AddServerRow(const std::wstring& name) {
    CString row[] = {name.c_str(), kStartedStatus, L""};
    m_listServer.AddItem(row);
}

void CBrenlowDlg::FillConfigCombo() {
    ServerConfigList = Servers().GetServerConfigList();
    m_comboConfig.ResetContent();
    // Inserted by position: CBS_SORT would reorder added strings and break entry i = ServerConfigList[i].
    for (size_t i = 0; i < ServerConfigList.size(); ++i)
        m_comboConfig.InsertString(static_cast<int>(i), ServerConfigList[i].c_str());
    m_comboConfig.SetCurSel(0);
}

void CBrenlowDlg::OnCbnDropdownConfig() {
    FillConfigCombo();
    UpdateData(FALSE);
}

void CBrenlowDlg::OnBnClickedStart() {
    if (IsCrashBeingHandled())
        return; // a dying program launches nothing
    UpdateData(TRUE);
    if (ServerConfigList.empty()) {
        ShowErrorMsg(kNoConfiguration);
        return;
    }
    // Typed text leaves no selection; it is never taken as a name.
    auto selection = static_cast<unsigned>(m_comboConfig.GetCurSel());
    if (selection >= ServerConfigList.size()) {
        ShowErrorMsg(kNoSelection);
        return;
    }
    std::wstring name = ServerConfigList[selection];

    TarnLauncherWrapper& servers = Servers();
    if (servers.IsServerStarted(name)) {
        ShowErrorMsg(kAlreadyStarted);
        return;
    }
    if (servers.RunningServers.size() >= MAX_RUNNING_SERVERS) {
        ShowErrorMsg(kTooManyServers);
        return;
    }
    std::wstring error;
    if (!servers.StartServer(name, &error)) {
        ShowErrorMsg(error.c_str());
        return;
    }
    AddServerRow(name);
    ResetListColors();
}

void CBrenlowDlg::ResetListColors() {
    m_listServer.m_ctlHeader.OwnerDrawAllHeadings(kBlack);
    m_listServer.SetAllCellColors(kBlack, kWhite);
}

void CBrenlowDlg::OnTimer(UINT_PTR nIDEvent) {
    if (!m_bRunning || IsCrashBeingHandled())
        return;
    TarnLauncherWrapper& servers = Servers();
    if (nIDEvent == TIMER_SWEEP) {
        std::vector<std::wstring> stopped = servers.CollectStoppedServers();
        FlushPendingLog(); // the log reaches its file even when the program does not end by itself
        for (const std::wstring& name : stopped)
            RemoveServerRow(name);
        if (!AddRowsOfServersNotShown() && stopped.empty())
            return;
        ResetListColors();
        UpdateData(FALSE);
    } else if (nIDEvent == TIMER_CALLBACKS) {
        if (servers.Helper)
            servers.Helper->RunCallbacks();
    }
}

void CBrenlowDlg::RemoveServerRow(const std::wstring& name) {
    const int rows = m_listServer.GetItemCount();
    for (int i = 0; i < rows; ++i) {
        if (m_listServer.GetItemText(i, 0).Compare(name.c_str()) == 0) {
            m_listServer.DeleteRow(i);
            return;
        }
    }
}

LRESULT CBrenlowDlg::OnListButtonClick(WPARAM wParam, LPARAM /*lParam*/) {
    ForceCloseServer(static_cast<UINT>(wParam));
    return 0;
}

void CBrenlowDlg::ForceCloseServer(UINT commandId) {
    const unsigned row = commandId - IDC_ROW_BUTTON_FIRST;
    if (row >= static_cast<unsigned>(m_listServer.GetItemCount()))
        return;
    // The sweep goes on while the warning is open and rows may move up meanwhile: the server to stop is
    // the one beside the button when it was clicked.
    std::wstring name = m_listServer.GetItemText(static_cast<int>(row), 0).GetString();
    if (!ShowTips(kForceCloseWarning))
        return;
    Servers().StopServer(name);
}

// A dying program asks nothing and ends no server: they run on for the next Brenlow to find.
void CBrenlowDlg::OnCancel() {
    TarnLauncherWrapper& servers = Servers();
    if (!servers.RunningServers.empty() && !IsCrashBeingHandled()) {
        if (!ShowTips(kCloseConfirmation))
            return;
        servers.StopAllServers();
    }
    CDialogEx::OnCancel();
}

void CBrenlowDlg::OnPaint() {
    if (!IsIconic()) {
        CDialogEx::OnPaint();
        return;
    }
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    int cxIcon = GetSystemMetrics(SM_CXICON);
    int cyIcon = GetSystemMetrics(SM_CYICON);
    CRect rect;
    GetClientRect(&rect);
    int x = (rect.Width() - cxIcon + 1) / 2;
    int y = (rect.Height() - cyIcon + 1) / 2;
    dc.DrawIcon(x, y, m_hIcon);
}

HCURSOR CBrenlowDlg::OnQueryDragIcon() {
    return static_cast<HCURSOR>(m_hIcon);
}
