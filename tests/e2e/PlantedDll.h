#pragma once
// A stranger's dbghelp.dll, planted beside the program as a user-writable game folder allows.

// Every process that loads it leaves a file of this name beside it.
inline constexpr wchar_t kPlantedDllLoadedFile[] = L"planted-dll-loaded.txt";
