// DisableThreadLibraryCalls. The host's threads never notify libraries of their start and
// end, so there is nothing to turn off: the call only succeeds, as it does on Windows for a
// library that is loaded.
#include "internal.h"

BOOL WINAPI DisableThreadLibraryCalls(HMODULE module) {
    DWORD error;
    if (hostwin::FaultHits("DisableThreadLibraryCalls", &error)) {
        SetLastError(error);
        return FALSE;
    }
    if (module == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}
