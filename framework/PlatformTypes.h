// The window system's types and the few system calls the dialog makes.
// On Windows they are the real API; elsewhere the Qt layer supplies the same
// names (see qt/WinApiSubset.h), so the dialog and application sources are
// one for both platforms.
#pragma once

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// After windows.h, which it needs.
#include <commdlg.h>
#else
#include "qt/WinApiSubset.h"
#endif
