#pragma once
#include <string>

// The folder of the running executable, without a trailing backslash. On false, `folder` is untouched
// (no usable path) or holds the whole executable path (no backslash in it).
bool GetModuleDirectory(std::wstring& folder);
