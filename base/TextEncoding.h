#pragma once
// Wide text to and from the byte encodings that files, pipes and the debugger output carry.
#include <windows.h>

#include <string>
#include <string_view>

// `text` as bytes of `codePage` (CP_UTF8, or 936 for GBK); characters the page lacks become its default
// character.
inline std::string EncodeText(std::wstring_view text, UINT codePage) {
    const int length = static_cast<int>(text.size());
    int size = WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string bytes(size, '\0');
    WideCharToMultiByte(codePage, 0, text.data(), length, bytes.data(), size, nullptr, nullptr);
    return bytes;
}

inline std::string Utf8(std::wstring_view text) {
    return EncodeText(text, CP_UTF8);
}

inline std::wstring FromUtf8(std::string_view bytes) {
    const int length = static_cast<int>(bytes.size());
    int size = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), length, nullptr, 0);
    std::wstring text(size, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), length, text.data(), size);
    return text;
}
