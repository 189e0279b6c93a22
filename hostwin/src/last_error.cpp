// The thread's last-error code. Each deliverable runs on one thread, but the code is kept
// per thread as Windows keeps it.
#include "internal.h"

namespace {
thread_local DWORD last_error = 0;
}

DWORD WINAPI GetLastError(void) {
    return last_error;
}

void WINAPI SetLastError(DWORD code) {
    last_error = code;
}
