#include "afx.h"

#include <algorithm>

UINT CMemFile::Read(void* lpBuf, UINT nCount) {
    size_t count = std::min<size_t>(nCount, m_data.size() - m_nPosition);
    std::copy_n(m_data.begin() + m_nPosition, count, static_cast<BYTE*>(lpBuf));
    m_nPosition += count;
    return static_cast<UINT>(count);
}

void CMemFile::Write(const void* lpBuf, UINT nCount) {
    m_data.resize(std::max(m_data.size(), m_nPosition + nCount));
    std::copy_n(static_cast<const BYTE*>(lpBuf), nCount, m_data.begin() + m_nPosition);
    m_nPosition += nCount;
}

CArchive& CArchive::operator>>(int& i) {
    if (m_pFile->Read(&i, sizeof i) != sizeof i)
        throw new CArchiveException(CArchiveException::endOfFile);
    return *this;
}
