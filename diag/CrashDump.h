#pragma once
#include <windows.h>

#include <cstddef>

// The minidump of a crash and the lock on the top-level exception filter. diag/CrashHandler.h decides
// when a dump is written.

// Loads the system's dbghelp.dll, never one beside the program, and keeps it for WriteCrashDump, which
// must not load a library itself at crash time. Without it no dump is written.
bool LoadDumpWriter();

// Writes a minidump (MiniDumpNormal) of the process to <executable path><threadId>.dmp, with `exception`
// as the exception of thread `threadId`, which may be another thread than the caller's. Takes its memory
// from the system, not from the heap, which may be what broke. Silent when no dump can be written.
void WriteCrashDump(EXCEPTION_POINTERS* exception, DWORD threadId);

// Patches SetUnhandledExceptionFilter so that no later caller, in any module, can replace or clear the
// filter installed before. Silent when the patch cannot be applied.
void LockUnhandledExceptionFilter();

// What SetUnhandledExceptionFilter does once locked: nothing, reporting no previous filter.
LPTOP_LEVEL_EXCEPTION_FILTER WINAPI IgnoreSetUnhandledExceptionFilter(LPTOP_LEVEL_EXCEPTION_FILTER filter);

// The dump file name for a failure on `threadId`: `executablePath`, the id in decimal, ".dmp". A name
// too long for MAX_PATH gets the "\\?\" prefix, so that it can still be created under the same name.
// False, with `dumpPath` empty, when the name does not fit in `capacity` characters.
bool FormatCrashDumpPath(const wchar_t* executablePath, DWORD threadId, wchar_t* dumpPath, size_t capacity);
