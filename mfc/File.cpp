#include "afx.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

IMPLEMENT_DYNAMIC(CFile, CObject)
IMPLEMENT_DYNAMIC(CMemFile, CFile)

const HANDLE CFile::hFileNull = INVALID_HANDLE_VALUE;

// CFile ---------------------------------------------------------------------------------------------

CFile::CFile() : m_hFile(INVALID_HANDLE_VALUE), m_bCloseOnDelete(FALSE) {}

CFile::CFile(LPCTSTR lpszFileName, UINT nOpenFlags) : CFile() {
    CFileException error;
    if (!Open(lpszFileName, nOpenFlags, &error))
        AfxThrowFileException(error.m_cause, error.m_lOsError, error.m_strFileName);
}

CFile::~CFile() {
    if (m_hFile != INVALID_HANDLE_VALUE && m_bCloseOnDelete)
        Close();
}

BOOL CFile::Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError) {
    DWORD access = GENERIC_READ;
    switch (nOpenFlags & 3) {
    case modeWrite:
        access = GENERIC_WRITE;
        break;
    case modeReadWrite:
        access = GENERIC_READ | GENERIC_WRITE;
        break;
    }
    DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    switch (nOpenFlags & 0x70) {
    case shareExclusive:
        share = 0;
        break;
    case shareDenyWrite:
        share = FILE_SHARE_READ;
        break;
    case shareDenyRead:
        share = FILE_SHARE_WRITE;
        break;
    }
    DWORD creation = OPEN_EXISTING;
    if (nOpenFlags & modeCreate)
        creation = (nOpenFlags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
    SECURITY_ATTRIBUTES security{sizeof security, nullptr, (nOpenFlags & modeNoInherit) ? FALSE : TRUE};
    HANDLE file =
        CreateFileW(lpszFileName, access, share, &security, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        if (pError) {
            DWORD osError = GetLastError();
            pError->m_lOsError = static_cast<LONG>(osError);
            pError->m_cause = CFileException::OsErrorToException(static_cast<LONG>(osError));
            pError->m_strFileName = lpszFileName;
        }
        return FALSE;
    }
    m_hFile = file;
    m_strFileName = lpszFileName;
    m_bCloseOnDelete = TRUE;
    return TRUE;
}

void CFile::Close() {
    BOOL ok = TRUE;
    if (m_hFile != INVALID_HANDLE_VALUE)
        ok = CloseHandle(m_hFile);
    m_hFile = INVALID_HANDLE_VALUE;
    m_bCloseOnDelete = FALSE;
    if (!ok)
        AfxThrowFileException(CFileException::genericException, static_cast<LONG>(GetLastError()),
                              m_strFileName);
}

void CFile::Abort() {
    if (m_hFile != INVALID_HANDLE_VALUE)
        CloseHandle(m_hFile);
    m_hFile = INVALID_HANDLE_VALUE;
    m_bCloseOnDelete = FALSE;
}

UINT CFile::Read(void* lpBuf, UINT nCount) {
    DWORD read = 0;
    if (nCount && !ReadFile(m_hFile, lpBuf, nCount, &read, nullptr))
        AfxThrowFileException(CFileException::OsErrorToException(static_cast<LONG>(GetLastError())),
                              static_cast<LONG>(GetLastError()), m_strFileName);
    return read;
}

void CFile::Write(const void* lpBuf, UINT nCount) {
    DWORD written = 0;
    if (nCount && (!WriteFile(m_hFile, lpBuf, nCount, &written, nullptr) || written != nCount))
        AfxThrowFileException(CFileException::diskFull, static_cast<LONG>(GetLastError()), m_strFileName);
}

ULONGLONG CFile::Seek(LONGLONG lOff, UINT nFrom) {
    LARGE_INTEGER distance, position;
    distance.QuadPart = lOff;
    if (!SetFilePointerEx(m_hFile, distance, &position, nFrom))
        AfxThrowFileException(CFileException::badSeek, static_cast<LONG>(GetLastError()), m_strFileName);
    return static_cast<ULONGLONG>(position.QuadPart);
}

ULONGLONG CFile::GetLength() const {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(m_hFile, &size))
        AfxThrowFileException(CFileException::invalidFile, static_cast<LONG>(GetLastError()), m_strFileName);
    return static_cast<ULONGLONG>(size.QuadPart);
}

