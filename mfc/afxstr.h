#pragma once
// CString: a wide (UTF-16) string with MFC's members, on std::wstring.
#include <windows.h>

#include <string>

class CString {
public:
    CString() = default;
    CString(const CString&) = default;
    CString(CString&&) noexcept = default;
    CString(const wchar_t* psz) : m_str(psz ? psz : L"") {}
    CString(const wchar_t* pch, int nLength) : m_str(pch, pch ? static_cast<size_t>(nLength) : 0) {}
    CString(wchar_t ch, int nRepeat = 1) : m_str(static_cast<size_t>(nRepeat > 0 ? nRepeat : 0), ch) {}
    CString(const char* psz); // converted from the ANSI code page
    CString(const std::wstring& str) : m_str(str) {}
    ~CString() = default;

    CString& operator=(const CString&) = default;
    CString& operator=(CString&&) noexcept = default;
    CString& operator=(const wchar_t* psz) {
        m_str = psz ? psz : L"";
        return *this;
    }
    CString& operator=(wchar_t ch) {
        m_str.assign(1, ch);
        return *this;
    }
    CString& operator=(const char* psz) { return *this = CString(psz); }

    CString& operator+=(const CString& str) {
        m_str += str.m_str;
        return *this;
    }
    CString& operator+=(const wchar_t* psz) {
        if (psz)
            m_str += psz;
        return *this;
    }
    CString& operator+=(wchar_t ch) {
        m_str += ch;
        return *this;
    }

    operator LPCWSTR() const { return m_str.c_str(); }
    LPCWSTR GetString() const { return m_str.c_str(); }
    int GetLength() const { return static_cast<int>(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    wchar_t GetAt(int iChar) const { return m_str.at(static_cast<size_t>(iChar)); }
    void SetAt(int iChar, wchar_t ch) { m_str.at(static_cast<size_t>(iChar)) = ch; }
    wchar_t operator[](int iChar) const { return GetAt(iChar); }

    // Ordinal comparisons (wcscmp / _wcsicmp), as MFC's Compare and CompareNoCase.
    int Compare(LPCWSTR psz) const;
    int CompareNoCase(LPCWSTR psz) const;
    // Locale-aware comparison (wcscoll), as MFC's Collate.

    int Find(wchar_t ch, int iStart = 0) const;
    int Find(LPCWSTR pszSub, int iStart = 0) const;
    int ReverseFind(wchar_t ch) const;

    CString Left(int nCount) const;
    CString Right(int nCount) const;
    CString Mid(int iFirst) const;
    CString Mid(int iFirst, int nCount) const;

    CString& Trim();
    CString& TrimLeft();
    CString& TrimRight();
    int Replace(LPCWSTR pszOld, LPCWSTR pszNew);

    // printf formatting with the Windows conventions of the C runtime: %s takes a wide string.
    void Format(LPCWSTR pszFormat, ...);
    void AppendFormat(LPCWSTR pszFormat, ...);
    void FormatV(LPCWSTR pszFormat, va_list args);
    void AppendFormatV(LPCWSTR pszFormat, va_list args);
    void Append(LPCWSTR psz) { *this += psz; }
    void AppendChar(wchar_t ch) { m_str += ch; }

    // Loads a string resource of the program; FALSE (and the string unchanged) when it is missing.
    BOOL LoadString(UINT nID);
    BOOL LoadString(HINSTANCE hInstance, UINT nID);

    // Direct access to the characters; ReleaseBuffer(-1) takes the length up to the first NUL.
    LPWSTR GetBuffer();
    LPWSTR GetBuffer(int nMinBufferLength);
    LPWSTR GetBufferSetLength(int nLength);
    void ReleaseBuffer(int nNewLength = -1);

    friend CString operator+(const CString& a, const CString& b) { return CString(a.m_str + b.m_str); }
    friend CString operator+(const CString& a, const wchar_t* b) { return CString(a) += b; }
    friend CString operator+(const wchar_t* a, const CString& b) { return CString(a) += b; }
    friend CString operator+(const CString& a, wchar_t b) { return CString(a) += b; }
    friend CString operator+(wchar_t a, const CString& b) { return CString(a) += b; }
    friend bool operator==(const CString& a, const CString& b) { return a.m_str == b.m_str; }
    friend bool operator==(const CString& a, const wchar_t* b) { return a.Compare(b) == 0; }
    friend bool operator==(const wchar_t* a, const CString& b) { return b.Compare(a) == 0; }
    friend bool operator!=(const CString& a, const CString& b) { return !(a == b); }
    friend bool operator!=(const CString& a, const wchar_t* b) { return !(a == b); }
    friend bool operator!=(const wchar_t* a, const CString& b) { return !(a == b); }
    friend bool operator<(const CString& a, const CString& b) { return a.Compare(b) < 0; }
    friend bool operator>(const CString& a, const CString& b) { return a.Compare(b) > 0; }
    friend bool operator<=(const CString& a, const CString& b) { return a.Compare(b) <= 0; }
    friend bool operator>=(const CString& a, const CString& b) { return a.Compare(b) >= 0; }

private:
    std::wstring m_str;
};

using CStringW = CString;
