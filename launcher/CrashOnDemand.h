#pragma once
// A way for whole-program tests to make the stand-in library crash the program that loaded it.

// When a file of this name lies beside tarn_launcher.dll at the first RunCallbacks, that call starts a
// thread that writes through a null pointer: an unhandled access violation on a thread other than the
// caller's. The file is looked for once, so it must be in place before the program starts.
inline constexpr wchar_t kCrashOnCallbacksFile[] = L"tarn_launcher_crash_on_callbacks.txt";
