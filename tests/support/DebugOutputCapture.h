#pragma once
// Collects what this process sends to the debugger output (OutputDebugStringA) while no debugger is
// attached, so that in-process tests can read the log lines the code under test writes.
#include <string>
#include <vector>

namespace testsupport {

// Active from construction to destruction; one at a time. The texts still reach an attached debugger.
class DebugOutputCapture {
public:
    DebugOutputCapture();
    ~DebugOutputCapture();
    DebugOutputCapture(const DebugOutputCapture&) = delete;
    DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;

    // Every text sent so far, in order, each as passed (a log line keeps its "\n").
    const std::vector<std::string>& texts() const { return texts_; }
    void clear() { texts_.clear(); }

private:
    void* handler_ = nullptr;
    std::vector<std::string> texts_;
};

} // namespace testsupport
