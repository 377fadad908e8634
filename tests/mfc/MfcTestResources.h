#pragma once
// Dialog templates and control ids of the layer's tests.

#define IDD_EXCHANGE 200
#define IDD_MISSING 299

#define IDC_NAME_EDIT 201
#define IDC_APPLY_BUTTON 202
#define IDC_ITEMS_LIST 203
#define IDC_CHOICE_COMBO 204
