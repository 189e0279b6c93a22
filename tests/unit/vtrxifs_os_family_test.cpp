// OsFamily: the family of the operating system from GetVersionExA, as the device choice of
// IsDeviceInUse needs it.
#include "vtrxifs/os_family.h"

#include <hostwin/testing.h>

#include <gtest/gtest.h>

namespace {

struct FamilyCase {
    const char* system;
    DWORD platform, major, minor;
    LONG family;
};

// Columns: system, platform, major and minor version, family.
const FamilyCase kFamilyCases[] = {
    {"Windows 95", VER_PLATFORM_WIN32_WINDOWS, 4, 0, 0},
    {"Windows 98", VER_PLATFORM_WIN32_WINDOWS, 4, 10, 1},
    {"Windows Me", VER_PLATFORM_WIN32_WINDOWS, 4, 90, 1},
    {"platform 1: major not looked at, minor 0", VER_PLATFORM_WIN32_WINDOWS, 7, 0, 0},
    {"platform 1: major not looked at, minor 1", VER_PLATFORM_WIN32_WINDOWS, 0, 1, 1},
    {"Windows NT 4.0", VER_PLATFORM_WIN32_NT, 4, 0, 2},
    {"Windows 2000", VER_PLATFORM_WIN32_NT, 5, 0, 3},
    {"Windows XP", VER_PLATFORM_WIN32_NT, 5, 1, 3},
    {"Windows 10", VER_PLATFORM_WIN32_NT, 10, 0, 3},
    {"major 0xFFFFFFFF compares unsigned", VER_PLATFORM_WIN32_NT, 0xFFFFFFFF, 0, 3},
    {"Windows NT 3.51", VER_PLATFORM_WIN32_NT, 3, 51, 4},
    {"Win32s, platform 0", VER_PLATFORM_WIN32s, 3, 10, 4},
    {"platform 0 with an NT 4.0 version", VER_PLATFORM_WIN32s, 4, 0, 4},
    {"an unknown platform 3", 3, 5, 0, 4},
};

TEST(OsFamily, ClassifiesThePlatformAndVersion) {
    for (const FamilyCase& c : kFamilyCases) {
        hostwin::ResetMachine();
        hostwin::SetVersion(c.platform, c.major, c.minor, 0);
        EXPECT_EQ(OsFamily(), c.family) << c.system;
        EXPECT_EQ(hostwin::CallCount("GetVersionExA"), 1u) << c.system;
    }
}

TEST(OsFamily, AFailingGetVersionExIsAnotherSystem) {
    hostwin::ResetMachine();
    hostwin::SetVersion(VER_PLATFORM_WIN32_NT, 5, 0, 2195);
    hostwin::FailCall("GetVersionExA", 1, ERROR_INVALID_PARAMETER);
    EXPECT_EQ(OsFamily(), 4);
    EXPECT_EQ(OsFamily(), 3); // the next call succeeds
}

} // namespace
