#pragma once
#include <windows.h>

#include <utility>

// Keeps Brenlow to one per Windows session, whatever folder each copy was started from. The first
// Brenlow creates a named section in the session's namespace that holds its process identifier; a later
// one finds the section there and knows whom to bring forward. The system removes the section with the
// last handle on it, so a Brenlow that has ended, however it ended, holds no one back; Brenlow gives that
// handle to its crash handling, which closes it first of all.
// In "Local\": the session's own namespace, so each signed-in user has a Brenlow of their own.
inline constexpr wchar_t kInstanceMarkerName[] = L"Local\\Brenlow.RunningInstance";

class InstanceMarker {
public:
    InstanceMarker();
    ~InstanceMarker();
    InstanceMarker(const InstanceMarker&) = delete;
    InstanceMarker& operator=(const InstanceMarker&) = delete;

    // Whether another Brenlow of this session held the marker first, one run as administrator included.
    bool IsHeldByAnother() const { return heldByAnother_; }
    // Brings that Brenlow's window to the front, its main window restored when minimised.
    void BringOtherForward() const;
    // Gives the marker's handle up to the caller, who closes it to end the marker; the process's end
    // closes it otherwise.
    HANDLE Release() { return std::exchange(section_, nullptr); }

private:
    HANDLE section_ = nullptr;
    bool heldByAnother_ = false;
};
