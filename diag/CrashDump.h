#pragma once
#include <windows.h>

#include <cstddef>

// Loads the system's dbghelp.dll, never one beside the program, and keeps it for CrashDumpFilter, which
// must not load a library itself. Call it before the filter is installed; without it no dump is written.
bool LoadDumpWriter();

// The top-level exception filter: writes the log's buffered lines to its file (unless another write holds
// the log), a minidump of the process to <executable path><thread id>.dmp, and ends the process with
// "Fatal Error". Returns only if the process could not be ended.
LONG WINAPI CrashDumpFilter(EXCEPTION_POINTERS* exception);

// Patches SetUnhandledExceptionFilter so that no later caller, in any module, can replace or clear the
// filter installed before. Silent when the patch cannot be applied.
void LockUnhandledExceptionFilter();

// What SetUnhandledExceptionFilter does once locked: nothing, reporting no previous filter.
LPTOP_LEVEL_EXCEPTION_FILTER WINAPI IgnoreSetUnhandledExceptionFilter(LPTOP_LEVEL_EXCEPTION_FILTER filter);

// The dump file name for a failure on `threadId`: `executablePath`, the id in decimal, ".dmp". A name
// too long for MAX_PATH gets the "\\?\" prefix, so that it can still be created under the same name.
// False, with `dumpPath` empty, when the name does not fit in `capacity` characters.
bool FormatCrashDumpPath(const wchar_t* executablePath, DWORD threadId, wchar_t* dumpPath, size_t capacity);
