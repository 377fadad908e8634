#include "MfcTestSupport.h"

#include <map>

namespace mfctest {

namespace {

std::map<HWND, std::map<UINT, int>> ownProcMessages;
std::map<UINT_PTR, TimerScript*> scripts;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    ++ownProcMessages[hwnd][message];
    if (message >= WM_APP && message < WM_APP + 0x100)
        return TestWindow::kOwnProcResult;
    if (message == WM_NCDESTROY)
        ownProcMessages.erase(hwnd);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

} // namespace

LPCWSTR TestWindow::ClassName() {
    static ATOM atom = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = RecordingProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = L"MfcTestWindow";
        return RegisterClassW(&wc);
    }();
    return atom ? L"MfcTestWindow" : nullptr;
}

TestWindow::TestWindow(DWORD style, HWND parent)
    : hwnd_(CreateWindowExW(0, ClassName(), L"test", style, 10, 10, 300, 200, parent, nullptr,
                            GetModuleHandleW(nullptr), nullptr)) {}

TestWindow::~TestWindow() {
    if (IsWindow(hwnd_))
        DestroyWindow(hwnd_);
}

int TestWindow::OwnProcCount(UINT message) const {
    auto window = ownProcMessages.find(hwnd_);
    if (window == ownProcMessages.end())
        return 0;
    auto count = window->second.find(message);
    return count == window->second.end() ? 0 : count->second;
}

TimerScript::TimerScript(std::function<bool()> step, std::function<void()> onTimeout, DWORD timeoutMs)
    : step_(std::move(step)), onTimeout_(std::move(onTimeout)), deadline_(GetTickCount64() + timeoutMs),
      timer_(SetTimer(nullptr, 0, 10, &TimerScript::OnTimer)) {
    scripts[timer_] = this;
}

TimerScript::~TimerScript() {
    KillTimer(nullptr, timer_);
    scripts.erase(timer_);
}

void CALLBACK TimerScript::OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
    auto script = scripts.find(id);
    if (script != scripts.end())
        script->second->Tick();
}

void TimerScript::Tick() {
    if (done_)
        return;
    if (GetTickCount64() > deadline_) {
        done_ = true;
        onTimeout_();
        return;
    }
    done_ = step_();
}

void PaintInto(HWND hwnd) {
    RECT client{};
    GetClientRect(hwnd, &client);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right + 1, client.bottom + 1);
    HGDIOBJ old = SelectObject(memory, bitmap);
    SendMessageW(hwnd, WM_PAINT, reinterpret_cast<WPARAM>(memory), 0);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

} // namespace mfctest
