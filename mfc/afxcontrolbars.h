#pragma once
// Control bars and the shell manager: only CShellManager is offered.
#include "afxshellmanager.h"
