// Test controls of the device area: the modem driver's devices.
//
// The device "\\.\NAME" exists when the machine has a file devices/NAME (the name matched
// without regard to case; on the in-memory machine the devices directory lies next to the
// temporary drive C). The file's text decides the answer to the in-use request (control code
// 0x1B2050), read afresh at every request:
// - a decimal number (blanks around it allowed, up to 4294967295; a minus sign wraps):
//   the driver writes it as the 32-bit answer word and reports 4 bytes returned;
// - "ignore": the driver completes the request without touching the buffer (0 bytes);
// - "fail", or any other text: the driver fails the request with ERROR_GEN_FAILURE.
// Every CreateFileA on a device path appends the name as the caller wrote it, one line each,
// to devices/opened.log, whether or not the device exists.
#pragma once

#include <hostwin/win_types.h>

namespace hostwin {

// Creates the device, or changes its answer, with the file text described above.
void SetDevice(const char* name, const char* answer);

// Removes the device: opening it fails with ERROR_FILE_NOT_FOUND.
void RemoveDevice(const char* name);

// The names that CreateFileA was asked to open as devices since the reset, in order, joined
// by ","; the empty text when none. Valid until the next call.
const char* DeviceOpenRequests();

} // namespace hostwin
