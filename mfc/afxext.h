#pragma once
// MFC extensions header: everything this layer offers is in afxwin.h.
#include "afxwin.h"
