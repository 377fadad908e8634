#pragma once
#include <afxwin.h>

// The two ways every message reaches the user: a modal notice owned by the main window when there is one.

// Shows the text with the single button "确定" and returns once the user has dismissed it.
void ShowErrorMsg(const CString& text);

// Shows the question with "仍然关闭" and "取消"; true only when the user chose "仍然关闭".
bool ShowTips(const CString& text);
