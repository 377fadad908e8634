#include "BrenlowWindow.h"

#include "ui/resource.h"

#include <commctrl.h>

namespace bench {

namespace {

constexpr wchar_t kNoticeCaption[] = L"温馨提示";
constexpr int kFirstRowButton = 10001;

} // namespace

BrenlowWindow::BrenlowWindow(const Program& brenlow, HWND main)
    : brenlow_(brenlow), main_(main), combo_(GetDlgItem(main, IDC_COMBO_CONFIG)),
      start_(GetDlgItem(main, IDC_BUTTON_START)), list_(GetDlgItem(main, IDC_LIST_SERVER)) {}

int BrenlowWindow::Rows() const {
    return static_cast<int>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0));
}

// Posted, not sent: a refusal would open a modal notice inside the call.
bool BrenlowWindow::StartServer(int index) {
    const int rows = Rows();
    SendMessageW(combo_, CB_SETCURSEL, index, 0);
    PostMessageW(main_, WM_COMMAND, MAKEWPARAM(IDC_BUTTON_START, BN_CLICKED),
                 reinterpret_cast<LPARAM>(start_));
    return WaitFor(kPatienceMs, [&] { return Rows() == rows + 1 || brenlow_.TopWindow(kNoticeCaption); }) &&
           !brenlow_.TopWindow(kNoticeCaption);
}

bool BrenlowWindow::ForceClose(int row) {
    HWND button = GetDlgItem(list_, kFirstRowButton + row);
    return button && PostMessageW(button, BM_CLICK, 0, 0) && AnswerNotice(IDOK);
}

bool BrenlowWindow::WaitForRows(int rows) const {
    return WaitFor(kPatienceMs, [&] { return Rows() == rows; });
}

bool BrenlowWindow::CloseWithServers() {
    PostMessageW(main_, WM_CLOSE, 0, 0);
    return AnswerNotice(IDOK) && brenlow_.WaitForExit(kPatienceMs) &&
           WaitFor(kPatienceMs, [] { return ServerProcessIds().empty(); });
}

bool BrenlowWindow::AnswerNotice(int button) {
    HWND notice = nullptr;
    if (!WaitFor(kPatienceMs, [&] { return (notice = brenlow_.TopWindow(kNoticeCaption)) != nullptr; }))
        return false;
    PostMessageW(GetDlgItem(notice, button), BM_CLICK, 0, 0);
    return WaitFor(kPatienceMs, [&] { return !IsWindow(notice); });
}

} // namespace bench
