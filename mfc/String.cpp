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

int CString::Collate(LPCWSTR psz) const {
    return wcscoll(m_str.c_str(), psz ? psz : L"");
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

int CString::FindOneOf(LPCWSTR pszCharSet) const {
    size_t found = m_str.find_first_of(pszCharSet ? pszCharSet : L"");
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

CString CString::Tokenize(LPCWSTR pszTokens, int& iStart) const {
    if (iStart < 0 || iStart >= GetLength() || !pszTokens) {
        iStart = -1;
        return CString();
    }
    size_t begin = m_str.find_first_not_of(pszTokens, static_cast<size_t>(iStart));
    if (begin == std::wstring::npos) {
        iStart = -1;
        return CString();
    }
    size_t end = m_str.find_first_of(pszTokens, begin);
    if (end == std::wstring::npos)
        end = m_str.size();
    iStart = static_cast<int>(end) + 1;
    return CString(m_str.substr(begin, end - begin));
}

CString& CString::MakeUpper() {
    CharUpperBuffW(m_str.data(), static_cast<DWORD>(m_str.size()));
    return *this;
}

CString& CString::MakeLower() {
    CharLowerBuffW(m_str.data(), static_cast<DWORD>(m_str.size()));
    return *this;
}

CString& CString::MakeReverse() {
    std::reverse(m_str.begin(), m_str.end());
    return *this;
}

CString& CString::Trim() {
    return TrimRight().TrimLeft();
}

CString& CString::Trim(wchar_t chTarget) {
    wchar_t targets[2] = {chTarget, 0};
    return Trim(targets);
}

CString& CString::Trim(LPCWSTR pszTargets) {
    return TrimRight(pszTargets).TrimLeft(pszTargets);
}

CString& CString::TrimLeft() {
    auto first = std::find_if(m_str.begin(), m_str.end(), [](wchar_t ch) { return !iswspace(ch); });
    m_str.erase(m_str.begin(), first);
    return *this;
}

CString& CString::TrimLeft(LPCWSTR pszTargets) {
    m_str.erase(0, std::min(m_str.find_first_not_of(pszTargets ? pszTargets : L""), m_str.size()));
    return *this;
}

CString& CString::TrimRight() {
    auto last = std::find_if(m_str.rbegin(), m_str.rend(), [](wchar_t ch) { return !iswspace(ch); });
    m_str.erase(last.base(), m_str.end());
    return *this;
}

CString& CString::TrimRight(LPCWSTR pszTargets) {
    size_t last = m_str.find_last_not_of(pszTargets ? pszTargets : L"");
    m_str.erase(last == std::wstring::npos ? 0 : last + 1);
    return *this;
}

int CString::Replace(wchar_t chOld, wchar_t chNew) {
    int count = 0;
    for (wchar_t& ch : m_str)
        if (ch == chOld) {
            ch = chNew;
            ++count;
        }
    return count;
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

int CString::Remove(wchar_t chRemove) {
    size_t before = m_str.size();
    m_str.erase(std::remove(m_str.begin(), m_str.end(), chRemove), m_str.end());
    return static_cast<int>(before - m_str.size());
}

int CString::Insert(int iIndex, wchar_t ch) {
    wchar_t text[2] = {ch, 0};
    return Insert(iIndex, text);
}

int CString::Insert(int iIndex, LPCWSTR psz) {
    iIndex = std::clamp(iIndex, 0, GetLength());
    m_str.insert(static_cast<size_t>(iIndex), psz ? psz : L"");
    return GetLength();
}

int CString::Delete(int iIndex, int nCount) {
    if (iIndex >= 0 && iIndex < GetLength() && nCount > 0)
        m_str.erase(static_cast<size_t>(iIndex), static_cast<size_t>(nCount));
    return GetLength();
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
