#pragma once
// Answers the program's notice dialogs from inside the test thread's own message loops.
#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

// How a notice is answered, each as a user would do it.
enum class NoticeAction {
    PressFirst,   // click button 1 (IDOK: "确定" / "仍然关闭")
    PressSecond,  // click button 2 (IDCANCEL: "取消")
    Enter,        // the Enter key on the focused control (the dialog manager picks the button)
    Escape,       // the Esc key
    CaptionClose, // the caption's close button (SC_CLOSE)
    AltF4,        // Alt+F4
};

// What a notice showed when it was answered.
struct NoticeSeen {
    std::wstring caption;
    std::wstring text;    // of edit 1010
    int focusId = 0;      // control id that had the focus
    HWND owner = nullptr; // owner window, null when the notice stands alone
    bool ownerEnabled = false;
    bool expected = true; // false: no answer was queued, so it was closed with IDCANCEL
};

// A thread timer on the creating thread looks for a visible dialog with an edit 1010 (a notice) every
// few milliseconds; thread timers fire inside every modal loop, so notices opened by code under test are
// found while that code waits. Each notice takes the next queued answer; one that finds the queue empty
// is recorded as unexpected and closed, and a notice that never becomes visible is ended after 20 s, so
// that no test hangs. One answerer per thread at a time.
class NoticeAnswerer {
public:
    NoticeAnswerer();
    ~NoticeAnswerer();
    NoticeAnswerer(const NoticeAnswerer&) = delete;
    NoticeAnswerer& operator=(const NoticeAnswerer&) = delete;

    // Queues the answer for the next notice; `inspect` (optional) sees the open notice first.
    void Answer(NoticeAction action, std::function<void(HWND notice)> inspect = {});

    const std::vector<NoticeSeen>& Seen() const { return seen_; }
    size_t Pending() const { return answers_.size(); }

private:
    struct QueuedAnswer {
        NoticeAction action;
        std::function<void(HWND)> inspect;
    };

    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
    void Poll();
    void Handle(HWND notice);
    void EndIfStuck(HWND notice);

    UINT_PTR timer_ = 0;
    std::deque<QueuedAnswer> answers_;
    std::vector<NoticeSeen> seen_;
    std::vector<HWND> answered_;                     // notices already answered that may still be closing
    std::vector<std::pair<HWND, ULONGLONG>> hidden_; // notices not yet shown, with the time first seen
};

// Sends `action` to an open notice, the way the user's click or key would arrive.
void AnswerNotice(HWND notice, NoticeAction action);

} // namespace testsupport
