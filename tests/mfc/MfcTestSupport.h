#pragma once
// Windows and timers for the layer's tests.
#include <afxwin.h>

#include <functional>

namespace mfctest {

// A top-level window of a test class whose own procedure records every message it receives and
// answers kOwnProcResult to WM_APP messages. Destroyed with the object. Hidden by default: without a
// window manager every shown top-level window costs Wine seconds.
class TestWindow {
public:
    static constexpr LRESULT kOwnProcResult = 77;

    explicit TestWindow(DWORD style = WS_POPUP, HWND parent = nullptr);
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    HWND hwnd() const { return hwnd_; }
    // How often the window's own procedure saw `message`.
    int OwnProcCount(UINT message) const;

    static LPCWSTR ClassName();

private:
    HWND hwnd_;
};

// Runs `step` from a thread timer every 10 ms, inside whatever message loop is running (a modal
// dialog's included), until it returns true. After `timeoutMs` it calls `onTimeout` instead, once.
class TimerScript {
public:
    TimerScript(std::function<bool()> step, std::function<void()> onTimeout, DWORD timeoutMs = 20000);
    ~TimerScript();
    TimerScript(const TimerScript&) = delete;
    TimerScript& operator=(const TimerScript&) = delete;

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
    void Tick();

    std::function<bool()> step_;
    std::function<void()> onTimeout_;
    ULONGLONG deadline_;
    UINT_PTR timer_;
    bool done_ = false;
};

// Has a window paint itself into a memory device context (WM_PAINT with the context as wParam, which
// the common controls honour), so that hidden windows can be drawn.
void PaintInto(HWND hwnd);

} // namespace mfctest
