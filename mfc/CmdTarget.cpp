#include "afxwin.h"

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

const AFX_MSGMAP* PASCAL CCmdTarget::GetThisMessageMap() {
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr}};
    static const AFX_MSGMAP messageMap = {nullptr, &entries[0]};
    return &messageMap;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const {
    return GetThisMessageMap();
}

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(UINT nMessage, UINT nCode, UINT nID) const {
    for (const AFX_MSGMAP* map = GetMessageMap(); map;
         map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr)
        for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->pfn; ++entry)
            if (entry->nMessage == nMessage && entry->nCode == nCode && entry->nID <= nID &&
                nID <= entry->nLastID)
                return entry;
    return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
    UINT message = HIWORD(static_cast<DWORD>(nCode));
    UINT code = LOWORD(static_cast<DWORD>(nCode));
    if (message == 0)
        message = WM_COMMAND;
    const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(message, code, nID);
    if (!entry)
        return FALSE;
    if (pHandlerInfo) {
        pHandlerInfo->pTarget = this;
        return TRUE;
    }
    LRESULT unused = 0;
    if (message == WM_NOTIFY || message == WM_REFLECT_BASE + WM_NOTIFY) {
        auto* notify = static_cast<AFX_NOTIFY*>(pExtra);
        LRESULT* result = notify->pResult ? notify->pResult : &unused;
        return entry->pfn(this, nID, reinterpret_cast<LPARAM>(notify->pNMHDR), result);
    }
    return entry->pfn(this, MAKEWPARAM(nID, code), 0, &unused);
}
