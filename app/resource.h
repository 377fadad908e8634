#pragma once
// Resource and control ids of Brenlow.exe.

#define IDR_MAINFRAME 128

#define IDD_BRENLOW_DIALOG 102
#define IDD_DIALOG_TIPS 129
#define IDD_DIALOG_ERRORMSG 130

#define IDC_BUTTON_START 1000
#define IDC_COMBO_CONFIG 1003
#define IDC_LIST_SERVER 1005
#define IDC_EDIT_MSG 1010

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
