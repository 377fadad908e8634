#include "app/InstanceMarker.h"

namespace {

// The process identifier that the section holds (0 while its creator has not written it yet).
DWORD ReadProcessId(HANDLE section) {
    DWORD processId = 0;
    if (void* view = MapViewOfFile(section, FILE_MAP_READ, 0, 0, sizeof processId)) {
        processId = *static_cast<const DWORD*>(view);
        UnmapViewOfFile(view);
    }
    return processId;
}

void WriteProcessId(HANDLE section, DWORD processId) {
    if (void* view = MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, sizeof processId)) {
        *static_cast<DWORD*>(view) = processId;
        UnmapViewOfFile(view);
    }
}

struct WindowSearch {
    DWORD processId;
    HWND found;
};

// Top-level windows come in their order on the screen, the frontmost first.
BOOL CALLBACK TakeFrontWindow(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<WindowSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window))
        return TRUE;
    search->found = window;
    return FALSE;
}

} // namespace

InstanceMarker::InstanceMarker() {
    section_ = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(DWORD),
                                  kInstanceMarkerName);
    if (!section_) {
        // A Brenlow of a higher integrity level (run as administrator) made the marker, which this one
        // may not open: it is there all the same. Without any marker to be had, run rather than refuse.
        heldByAnother_ = GetLastError() == ERROR_ACCESS_DENIED;
        return;
    }
    heldByAnother_ = GetLastError() == ERROR_ALREADY_EXISTS;
    if (!heldByAnother_)
        WriteProcessId(section_, GetCurrentProcessId());
}

InstanceMarker::~InstanceMarker() {
    if (section_)
        CloseHandle(section_);
}

// The frontmost window of the other Brenlow is its main window or a notice that the main window owns
// (or, before the main window exists, a notice of its own); the main window is the root owner of either.
void InstanceMarker::BringOtherForward() const {
    WindowSearch search{ReadProcessId(section_), nullptr};
    if (!search.processId)
        return; // just starting: its window comes to the front by itself
    EnumWindows(TakeFrontWindow, reinterpret_cast<LPARAM>(&search));
    if (!search.found)
        return;
    HWND main = GetAncestor(search.found, GA_ROOTOWNER);
    if (IsIconic(main))
        ShowWindow(main, SW_RESTORE);
    SetForegroundWindow(GetLastActivePopup(main));
}
