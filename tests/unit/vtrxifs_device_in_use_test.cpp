// IsDeviceInUse: which of the modem driver's devices are opened, in which order, for each
// operating-system family, and the answer.
#include "vtrxifs/exports.h"

#include <hostwin/testing.h>

#include <gtest/gtest.h>

namespace {

struct System {
    DWORD platform, major, minor;
};
const System k95 = {VER_PLATFORM_WIN32_WINDOWS, 4, 0};
const System k98 = {VER_PLATFORM_WIN32_WINDOWS, 4, 10};
const System kMe = {VER_PLATFORM_WIN32_WINDOWS, 4, 90};
const System kNt4 = {VER_PLATFORM_WIN32_NT, 4, 0};
const System k2000 = {VER_PLATFORM_WIN32_NT, 5, 0};
const System kXp = {VER_PLATFORM_WIN32_NT, 5, 1};
const System kNt351 = {VER_PLATFORM_WIN32_NT, 3, 51};
const System kWin32s = {VER_PLATFORM_WIN32s, 3, 10};

struct InUseCase {
    const char* what;
    System system;
    bool version_fails;
    const char* vtrx;   // the device's answer text (testing_device.h); null: absent
    const char* sftmdm; // likewise
    const char* opened; // the devices opened, in order
    LONG in_use;
};

// Columns: case, system, GetVersionExA fails, the two devices, devices opened, result.
const InUseCase kInUseCases[] = {
    {"95, VTRX in use", k95, false, "0", "1", "VTRX", 1},
    {"95, VTRX idle: sftmdm is never asked", k95, false, "1", "0", "VTRX", 0},
    {"95, no driver", k95, false, nullptr, nullptr, "VTRX", 0},
    {"98, VTRX in use: sftmdm is not opened", k98, false, "2", "0", "VTRX", 1},
    {"98, VTRX idle, sftmdm in use", k98, false, "1", "0", "VTRX,sftmdm", 1},
    {"98, VTRX absent, sftmdm in use", k98, false, nullptr, "7", "VTRX,sftmdm", 1},
    {"98, VTRX ignores the request, sftmdm fails it", k98, false, "ignore", "fail", "VTRX,sftmdm",
     0},
    {"Me, both idle", kMe, false, "1", "1", "VTRX,sftmdm", 0},
    {"Me, no driver", kMe, false, nullptr, nullptr, "VTRX,sftmdm", 0},
    {"NT 4.0, VTRX is never asked", kNt4, false, "0", "1", "sftmdm", 0},
    {"NT 4.0, sftmdm in use", kNt4, false, "1", "0", "sftmdm", 1},
    {"2000, sftmdm in use", k2000, false, nullptr, "4294967295", "sftmdm", 1},
    {"2000, sftmdm idle", k2000, false, "0", "1", "sftmdm", 0},
    {"XP, no driver", kXp, false, nullptr, nullptr, "sftmdm", 0},
    {"NT 3.51: no device is opened", kNt351, false, "0", "0", "", 0},
    {"Win32s: no device is opened", kWin32s, false, "0", "0", "", 0},
    {"GetVersionExA fails: no device is opened", k2000, true, "0", "0", "", 0},
};

TEST(IsDeviceInUse, AsksTheDevicesOfTheSystemFamilyInOrder) {
    for (const InUseCase& c : kInUseCases) {
        hostwin::ResetMachine();
        hostwin::SetVersion(c.system.platform, c.system.major, c.system.minor, 0);
        if (c.version_fails)
            hostwin::FailCall("GetVersionExA", 1, ERROR_INVALID_PARAMETER);
        if (c.vtrx != nullptr)
            hostwin::SetDevice("VTRX", c.vtrx);
        if (c.sftmdm != nullptr)
            hostwin::SetDevice("sftmdm", c.sftmdm);
        EXPECT_EQ(IsDeviceInUse(), c.in_use) << c.what;
        EXPECT_STREQ(hostwin::DeviceOpenRequests(), c.opened) << c.what;
        EXPECT_TRUE(hostwin::UiLog().empty()) << c.what; // never a message
    }
}

} // namespace
