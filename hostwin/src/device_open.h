// How CreateFileA reaches the machine's devices.
#pragma once

#include <windows.h>

namespace hostwin {

// The device name of a path "\\.\NAME" (either slash), or null for any other path.
const char* DeviceNameOf(const char* path);

// Opens the device of that name; INVALID_HANDLE_VALUE with the last-error code set when the
// machine has no such device.
HANDLE OpenDevice(const char* name);

} // namespace hostwin
