#pragma once
// Reading and driving the windows of another process, as a user's clicks and eyes would.
#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

namespace e2e {

// Visible top-level windows that belong to process `processId`.
std::vector<HWND> VisibleTopWindows(DWORD processId);

// The first visible top-level window of `processId` with exactly this caption, or null.
HWND FindVisibleWindow(DWORD processId, const std::wstring& caption);

// A window's text, asked of the window itself (WM_GETTEXT), so that controls report their contents.
std::wstring WindowText(HWND window);

// Clicks control `id` of `parent` through the owning thread's queue, so that a handler that opens a
// modal notice does not hold up the test.
bool Click(HWND parent, int id);

// Sends a message that does nothing and waits until the window's thread has answered it: everything
// that thread was doing before has finished.
bool WaitUntilIdle(HWND window);

// Row count and texts of a list view in another process; the texts travel through memory allocated
// in that process, since a list view reads and writes its caller's pointers in its own address space.
int RowCount(HWND list);
// The first selected row of a list view, -1 when none is (or the list does not answer).
int SelectedRow(HWND list);
std::vector<std::wstring> ColumnTexts(HANDLE process, HWND list, int column);

// The entries of a combo box, in its order.
std::vector<std::wstring> ComboEntries(HWND combo);

} // namespace e2e
