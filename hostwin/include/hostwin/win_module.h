// Modules: the notifications a library's entry point receives.
#pragma once

#include <hostwin/win_types.h>

#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3

BOOL WINAPI DisableThreadLibraryCalls(HMODULE module);
