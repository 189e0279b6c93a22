// The in-use exchange: open the device exclusively, send the request with the answer word
// preset to 1, close. A driver that fails or ignores the request leaves the 1, read as idle;
// neither the request's result nor the returned byte count is looked at.
#include "common/device_in_use.h"

static_assert(kInUseRequest ==
                  CTL_CODE(FILE_DEVICE_SERIAL_PORT, 0x814, METHOD_BUFFERED, FILE_ANY_ACCESS),
              "the in-use request is the driver's serial-port control code 0x814");

LONG QueryDeviceInUse(const char* device_path) {
    HANDLE device = CreateFileA(device_path, GENERIC_READ, 0, NULL, OPEN_EXISTING,
                                FILE_FLAG_DELETE_ON_CLOSE, NULL);
    if (device == INVALID_HANDLE_VALUE || device == NULL)
        return 0;
    DWORD answer = 1;
    DWORD returned = 0;
    DeviceIoControl(device, kInUseRequest, NULL, 0, &answer, sizeof answer, &returned, NULL);
    CloseHandle(device);
    return answer != 1 ? 1 : 0;
}
