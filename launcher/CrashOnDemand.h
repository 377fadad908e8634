#pragma once
// A way for whole-program tests to make the stand-in library crash the program that loaded it, and to
// see whether the dying program still calls the library.

// When a file of this name lies beside tarn_launcher.dll, the library crashes the program in the way the
// file's content names: while the program binds it (kCrashInFactory), or at the first RunCallbacks
// (everything else). The file is looked for once at each of those moments, so it must be in place before
// the program starts.
inline constexpr wchar_t kCrashTriggerFile[] = L"tarn_launcher_crash.txt";
// An access violation on a thread that the call starts, while the caller's thread goes on (also for any
// other content).
inline constexpr char kCrashOnOwnThread[] = "own-thread";
// The same, while the failing thread holds the process heap's lock, as a thread that fails inside a heap
// call does.
inline constexpr char kCrashHoldingHeapLock[] = "heap-lock";
// A C++ exception as a module built with the platform's own compiler throws it (code 0xE06D7363), raised
// on the caller's thread and caught by nothing.
inline constexpr char kCrashWithForeignException[] = "foreign-exception";
// An access violation in GetTarnLauncherHelper, on the thread that binds the library.
inline constexpr char kCrashInFactory[] = "factory";

// While a file of this name lies beside tarn_launcher.dll, LaunchProcess starts nothing and fails, as
// the platform's launcher does when it cannot start the server.
inline constexpr wchar_t kRefuseLaunchesFile[] = L"tarn_launcher_refuse_launches.txt";

// From the moment the library has crashed the program, it appends the name of every call it still
// receives (RunCallbacks, LaunchProcess, Shutdown), one a line, to this file beside itself.
inline constexpr wchar_t kCallsAfterCrashFile[] = L"tarn_launcher_calls_after_crash.txt";