void CFile::Flush() {
    if (m_hFile != INVALID_HANDLE_VALUE && !FlushFileBuffers(m_hFile))
        AfxThrowFileException(CFileException::diskFull, static_cast<LONG>(GetLastError()), m_strFileName);
}

// CMemFile ------------------------------------------------------------------------------------------

CMemFile::CMemFile(UINT nGrowBytes) : m_nGrowBytes(nGrowBytes) {}

CMemFile::CMemFile(BYTE* lpBuffer, UINT nBufferSize, UINT nGrowBytes) : m_nGrowBytes(nGrowBytes) {
    Attach(lpBuffer, nBufferSize, nGrowBytes);
}

CMemFile::~CMemFile() {
    Close();
}

void CMemFile::Attach(BYTE* lpBuffer, UINT nBufferSize, UINT nGrowBytes) {
    Close();
    m_lpBuffer = lpBuffer;
    m_nBufferSize = nBufferSize;
    m_nGrowBytes = nGrowBytes;
    // A fixed buffer holds data to read; a growable one starts empty, as in MFC.
    m_nFileSize = nGrowBytes == 0 ? nBufferSize : 0;
    m_bAutoDelete = FALSE;
}

void CMemFile::Close() {
    if (m_bAutoDelete)
        free(m_lpBuffer);
    m_lpBuffer = nullptr;
    m_nBufferSize = m_nFileSize = m_nPosition = 0;
    m_bAutoDelete = TRUE;
}

UINT CMemFile::Read(void* lpBuf, UINT nCount) {
    if (m_nPosition >= m_nFileSize)
        return 0;
    SIZE_T count = std::min<SIZE_T>(nCount, m_nFileSize - m_nPosition);
    memcpy(lpBuf, m_lpBuffer + m_nPosition, count);
    m_nPosition += count;
    return static_cast<UINT>(count);
}

void CMemFile::Write(const void* lpBuf, UINT nCount) {
    if (nCount == 0)
        return;
    if (m_nPosition + nCount > m_nBufferSize)
        GrowFile(m_nPosition + nCount);
    memcpy(m_lpBuffer + m_nPosition, lpBuf, nCount);
    m_nPosition += nCount;
    m_nFileSize = std::max(m_nFileSize, m_nPosition);
}

ULONGLONG CMemFile::Seek(LONGLONG lOff, UINT nFrom) {
    LONGLONG base = nFrom == begin     ? 0
                    : nFrom == current ? static_cast<LONGLONG>(m_nPosition)
                                       : static_cast<LONGLONG>(m_nFileSize);
    if (base + lOff < 0)
        AfxThrowFileException(CFileException::badSeek);
    m_nPosition = static_cast<SIZE_T>(base + lOff);
    return m_nPosition;
}

void CMemFile::GrowFile(SIZE_T dwNewLen) {
    if (m_nGrowBytes == 0 || !m_bAutoDelete)
        AfxThrowMemoryException(); // a caller's fixed buffer cannot grow
    SIZE_T size = m_nBufferSize;
    while (size < dwNewLen)
        size += m_nGrowBytes;
    BYTE* buffer = static_cast<BYTE*>(realloc(m_lpBuffer, size));
    if (!buffer)
        AfxThrowMemoryException();
    m_lpBuffer = buffer;
    m_nBufferSize = size;
}

// CArchive ------------------------------------------------------------------------------------------

CArchive::CArchive(CFile* pFile, UINT nMode, int, void*) : m_pFile(pFile), m_nMode(nMode) {}

CArchive::~CArchive() = default;

UINT CArchive::Read(void* lpBuf, UINT nMax) {
    if (IsStoring())
        AfxThrowArchiveException(CArchiveException::writeOnly);
    // A file may return fewer bytes than asked before its end: read until it returns nothing.
    UINT total = 0;
    while (total < nMax) {
        UINT read = m_pFile->Read(static_cast<BYTE*>(lpBuf) + total, nMax - total);
        if (read == 0)
            break;
        total += read;
    }
    return total;
}

void CArchive::Write(const void* lpBuf, UINT nMax) {
    if (IsLoading())
        AfxThrowArchiveException(CArchiveException::readOnly);
    m_pFile->Write(lpBuf, nMax);
}

void CArchive::Flush() {}

void CArchive::Close() {
    m_pFile = nullptr;
}

void CArchive::Abort() {
    m_pFile = nullptr;
}
