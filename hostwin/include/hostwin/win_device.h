// Devices: control requests to a driver's device, opened with CreateFileA on "\\.\NAME".
#pragma once

#include <hostwin/win_types.h>

#define FILE_DEVICE_SERIAL_PORT 0x0000001b
#define METHOD_BUFFERED 0
#define FILE_ANY_ACCESS 0
#define CTL_CODE(device_type, function, method, access)                                            \
    (((device_type) << 16) | ((access) << 14) | ((function) << 2) | (method))

BOOL WINAPI DeviceIoControl(HANDLE device, DWORD control_code, LPVOID in_buffer,
                            DWORD in_buffer_size, LPVOID out_buffer, DWORD out_buffer_size,
                            LPDWORD bytes_returned, LPOVERLAPPED overlapped);
