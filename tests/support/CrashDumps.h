#pragma once
// Reading back what a crash left: the "Fatal Error" message box and the minidump.
#include <windows.h>

#include <filesystem>
#include <string>

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

// What reading a dump with scripts/read-dump.sh must show.
struct DumpReading {
    std::wstring program; // the unstripped program, in the build output folder, to read it with
    DWORD exceptionCode;
    std::string function; // a frame of the failing thread's backtrace, named with its file and line
};
// Keeps a copy of `dump` in bin\kept-dumps\<name>, beside an expected.txt that says what reading it must
// show, for the read_dump test (tests/diag/read-dump-test.sh), which runs after the tests that crash.
void KeepDumpForReading(const std::filesystem::path& dump, const std::wstring& name,
                        const DumpReading& expected);

} // namespace testsupport
