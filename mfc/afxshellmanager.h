#pragma once
// CShellManager: the framework's helper for shell namespace items, which an application creates in
// InitInstance. Brenlow uses none of its services, so none is offered.
#include "afxwin.h"

class CShellManager : public CObject {};
