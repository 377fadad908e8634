#include "afxwin.h"

#include <algorithm>
#include <cstdarg>
#include <cwchar>
#include <cwctype>

CString::CString(const char* psz) {
    if (!psz || !*psz)
        return;
    int length = MultiByteToWideChar(CP_ACP, 0, psz, -1, nullptr, 0);
    if (length <= 1)
        return;
    m_str.resize(static_cast<size_t>(length - 1));
    MultiByteToWideChar(CP_ACP, 0, psz, -1, m_str.data(), length);
}

int CString::Compare(LPCWSTR psz) const {
    return wcscmp(m_str.c_str(), psz ? psz : L"");
}

int CString::CompareNoCase(LPCWSTR psz) const {
    return _wcsicmp(m_str.c_str(), psz ? psz : L"");
}

int CString::Find(wchar_t ch, int iStart) const {
    if (iStart < 0 || iStart >= GetLength())
        return -1;
    size_t found = m_str.find(ch, static_cast<size_t>(iStart));
    return found == std::wstring::npos ? -1 : static_cast<int>(found);
}

int CString::Find(LPCWSTR pszSub, int iStart) const {
    if (!pszSub || iStart < 0 || iStart > GetLength())
        return -1;
    size_t found = m_str.find(pszSub, static_cast<size_t>(iStart));
    return found == std::wstring::npos ? -1 : static_cast<int>(found);
}

int CString::ReverseFind(wchar_t ch) const {
    size_t found = m_str.rfind(ch);
    return found == std::wstring::npos ? -1 : static_cast<int>(found);
}

CString CString::Left(int nCount) const {
    nCount = std::clamp(nCount, 0, GetLength());
    return CString(m_str.substr(0, static_cast<size_t>(nCount)));
}

CString CString::Right(int nCount) const {
    nCount = std::clamp(nCount, 0, GetLength());
    return CString(m_str.substr(m_str.size() - static_cast<size_t>(nCount)));
}

CString CString::Mid(int iFirst) const {
    return Mid(iFirst, GetLength());
}

CString CString::Mid(int iFirst, int nCount) const {
    iFirst = std::clamp(iFirst, 0, GetLength());
    nCount = std::clamp(nCount, 0, GetLength() - iFirst);
    return CString(m_str.substr(static_cast<size_t>(iFirst), static_cast<size_t>(nCount)));
}

CString& CString::Trim() {
    return TrimRight().TrimLeft();
}

CString& CString::TrimLeft() {
    auto first = std::find_if(m_str.begin(), m_str.end(), [](wchar_t ch) { return !iswspace(ch); });
    m_str.erase(m_str.begin(), first);
    return *this;
}

CString& CString::TrimRight() {
    auto last = std::find_if(m_str.rbegin(), m_str.rend(), [](wchar_t ch) { return !iswspace(ch); });
    m_str.erase(last.base(), m_str.end());
    return *this;
}

int CString::Replace(LPCWSTR pszOld, LPCWSTR pszNew) {
    std::wstring oldText = pszOld ? pszOld : L"";
    std::wstring newText = pszNew ? pszNew : L"";
    if (oldText.empty())
        return 0;
    int count = 0;
    for (size_t at = m_str.find(oldText); at != std::wstring::npos;
         at = m_str.find(oldText, at + newText.size())) {
        m_str.replace(at, oldText.size(), newText);
        ++count;
    }
    return count;
}

void CString::Format(LPCWSTR pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    FormatV(pszFormat, args);
    va_end(args);
}

void CString::AppendFormat(LPCWSTR pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    AppendFormatV(pszFormat, args);
    va_end(args);
}

void CString::FormatV(LPCWSTR pszFormat, va_list args) {
    m_str.clear();
    AppendFormatV(pszFormat, args);
}

void CString::AppendFormatV(LPCWSTR pszFormat, va_list args) {
    // The C runtime's own _vsnwprintf, so that %s means a wide string as in MFC; it reports a buffer
    // that is too small with -1, so the buffer grows until the text fits.
    std::wstring buffer(256, L'\0');
    for (;;) {
        va_list copy;
        va_copy(copy, args);
        int written = _vsnwprintf(buffer.data(), buffer.size(), pszFormat, copy);
        va_end(copy);
        if (written >= 0 && static_cast<size_t>(written) < buffer.size()) {
            m_str.append(buffer.data(), static_cast<size_t>(written));
            return;
        }
        if (buffer.size() > (1u << 24))
            AfxThrowInvalidArgException();
        buffer.resize(buffer.size() * 2);
    }
}

BOOL CString::LoadString(UINT nID) {
    return LoadString(AfxGetResourceHandle(), nID);
}

BOOL CString::LoadString(HINSTANCE hInstance, UINT nID) {
    const wchar_t* text = nullptr;
    int length = ::LoadStringW(hInstance, nID, reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || !text)
        return FALSE;
    m_str.assign(text, static_cast<size_t>(length));
    return TRUE;
}

LPWSTR CString::GetBuffer() {
    return m_str.data();
}

LPWSTR CString::GetBuffer(int nMinBufferLength) {
    if (nMinBufferLength > GetLength())
        m_str.resize(static_cast<size_t>(nMinBufferLength));
    return m_str.data();
}

LPWSTR CString::GetBufferSetLength(int nLength) {
    m_str.resize(static_cast<size_t>(std::max(nLength, 0)));
    return m_str.data();
}

void CString::ReleaseBuffer(int nNewLength) {
    if (nNewLength < 0)
        nNewLength = static_cast<int>(wcsnlen(m_str.c_str(), m_str.size()));
    m_str.resize(static_cast<size_t>(std::min(nNewLength, GetLength())));
}
