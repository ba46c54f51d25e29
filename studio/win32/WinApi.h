// The Windows API as the studio's window uses it: windows.h, then the
// headers of the common controls and the shell, which need it first.
#pragma once

#include "PlatformTypes.h"

// After windows.h.
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>
