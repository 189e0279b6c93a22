// WriteSetupState. The registry functions return their error and leave the thread's
// last-error code alone, so a failure sets the last-error code to the failing call's result:
// the caller's report then shows the reason.
#include "vtrxifs/setup_state.h"

int WriteSetupState(LPCSTR key_path, LPCSTR value_name, LPCSTR text) {
    HKEY key = NULL;
    LONG rc = RegOpenKeyA(HKEY_LOCAL_MACHINE, key_path, &key);
    if (rc != ERROR_SUCCESS)
        rc = RegCreateKeyA(HKEY_LOCAL_MACHINE, key_path, &key);
    if (rc != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(rc));
        return 0;
    }
    rc = RegSetValueExA(key, value_name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                        static_cast<DWORD>(lstrlenA(text) + 1));
    if (rc != ERROR_SUCCESS) {
        RegCloseKey(key);
        SetLastError(static_cast<DWORD>(rc));
        return 0;
    }
    // From here on the key counts as closed, whatever the close answers.
    rc = RegCloseKey(key);
    if (rc != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(rc));
        return 0;
    }
    return 1;
}
