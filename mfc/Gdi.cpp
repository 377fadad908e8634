#include "afximpl.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnonnull-compare"
HGDIOBJ CGdiObject::GetSafeHandle() const {
    return this == nullptr ? nullptr : m_hObject;
}
HDC CDC::GetSafeHdc() const {
    return this == nullptr ? nullptr : m_hDC;
}
#pragma GCC diagnostic pop

BOOL CGdiObject::Attach(HGDIOBJ hObject) {
    if (!hObject || m_hObject)
        return FALSE;
    m_hObject = hObject;
    return TRUE;
}

CPen::CPen(int nPenStyle, int nWidth, COLORREF crColor) {
    if (!CreatePen(nPenStyle, nWidth, crColor))
        throw new CResourceException;
}

CPen* CPen::FromHandle(HPEN hPen) {
    return afx_detail::Temporary<CPen>(hPen);
}

CDC::~CDC() {
    if (m_hDC)
        ::DeleteDC(Detach());
}

CDC* CDC::FromHandle(HDC hDC) {
    return afx_detail::Temporary<CDC>(hDC);
}

BOOL CDC::Attach(HDC hDC) {
    if (!hDC || m_hDC)
        return FALSE;
    m_hDC = hDC;
    return TRUE;
}

CPaintDC::CPaintDC(CWnd* pWnd) : m_hWnd(pWnd->m_hWnd) {
    if (!Attach(::BeginPaint(m_hWnd, &m_ps)))
        throw new CResourceException;
}

CPaintDC::~CPaintDC() {
    ::EndPaint(m_hWnd, &m_ps);
    Detach();
}
