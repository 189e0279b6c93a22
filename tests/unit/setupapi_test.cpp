// SetupAPI: device information sets, devices kept in the registry where Windows keeps them,
// and their driver keys, with the error codes Windows gives.
#include "registry_probe.h"

#include <hostwin/testing.h>
#include <windows.h>
#include <setupapi.h>

#include <gtest/gtest.h>

#include <string>

namespace {

// The modem class.
const GUID kModemClass = {
    0x4D36E96D, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
const GUID kPortsClass = {
    0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
const char kModemClassKey[] =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96D-E325-11CE-BFC1-08002BE10318}";
const char kEnum[] = "SYSTEM\\CurrentControlSet\\Enum\\";
const DWORD kSentinel = 0xdeadbeef;

SP_DEVINFO_DATA FreshDeviceData() {
    SP_DEVINFO_DATA data = {};
    data.cbSize = sizeof data;
    return data;
}

std::string StringValue(const std::string& path, const char* name) {
    DWORD type = 0;
    std::string data;
    if (!ReadValue(path, name, &type, &data) || type != REG_SZ || data.empty())
        return "(none)";
    return data.substr(0, data.size() - 1);
}

class SetupApi : public ::testing::Test {
  protected:
    void SetUp() override {
        hostwin::ResetMachine();
        set_ = SetupDiCreateDeviceInfoList(&kModemClass, nullptr);
        ASSERT_NE(set_, INVALID_HANDLE_VALUE);
        device_.cbSize = sizeof device_;
    }
    void TearDown() override {
        if (set_ != INVALID_HANDLE_VALUE)
            SetupDiDestroyDeviceInfoList(set_);
    }

    // A registered device ROOT\MODEM\NNNN.
    void CreateRegisteredModem() {
        ASSERT_TRUE(SetupDiCreateDeviceInfoA(set_, "Modem", &kModemClass, "Soft Modem", nullptr,
                                             DICD_GENERATE_ID, &device_));
        ASSERT_TRUE(SetupDiRegisterDeviceInfo(set_, &device_, 0, nullptr, nullptr, nullptr));
    }

    HDEVINFO set_ = INVALID_HANDLE_VALUE;
    SP_DEVINFO_DATA device_ = {};
};

TEST_F(SetupApi, ADeviceHasItsInstanceKeyAtOnceAndAPhantomLosesItWithTheSet) {
    ASSERT_TRUE(SetupDiCreateDeviceInfoA(set_, "Root\\Modem\\0007", &kModemClass, "Soft Modem",
                                         nullptr, 0, &device_));
    EXPECT_EQ(memcmp(&device_.ClassGuid, &kModemClass, sizeof kModemClass), 0);
    std::string instance = std::string(kEnum) + "ROOT\\MODEM\\0007";
    EXPECT_EQ(StringValue(instance, "ClassGUID"), "{4D36E96D-E325-11CE-BFC1-08002BE10318}");
    EXPECT_EQ(StringValue(instance, "DeviceDesc"), "Soft Modem");
    EXPECT_EQ(SubkeysOf(std::string(kEnum) + "ROOT\\MODEM"), std::vector<std::string>{"0007"});

    EXPECT_TRUE(SetupDiDestroyDeviceInfoList(set_));
    set_ = INVALID_HANDLE_VALUE;
    EXPECT_FALSE(KeyExists(instance));
}

TEST_F(SetupApi, ARegisteredDeviceOutlivesTheSetAndGeneratedIdsTakeTheLowestFreeNumber) {
    CreateRegisteredModem();
    SP_DEVINFO_DATA second = FreshDeviceData();
    ASSERT_TRUE(SetupDiCreateDeviceInfoA(set_, "MODEM", &kModemClass, nullptr, nullptr,
                                         DICD_GENERATE_ID, &second));
    ASSERT_TRUE(SetupDiRegisterDeviceInfo(set_, &second, 0, nullptr, nullptr, nullptr));
    EXPECT_TRUE(SetupDiDestroyDeviceInfoList(set_));
    set_ = INVALID_HANDLE_VALUE;
    EXPECT_EQ(SubkeysOf(std::string(kEnum) + "ROOT\\MODEM"),
              (std::vector<std::string>{"0000", "0001"}));

    // A new set finds the numbers taken.
    HDEVINFO other = SetupDiCreateDeviceInfoList(nullptr, nullptr);
    SP_DEVINFO_DATA third = FreshDeviceData();
    ASSERT_TRUE(SetupDiCreateDeviceInfoA(other, "modem", &kPortsClass, nullptr, nullptr,
                                         DICD_GENERATE_ID, &third));
    EXPECT_TRUE(KeyExists(std::string(kEnum) + "ROOT\\MODEM\\0002"));
    SetLastError(kSentinel);
    EXPECT_FALSE(SetupDiCreateDeviceInfoA(other, "ROOT\\MODEM\\0001", &kModemClass, nullptr,
                                          nullptr, 0, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DEVINST_ALREADY_EXISTS));
    SetupDiDestroyDeviceInfoList(other);
}

struct CreateCase {
    const char* what;
    bool valid_set;
    const char* name;
    const GUID* class_guid;
    DWORD flags;
    DWORD error;
};

// Columns: case, a live set, device name, class, flags, the error of the failed call.
const CreateCase kCreateCases[] = {
    {"no name", true, nullptr, &kModemClass, 0, ERROR_INVALID_DEVINST_NAME},
    {"no name, no set", false, nullptr, &kModemClass, 0, ERROR_INVALID_DEVINST_NAME},
    {"no set", false, "ROOT\\MODEM\\0000", &kModemClass, 0, ERROR_INVALID_HANDLE},
    {"no class", true, "ROOT\\MODEM\\0000", nullptr, 0, ERROR_INVALID_PARAMETER},
    {"another class", true, "ROOT\\MODEM\\0000", &kPortsClass, 0, ERROR_CLASS_MISMATCH},
    {"unknown flags", true, "ROOT\\MODEM\\0000", &kModemClass, 0x100, ERROR_INVALID_FLAGS},
    {"a path to generate from", true, "ROOT\\MODEM", &kModemClass, DICD_GENERATE_ID,
     ERROR_INVALID_DEVINST_NAME},
    {"an empty name", true, "", &kModemClass, 0, ERROR_INVALID_DEVINST_NAME},
};

TEST_F(SetupApi, CreatingADeviceFailsWithTheCodesOfWindows) {
    for (const CreateCase& c : kCreateCases) {
        SetLastError(kSentinel);
        EXPECT_FALSE(SetupDiCreateDeviceInfoA(c.valid_set ? set_ : nullptr, c.name, c.class_guid,
                                              nullptr, nullptr, c.flags, nullptr))
            << c.what;
        EXPECT_EQ(GetLastError(), c.error) << c.what;
    }
    EXPECT_FALSE(KeyExists(std::string(kEnum) + "ROOT"));
}

TEST_F(SetupApi, InstanceIdsShorterThanTheLimitOnly) {
    std::string id = "ROOT\\MODEM\\" + std::string(MAX_DEVICE_ID_LEN - 11, 'x');
    SetLastError(kSentinel);
    EXPECT_FALSE(
        SetupDiCreateDeviceInfoA(set_, id.c_str(), &kModemClass, nullptr, nullptr, 0, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DEVINST_NAME));
    id.pop_back();
    EXPECT_TRUE(
        SetupDiCreateDeviceInfoA(set_, id.c_str(), &kModemClass, nullptr, nullptr, 0, nullptr));
}

TEST_F(SetupApi, DeviceDataOfTheWrongSizeFailsTheCallButTheDeviceIsMade) {
    SP_DEVINFO_DATA wrong = {};
    SetLastError(kSentinel);
    EXPECT_FALSE(SetupDiCreateDeviceInfoA(set_, "ROOT\\MODEM\\0000", &kModemClass, nullptr, nullptr,
                                          0, &wrong));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));
    EXPECT_TRUE(KeyExists(std::string(kEnum) + "ROOT\\MODEM\\0000"));
}

