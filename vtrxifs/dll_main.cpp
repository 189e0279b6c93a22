// The library does no work of its own when it is loaded or unloaded: it only turns off the
// thread notifications it has no use for, and it always agrees to be loaded.
#include "vtrxifs/exports.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH)
        DisableThreadLibraryCalls(instance);
    return TRUE;
}
