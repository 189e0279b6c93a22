// Memory that the system hands out and LocalFree takes back.
#pragma once

#include <windows.h>

namespace hostwin {

// Allocates size bytes (at least one) that LocalFree accepts; null when out of memory.
HLOCAL LocalAllocate(size_t size);

} // namespace hostwin
