// The in-use exchange with the modem driver, shared by the uninstaller and VTRXIFS.
#pragma once

#include <windows.h>

// The driver's in-use request: CTL_CODE(FILE_DEVICE_SERIAL_PORT, 0x814, METHOD_BUFFERED,
// FILE_ANY_ACCESS). The driver answers one 32-bit word; 1 means idle.
const DWORD kInUseRequest = 0x1B2050;

// Asks the device at device_path ("\\.\" and its name) whether the modem is in use: 1 when
// the driver answers anything but 1, 0 when it answers 1, fails or ignores the request, or
// the device cannot be opened.
LONG QueryDeviceInUse(const char* device_path);
