// The operating-system family, which decides which of the modem driver's devices are asked.
#pragma once

#include <windows.h>

// 0 Windows 95; 1 Windows 98, 98 Second Edition and Me; 2 Windows NT 4.0; 3 Windows 2000 and
// later; 4 anything else (Windows NT 3.x, Win32s) or when GetVersionExA fails.
LONG OsFamily(void);
