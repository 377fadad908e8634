#pragma once
// Date and time controls: none are offered; the common controls are in afxcmn.h.
#include "afxcmn.h"