TEST_F(SetupApi, TheDriverKeyTakesTheLowestFreeNumberOfTheClassAndIsNamedInTheInstanceKey) {
    CreateKey(std::string(kModemClassKey) + "\\0000"); // another modem's driver key
    CreateRegisteredModem();
    HKEY created =
        SetupDiCreateDevRegKeyA(set_, &device_, DICS_FLAG_GLOBAL, 0, DIREG_DRV, nullptr, nullptr);
    ASSERT_NE(created, INVALID_HANDLE_VALUE);
    EXPECT_EQ(
        RegSetValueExA(created, "InfPath", 0, REG_SZ, reinterpret_cast<const BYTE*>("oem3.inf"), 9),
        ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(created), ERROR_SUCCESS);
    EXPECT_EQ(StringValue(std::string(kEnum) + "ROOT\\MODEM\\0000", "Driver"),
              "{4D36E96D-E325-11CE-BFC1-08002BE10318}\\0001");
    EXPECT_EQ(StringValue(std::string(kModemClassKey) + "\\0001", "InfPath"), "oem3.inf");

    // Created again, the same key.
    created =
        SetupDiCreateDevRegKeyA(set_, &device_, DICS_FLAG_GLOBAL, 0, DIREG_DRV, nullptr, nullptr);
    ASSERT_NE(created, INVALID_HANDLE_VALUE);
    RegCloseKey(created);
    EXPECT_EQ(SubkeysOf(kModemClassKey), (std::vector<std::string>{"0000", "0001"}));
}

