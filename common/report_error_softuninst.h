// The uninstaller's error report: caption "Uninstall Error", code as "(0x%08X)".
#pragma once

#include <windows.h>

void ReportError(LPCSTR format, ...);
