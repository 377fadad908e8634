#pragma once
// Internals of the layer, shared by its source files only.
#include "afxwin.h"

#include <typeinfo>

namespace afx_detail {

// Called when a window's object lets go of it: a main window is unset.
void OnWindowGone(CWnd* pWnd);

// A wrapper object of class T for a handle that no permanent object owns. Kept until its handle is
// gone (checked whenever another temporary is made), so the pointer stays valid while the handle lives.
CObject* FindTemporary(HANDLE handle, const std::type_info& type);
void AddTemporary(HANDLE handle, const std::type_info& type, CObject* object, void (*release)(CObject*),
                  bool (*alive)(HANDLE));

inline void SetHandle(CWnd* object, HANDLE handle) {
    object->m_hWnd = static_cast<HWND>(handle);
}
inline void SetHandle(CGdiObject* object, HANDLE handle) {
    object->m_hObject = handle;
}
inline void SetHandle(CDC* object, HANDLE handle) {
    object->m_hDC = static_cast<HDC>(handle);
}
inline bool IsAlive(CWnd*, HANDLE handle) {
    return ::IsWindow(static_cast<HWND>(handle)) != FALSE;
}
inline bool IsAlive(CObject*, HANDLE handle) { // GDI objects and device contexts
    return ::GetObjectType(handle) != 0;
}

template <class T> T* Temporary(HANDLE handle) {
    if (!handle)
        return nullptr;
    if (CObject* found = FindTemporary(handle, typeid(T)))
        return static_cast<T*>(found);
    T* object = new T;
    SetHandle(object, handle);
    AddTemporary(
        handle, typeid(T), object,
        [](CObject* dead) {
            SetHandle(static_cast<T*>(dead), nullptr); // lets go of the handle without deleting it
            delete dead;
        },
        [](HANDLE h) { return IsAlive(static_cast<T*>(nullptr), h); });
    return object;
}

// The permanent object of a window when it is a T, otherwise a temporary T.
template <class T> T* WindowAs(HWND hWnd) {
    if (T* permanent = dynamic_cast<T*>(CWnd::FromHandlePermanent(hWnd)))
        return permanent;
    return Temporary<T>(hWnd);
}

} // namespace afx_detail
