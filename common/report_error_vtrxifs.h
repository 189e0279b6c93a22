// The co-installer library's error report: the caller's caption, code as " (0x%08X)".
#pragma once

#include <windows.h>

void ReportError(LPCSTR caption, LPCSTR format, ...);
