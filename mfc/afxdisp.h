#pragma once
// Automation header: AfxEnableControlContainer is declared in afxwin.h here.
#include "afxwin.h"
