// GetVersionExA: the version reported, settable by tests, the size rule, and failure.
#include <windows.h>

#include <hostwin/testing.h>

#include <gtest/gtest.h>

#include <string.h>

namespace {

constexpr DWORD kSentinel = 0xdeadbeef;

struct VersionCase {
    const char* system;
    DWORD platform, major, minor, build;
    const char* service_pack;
};

const VersionCase kVersionCases[] = {
    {"Windows 95", VER_PLATFORM_WIN32_WINDOWS, 4, 0, 950, ""},
    {"Windows 98", VER_PLATFORM_WIN32_WINDOWS, 4, 10, 0x040A08AE, " A "},
    {"Windows Me", VER_PLATFORM_WIN32_WINDOWS, 4, 90, 3000, ""},
    {"Windows NT 4.0", VER_PLATFORM_WIN32_NT, 4, 0, 1381, "Service Pack 6"},
    {"Windows XP", VER_PLATFORM_WIN32_NT, 5, 1, 2600, "Service Pack 2"},
    {"Windows NT 3.51", VER_PLATFORM_WIN32_NT, 3, 51, 1057, ""},
    {"Win32s", VER_PLATFORM_WIN32s, 3, 10, 0, ""},
};

OSVERSIONINFOA FreshRecord(DWORD size) {
    OSVERSIONINFOA info;
    memset(&info, 0xCD, sizeof info);
    info.dwOSVersionInfoSize = size;
    return info;
}

TEST(GetVersionEx, ReportsWindows2000ByDefault) {
    hostwin::ResetMachine();
    OSVERSIONINFOA info = FreshRecord(148);
    ASSERT_TRUE(GetVersionExA(&info));
    EXPECT_EQ(info.dwOSVersionInfoSize, 148u);
    EXPECT_EQ(info.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
    EXPECT_EQ(info.dwMajorVersion, 5u);
    EXPECT_EQ(info.dwMinorVersion, 0u);
    EXPECT_EQ(info.dwBuildNumber, 2195u);
    EXPECT_STREQ(info.szCSDVersion, "");
}

TEST(GetVersionEx, ReportsTheVersionATestSets) {
    for (const VersionCase& c : kVersionCases) {
        hostwin::ResetMachine();
        hostwin::SetVersion(c.platform, c.major, c.minor, c.build, c.service_pack);
        OSVERSIONINFOA info = FreshRecord(sizeof(OSVERSIONINFOA));
        ASSERT_TRUE(GetVersionExA(&info)) << c.system;
        EXPECT_EQ(info.dwPlatformId, c.platform) << c.system;
        EXPECT_EQ(info.dwMajorVersion, c.major) << c.system;
        EXPECT_EQ(info.dwMinorVersion, c.minor) << c.system;
        EXPECT_EQ(info.dwBuildNumber, c.build) << c.system;
        EXPECT_STREQ(info.szCSDVersion, c.service_pack) << c.system;
    }
}

TEST(GetVersionEx, TakesOnlyTheRecordOf148Bytes) {
    static_assert(sizeof(OSVERSIONINFOA) == 148, "the record has the size Windows gives it");
    hostwin::ResetMachine();
    for (DWORD size : {0u, 68u, 147u, 149u, 156u, 276u}) {
        OSVERSIONINFOA info = FreshRecord(size);
        SetLastError(kSentinel);
        EXPECT_FALSE(GetVersionExA(&info)) << size;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER)) << size;
        EXPECT_EQ(info.dwMajorVersion, 0xCDCDCDCDu) << size;
    }
}

TEST(GetVersionEx, CanBeMadeToFail) {
    hostwin::ResetMachine();
    hostwin::FailCall("GetVersionExA", 1, ERROR_INVALID_PARAMETER);
    OSVERSIONINFOA info = FreshRecord(148);
    EXPECT_FALSE(GetVersionExA(&info));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(info.dwPlatformId, 0xCDCDCDCDu);
    EXPECT_TRUE(GetVersionExA(&info));
}

} // namespace