TEST_F(SetupApi, TheDriverKeyOpensWithTheRequestedAccessOnly) {
    CreateRegisteredModem();
    HKEY created =
        SetupDiCreateDevRegKeyA(set_, &device_, DICS_FLAG_GLOBAL, 0, DIREG_DRV, nullptr, nullptr);
    ASSERT_NE(created, INVALID_HANDLE_VALUE);
    RegSetValueExA(created, "InfPath", 0, REG_SZ, reinterpret_cast<const BYTE*>("oem0.inf"), 9);
    RegCloseKey(created);

    HKEY opened = SetupDiOpenDevRegKey(set_, &device_, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_READ);
    ASSERT_NE(opened, INVALID_HANDLE_VALUE);
    char text[16] = {};
    DWORD size = sizeof text;
    EXPECT_EQ(
        RegQueryValueExA(opened, "InfPath", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size),
        ERROR_SUCCESS);
    EXPECT_STREQ(text, "oem0.inf");
    EXPECT_EQ(RegSetValueExA(opened, "Other", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegCloseKey(opened), ERROR_SUCCESS);
}

struct OpenCase {
    const char* what;
    bool valid_set;
    bool with_device;
    DWORD scope;
    DWORD key_type;
    DWORD error;
};

// Columns: case, a live set, device data given, scope, key type, the error.
const OpenCase kOpenCases[] = {
    {"no set", false, true, DICS_FLAG_GLOBAL, DIREG_DRV, ERROR_INVALID_HANDLE},
    {"no device", true, false, DICS_FLAG_GLOBAL, DIREG_DRV, ERROR_INVALID_PARAMETER},
    {"scope 0", true, true, 0, DIREG_DRV, ERROR_INVALID_FLAGS},
    {"key type 0", true, true, DICS_FLAG_GLOBAL, 0, ERROR_INVALID_FLAGS},
    {"both keys", true, true, DICS_FLAG_GLOBAL, DIREG_BOTH, ERROR_INVALID_FLAGS},
    {"the hardware key", true, true, DICS_FLAG_GLOBAL, DIREG_DEV, ERROR_CALL_NOT_IMPLEMENTED},
    {"a profile's key", true, true, DICS_FLAG_CONFIGSPECIFIC, DIREG_DRV,
     ERROR_CALL_NOT_IMPLEMENTED},
    {"no driver key yet", true, true, DICS_FLAG_GLOBAL, DIREG_DRV, ERROR_KEY_DOES_NOT_EXIST},
};

TEST_F(SetupApi, OpeningADriverKeyFailsWithTheCodesOfWindows) {
    CreateRegisteredModem();
    for (const OpenCase& c : kOpenCases) {
        SetLastError(kSentinel);
        HKEY key =
            SetupDiOpenDevRegKey(c.valid_set ? set_ : nullptr, c.with_device ? &device_ : nullptr,
                                 c.scope, 0, c.key_type, KEY_READ);
        EXPECT_EQ(key, INVALID_HANDLE_VALUE) << c.what;
        EXPECT_EQ(GetLastError(), c.error) << c.what;
    }
}

TEST_F(SetupApi, ADriverKeyDeletedBehindTheDeviceIsAMissingKey) {
    CreateRegisteredModem();
    HKEY created =
        SetupDiCreateDevRegKeyA(set_, &device_, DICS_FLAG_GLOBAL, 0, DIREG_DRV, nullptr, nullptr);
    RegCloseKey(created);
    ASSERT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(kModemClassKey) + "\\0000").c_str()),
              ERROR_SUCCESS);
    SetLastError(kSentinel);
    EXPECT_EQ(SetupDiOpenDevRegKey(set_, &device_, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_READ),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_KEY_DOES_NOT_EXIST));
}

