// OsFamily: the version record's platform and version numbers, tested row by row in order.
#include "vtrxifs/os_family.h"

namespace {

enum NumberTest { kAnyNumber, kEqualTo, kAtLeast };

struct FamilyRow {
    DWORD platform;
    NumberTest major_test;
    DWORD major;
    NumberTest minor_test;
    DWORD minor;
    LONG family;
};

// Columns: platform, test and value of the major version, of the minor version, the family.
// The first row that matches decides; none matching gives kOtherFamily.
const FamilyRow kFamilyRows[] = {
    {VER_PLATFORM_WIN32_NT, kEqualTo, 4, kAnyNumber, 0, 2},        // Windows NT 4.0
    {VER_PLATFORM_WIN32_NT, kAtLeast, 5, kAnyNumber, 0, 3},        // Windows 2000 and later
    {VER_PLATFORM_WIN32_WINDOWS, kAnyNumber, 0, kEqualTo, 0, 0},   // Windows 95
    {VER_PLATFORM_WIN32_WINDOWS, kAnyNumber, 0, kAnyNumber, 0, 1}, // Windows 98, Me
};
const LONG kOtherFamily = 4;

bool Passes(NumberTest test, DWORD number, DWORD value) {
    switch (test) {
    case kEqualTo:
        return number == value;
    case kAtLeast:
        return number >= value;
    default:
        return true;
    }
}

} // namespace

LONG OsFamily(void) {
    OSVERSIONINFOA version;
    version.dwOSVersionInfoSize = sizeof version; // 148 bytes: the basic record
    if (!GetVersionExA(&version))
        return kOtherFamily;
    for (const FamilyRow& row : kFamilyRows) {
        if (version.dwPlatformId == row.platform &&
            Passes(row.major_test, version.dwMajorVersion, row.major) &&
            Passes(row.minor_test, version.dwMinorVersion, row.minor))
            return row.family;
    }
    return kOtherFamily;
}
