// IsDeviceInUse: asks the modem driver's devices that the operating-system family has, in
// order, and stops at the first that answers in use.
#include "vtrxifs/exports.h"

#include "common/device_in_use.h"
#include "vtrxifs/os_family.h"

namespace {

// The path buffer holds 260 bytes; a path is cut at 256 characters.
const int kDevicePathSize = 260;
const int kDevicePathLength = 256;

// Columns: the devices asked, in order (null: none). Rows: the OsFamily values 0 to 4.
const char* const kDevicesOfFamily[][2] = {
    {"VTRX", NULL},     // 0 Windows 95
    {"VTRX", "sftmdm"}, // 1 Windows 98, Me
    {"sftmdm", NULL},   // 2 Windows NT 4.0
    {"sftmdm", NULL},   // 3 Windows 2000 and later
    {NULL, NULL},       // 4 any other system
};

LONG AskDevice(const char* name) {
    char path[kDevicePathSize];
    lstrcpynA(path, "\\\\.\\", kDevicePathLength + 1);
    lstrcpynA(path + lstrlenA(path), name, kDevicePathLength + 1 - lstrlenA(path));
    return QueryDeviceInUse(path);
}

} // namespace

LONG IsDeviceInUse(void) {
    LONG family = OsFamily();
    if (family < 0 || family > 4)
        return 0;
    for (const char* name : kDevicesOfFamily[family]) {
        if (name != NULL && AskDevice(name) == 1)
            return 1;
    }
    return 0;
}