TEST_F(SetupApi, AnUnregisteredDeviceHasNoDriverKey) {
    ASSERT_TRUE(SetupDiCreateDeviceInfoA(set_, "MODEM", &kModemClass, nullptr, nullptr,
                                         DICD_GENERATE_ID, &device_));
    SetLastError(kSentinel);
    EXPECT_EQ(SetupDiOpenDevRegKey(set_, &device_, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_READ),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DEVINFO_NOT_REGISTERED));
    SetLastError(kSentinel);
    EXPECT_EQ(
        SetupDiCreateDevRegKeyA(set_, &device_, DICS_FLAG_GLOBAL, 0, DIREG_DRV, nullptr, nullptr),
        INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DEVINFO_NOT_REGISTERED));
    EXPECT_FALSE(KeyExists(kModemClassKey));
}

TEST_F(SetupApi, DeviceDataOfAnotherSetIsRefused) {
    CreateRegisteredModem();
    HDEVINFO other = SetupDiCreateDeviceInfoList(&kModemClass, nullptr);
    SetLastError(kSentinel);
    EXPECT_EQ(SetupDiOpenDevRegKey(other, &device_, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_READ),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    SetupDiDestroyDeviceInfoList(other);
}

TEST_F(SetupApi, AnInjectedFaultFailsTheCallWithItsCodeAndItsInnerRegistryCallsAreNotCounted) {
    CreateRegisteredModem();
    HKEY created =
        SetupDiCreateDevRegKeyA(set_, &device_, DICS_FLAG_GLOBAL, 0, DIREG_DRV, nullptr, nullptr);
    RegCloseKey(created);
    unsigned opens = hostwin::CallCount("RegOpenKeyExA");
    unsigned queries = hostwin::CallCount("RegQueryValueExA");
    hostwin::FailCall("SetupDiOpenDevRegKey", 1, ERROR_ACCESS_DENIED);
    SetLastError(kSentinel);
    EXPECT_EQ(SetupDiOpenDevRegKey(set_, &device_, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_READ),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

    hostwin::FailEveryCall("RegOpenKeyExA", ERROR_ACCESS_DENIED);
    HKEY opened = SetupDiOpenDevRegKey(set_, &device_, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_READ);
    EXPECT_NE(opened, INVALID_HANDLE_VALUE);
    RegCloseKey(opened);
    EXPECT_EQ(hostwin::CallCount("RegOpenKeyExA"), opens);
    EXPECT_EQ(hostwin::CallCount("RegQueryValueExA"), queries);
    EXPECT_EQ(hostwin::CallCount("SetupDiOpenDevRegKey"), 2u);
}

TEST_F(SetupApi, DestroyingAnUnknownSetFails) {
    SetLastError(kSentinel);
    EXPECT_FALSE(SetupDiDestroyDeviceInfoList(nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(SetupDiDestroyDeviceInfoList(INVALID_HANDLE_VALUE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

} // namespace
