#pragma once
// Reading back what a crash left: the "Fatal Error" message box and the minidump.
#include <windows.h>

#include <filesystem>

namespace testsupport {

// The visible "Fatal Error" box of process `processId`, or null.
HWND FindFatalErrorBox(DWORD processId);

// What a minidump says about its exception, read back through dbghelp.
struct DumpFacts {
    bool readable = false;
    unsigned long long type = ~0ull;
    unsigned long threadId = 0;
    DWORD exceptionCode = 0;
};
// `file` may be longer than MAX_PATH.
DumpFacts ReadDump(const std::filesystem::path& file);

} // namespace testsupport
