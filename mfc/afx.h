#pragma once
// Core of the MFC-compatible layer: CObject with run-time class information, exceptions, CString and
// archives. The whole layer serves one user-interface thread and takes no locks.
#include <windows.h>

#include <vector>

#define afx_msg // marks message handlers

class CArchive;

// Run-time class information, as DECLARE_DYNAMIC records it: the class's name and base class.
struct CRuntimeClass {
    LPCSTR m_lpszClassName;
    const CRuntimeClass* m_pBaseClass;

    BOOL IsDerivedFrom(const CRuntimeClass* pBaseClass) const;
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNAMIC(class_name)                                                                          \
public:                                                                                                      \
    static const CRuntimeClass class##class_name;                                                            \
    const CRuntimeClass* GetRuntimeClass() const override;

#define IMPLEMENT_DYNAMIC(class_name, base_class_name)                                                       \
    const CRuntimeClass class_name::class##class_name = {#class_name, RUNTIME_CLASS(base_class_name)};       \
    const CRuntimeClass* class_name::GetRuntimeClass() const {                                               \
        return RUNTIME_CLASS(class_name);                                                                    \
    }

// The root of the class tree: run-time class queries and serialization.
class CObject {
public:
    static const CRuntimeClass classCObject;
    virtual const CRuntimeClass* GetRuntimeClass() const { return RUNTIME_CLASS(CObject); }
    virtual ~CObject() = default;
    virtual void Serialize(CArchive&) {}

    BOOL IsKindOf(const CRuntimeClass* pClass) const { return GetRuntimeClass()->IsDerivedFrom(pClass); }

protected:
    CObject() = default;

private:
    CObject(const CObject&) = delete;
    CObject& operator=(const CObject&) = delete;
};

#include "afxstr.h"

// Exceptions are thrown as pointers and released with Delete(), as MFC code expects.
class CException : public CObject {
public:
    void Delete() { delete this; }
};
class CNotSupportedException : public CException {};
class CResourceException : public CException {};
class CArchiveException : public CException {
public:
    enum { endOfFile = 3 };
    explicit CArchiveException(int cause) : m_cause(cause) {}
    int m_cause;
};

// What an archive reads and writes. Only the file in memory is offered.
class CFile : public CObject {
public:
    virtual UINT Read(void* lpBuf, UINT nCount) = 0; // fewer bytes than asked at the end of the file
    virtual void Write(const void* lpBuf, UINT nCount) = 0;
    virtual ULONGLONG GetLength() const = 0;
    virtual void SeekToBegin() = 0;
};

// A file in memory that grows as it is written.
class CMemFile : public CFile {
public:
    UINT Read(void* lpBuf, UINT nCount) override;
    void Write(const void* lpBuf, UINT nCount) override;
    ULONGLONG GetLength() const override { return m_data.size(); }
    void SeekToBegin() override { m_nPosition = 0; }

private:
    std::vector<BYTE> m_data;
    size_t m_nPosition = 0;
};

// Binary storing or loading of values on a CFile, in little-endian byte order.
class CArchive {
public:
    enum Mode { store = 0, load = 1 };

    CArchive(CFile* pFile, UINT nMode) : m_pFile(pFile), m_nMode(nMode) {}
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    BOOL IsStoring() const { return (m_nMode & load) == 0; }

    CArchive& operator<<(int i) {
        m_pFile->Write(&i, sizeof i);
        return *this;
    }
    // A value cut short by the end of the file throws CArchiveException* (endOfFile).
    CArchive& operator>>(int& i);

private:
    CFile* m_pFile;
    UINT m_nMode;
};
