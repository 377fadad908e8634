#pragma once
// Extended application support: only CShellManager is offered; CWinApp is in afxwin.h.
#include "afxshellmanager.h"
