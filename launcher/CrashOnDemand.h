#pragma once
// A way for whole-program tests to make the stand-in library crash the program that loaded it, and to
// see whether the dying program still calls the library.

// When a file of this name lies beside tarn_launcher.dll at the first RunCallbacks, that call crashes the
// program in the way the file's content names. The file is looked for once, so it must be in place before
// the program starts.
inline constexpr wchar_t kCrashOnCallbacksFile[] = L"tarn_launcher_crash_on_callbacks.txt";
// An access violation on a thread that the call starts, while the caller's thread goes on (also for any
// other content).
inline constexpr char kCrashOnOwnThread[] = "own-thread";
// A C++ exception as a module built with the platform's own compiler throws it (code 0xE06D7363), raised
// on the caller's thread and caught by nothing.
inline constexpr char kCrashWithForeignException[] = "foreign-exception";

// From the moment the library has crashed the program, it appends the name of every call it still
// receives (RunCallbacks, LaunchProcess, Shutdown), one a line, to this file beside itself.
inline constexpr wchar_t kCallsAfterCrashFile[] = L"tarn_launcher_calls_after_crash.txt";
