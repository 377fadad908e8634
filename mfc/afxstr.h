#pragma once
// CString: a wide (UTF-16) string with MFC's members, on std::wstring.
#include <windows.h>

#include <cwchar>
#include <string>

class CString {
public:
    CString() = default;
    CString(const wchar_t* psz) : m_str(psz ? psz : L"") {}

    CString& operator+=(const wchar_t* psz) {
        m_str += psz ? psz : L"";
        return *this;
    }

    operator LPCWSTR() const { return m_str.c_str(); }
    LPCWSTR GetString() const { return m_str.c_str(); }
    int GetLength() const { return static_cast<int>(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }
    // Ordinal comparison (wcscmp), as MFC's Compare.
    int Compare(LPCWSTR psz) const { return wcscmp(m_str.c_str(), psz ? psz : L""); }

    // By text: without these, both sides would convert to LPCWSTR and compare as addresses.
    friend bool operator==(const CString& a, const CString& b) { return a.m_str == b.m_str; }
    friend bool operator!=(const CString& a, const CString& b) { return a.m_str != b.m_str; }

private:
    std::wstring m_str;
};
