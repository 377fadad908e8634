#include "ui/Notices.h"

#include "ui/DialogErrorMsg.h"
#include "ui/DialogTips.h"

void ShowErrorMsg(const CString& text) {
    DialogErrorMsg notice;
    notice.m_strMessage = text;
    notice.DoModal();
}

bool ShowTips(const CString& text) {
    DialogTips notice;
    notice.m_strMessage = text;
    return notice.DoModal() == IDOK;
}
