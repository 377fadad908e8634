#include "NoticeAnswerer.h"

#include <algorithm>

namespace testsupport {

namespace {

constexpr int kMessageEditId = 1010;
constexpr UINT kPollMs = 15;
constexpr ULONGLONG kNeverShownMs = 20000;

thread_local NoticeAnswerer* activeAnswerer = nullptr;

std::wstring WindowText(HWND window) {
    std::wstring text(GetWindowTextLengthW(window) + 1, L'\0');
    text.resize(GetWindowTextW(window, text.data(), static_cast<int>(text.size())));
    return text;
}

// A dialog with the message edit. An ended dialog is hidden at once, so only visible ones are open.
bool IsNotice(HWND window) {
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    return wcscmp(className, L"#32770") == 0 && GetDlgItem(window, kMessageEditId) != nullptr;
}

BOOL CALLBACK CollectNotice(HWND window, LPARAM found) {
    if (IsNotice(window))
        reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    return TRUE;
}

HWND KeyTarget(HWND notice) {
    HWND focus = GetFocus();
    return focus && (focus == notice || IsChild(notice, focus)) ? focus : notice;
}

} // namespace

void AnswerNotice(HWND notice, NoticeAction action) {
    switch (action) {
    case NoticeAction::PressFirst:
        SendMessageW(GetDlgItem(notice, IDOK), BM_CLICK, 0, 0);
        break;
    case NoticeAction::PressSecond:
        SendMessageW(GetDlgItem(notice, IDCANCEL), BM_CLICK, 0, 0);
        break;
    // Keys go through the queue so that the dialog's own loop hands them to the dialog manager.
    case NoticeAction::Enter:
        PostMessageW(KeyTarget(notice), WM_KEYDOWN, VK_RETURN, 0x001C0001);
        break;
    case NoticeAction::Escape:
        PostMessageW(KeyTarget(notice), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        break;
    case NoticeAction::CaptionClose:
        PostMessageW(notice, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    case NoticeAction::AltF4:
        PostMessageW(KeyTarget(notice), WM_SYSKEYDOWN, VK_F4, 0x203E0001); // bit 29: Alt is down
        break;
    }
}

NoticeAnswerer::NoticeAnswerer() {
    activeAnswerer = this;
    timer_ = SetTimer(nullptr, 0, kPollMs, &NoticeAnswerer::OnTimer);
}

NoticeAnswerer::~NoticeAnswerer() {
    KillTimer(nullptr, timer_);
    if (activeAnswerer == this)
        activeAnswerer = nullptr;
}

void NoticeAnswerer::Answer(NoticeAction action, std::function<void(HWND)> inspect) {
    answers_.push_back({action, std::move(inspect)});
}

void CALLBACK NoticeAnswerer::OnTimer(HWND, UINT, UINT_PTR, DWORD) {
    static thread_local bool polling = false;
    if (!activeAnswerer || polling)
        return; // an inspection that runs a loop of its own must not answer again meanwhile
    polling = true;
    activeAnswerer->Poll();
    polling = false;
}

void NoticeAnswerer::Poll() {
    std::erase_if(answered_, [](HWND window) { return !IsWindow(window); });
    std::erase_if(hidden_, [](const auto& entry) { return !IsWindow(entry.first); });
    std::vector<HWND> notices;
    EnumThreadWindows(GetCurrentThreadId(), CollectNotice, reinterpret_cast<LPARAM>(&notices));
    for (HWND notice : notices) {
        if (std::find(answered_.begin(), answered_.end(), notice) != answered_.end())
            continue;
        if (IsWindowVisible(notice))
            Handle(notice);
        else
            EndIfStuck(notice);
    }
}

void NoticeAnswerer::EndIfStuck(HWND notice) {
    auto entry =
        std::find_if(hidden_.begin(), hidden_.end(), [notice](const auto& e) { return e.first == notice; });
    if (entry == hidden_.end()) {
        hidden_.emplace_back(notice, GetTickCount64());
        return;
    }
    if (GetTickCount64() - entry->second < kNeverShownMs)
        return;
    answered_.push_back(notice);
    NoticeSeen seen;
    seen.caption = WindowText(notice);
    seen.text = WindowText(GetDlgItem(notice, kMessageEditId));
    seen.expected = false;
    seen_.push_back(seen);
    EndDialog(notice, IDABORT);
}

void NoticeAnswerer::Handle(HWND notice) {
    answered_.push_back(notice);
    NoticeSeen seen;
    seen.caption = WindowText(notice);
    seen.text = WindowText(GetDlgItem(notice, kMessageEditId));
    HWND focus = GetFocus();
    seen.focusId = focus && IsChild(notice, focus) ? GetDlgCtrlID(focus) : 0;
    seen.owner = GetWindow(notice, GW_OWNER);
    seen.ownerEnabled = seen.owner && IsWindowEnabled(seen.owner);
    seen.expected = !answers_.empty();
    if (!seen.expected) {
        seen_.push_back(seen);
        PostMessageW(notice, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    QueuedAnswer answer = std::move(answers_.front());
    answers_.pop_front();
    seen_.push_back(seen);
    if (answer.inspect)
        answer.inspect(notice);
    AnswerNotice(notice, answer.action);
}

} // namespace testsupport
