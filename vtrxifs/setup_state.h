// The setup state that the device setup tool reads: "Software\Hwctl", value "State".
#pragma once

#include <windows.h>

// Writes text as the REG_SZ value_name of the key at key_path below HKEY_LOCAL_MACHINE,
// opening the key or, when it does not exist, creating it. 1 on success; 0 on failure, and
// then the thread's last-error code is the failing registry call's result.
int WriteSetupState(LPCSTR key_path, LPCSTR value_name, LPCSTR text);
