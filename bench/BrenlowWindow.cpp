#include "BrenlowWindow.h"

#include "ui/resource.h"

#include <commctrl.h>

#include <string>

namespace bench {

namespace {

constexpr wchar_t kNoticeCaption[] = L"温馨提示";
constexpr int kFirstRowButton = 10001;
constexpr UINT kAnswerTimeoutMs = 5000;

// A message to the program's window that gives up when the program does not answer; -1 then.
LRESULT Ask(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &result))
        return -1;
    return static_cast<LRESULT>(result);
}

} // namespace

BrenlowWindow::BrenlowWindow(const Program& brenlow, HWND main)
    : brenlow_(brenlow), main_(main), combo_(GetDlgItem(main, IDC_COMBO_CONFIG)),
      start_(GetDlgItem(main, IDC_BUTTON_START)), list_(GetDlgItem(main, IDC_LIST_SERVER)) {}

int BrenlowWindow::Rows() const {
    return static_cast<int>(Ask(list_, LVM_GETITEMCOUNT));
}

// Posted, not sent: a refusal would open a modal notice inside the call.
void BrenlowWindow::StartServer(int index) {
    const int rows = Rows();
    Require(rows >= 0, "Brenlow's server list did not answer");
    Ask(combo_, CB_SETCURSEL, index);
    PostMessageW(main_, WM_COMMAND, MAKEWPARAM(IDC_BUTTON_START, BN_CLICKED),
                 reinterpret_cast<LPARAM>(start_));
    const std::string configuration = "configuration " + std::to_string(index);
    Await("no row came for " + configuration,
          [&] { return Rows() == rows + 1 || brenlow_.TopWindow(kNoticeCaption); });
    Require(!brenlow_.TopWindow(kNoticeCaption), "Brenlow refused to start " + configuration);
}

void BrenlowWindow::ForceClose(int row) {
    HWND button = GetDlgItem(list_, kFirstRowButton + row);
    Require(button && PostMessageW(button, BM_CLICK, 0, 0), "row " + std::to_string(row) + " had no button");
    Require(AnswerNotice(IDOK), "the force-close warning was not answered");
}

void BrenlowWindow::WaitForRows(int rows) const {
    Await("the list did not come to " + std::to_string(rows) + " rows", [&] { return Rows() == rows; });
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
