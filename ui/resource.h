#pragma once
// Resource ids of the user interface: its dialog templates and their controls, the icon the main window
// shows, and the row buttons the server list makes. The program's resource script (app/) builds the
// resources under these ids.

#define IDR_MAINFRAME 128

#define IDD_BRENLOW_DIALOG 102
#define IDD_DIALOG_TIPS 129
#define IDD_DIALOG_ERRORMSG 130

#define IDC_BUTTON_START 1000
#define IDC_COMBO_CONFIG 1003
#define IDC_LIST_SERVER 1005
#define IDC_EDIT_MSG 1010

// Command ids of the server list's row buttons; button k lies over row position k.
#define IDC_ROW_BUTTON_FIRST 10001
#define IDC_ROW_BUTTON_LAST 10101

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
