// Fault injection on the registry: a fault hits exactly the nth call of the API it names,
// returns its error as the registry functions do, and leaves every other call alone.
#include <windows.h>

#include <hostwin/testing.h>

#include <gtest/gtest.h>

#include <string.h>

namespace {

class RegistryFaults : public ::testing::Test {
  protected:
    void SetUp() override {
        hostwin::ResetMachine();
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Faults", 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &key_, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(
            RegSetValueExA(key_, "Value", 0, REG_SZ, reinterpret_cast<const BYTE*>("data"), 5),
            ERROR_SUCCESS);
    }
    void TearDown() override { RegCloseKey(key_); }

    LONG QueryValue() {
        DWORD size = 0;
        return RegQueryValueExA(key_, "Value", nullptr, nullptr, nullptr, &size);
    }

    HKEY key_ = nullptr;
};

TEST_F(RegistryFaults, HitsExactlyTheNthCallOfTheNamedApi) {
    hostwin::FailCall("RegQueryValueExA", 3, ERROR_ACCESS_DENIED);
    EXPECT_EQ(QueryValue(), ERROR_SUCCESS);
    EXPECT_EQ(QueryValue(), ERROR_SUCCESS);
    EXPECT_EQ(QueryValue(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(QueryValue(), ERROR_SUCCESS);
}

TEST_F(RegistryFaults, CountsFromTheCallsAlreadyMade) {
    EXPECT_EQ(QueryValue(), ERROR_SUCCESS);
    EXPECT_EQ(QueryValue(), ERROR_SUCCESS);
    hostwin::FailCall("RegQueryValueExA", 1, ERROR_CANTREAD);
    EXPECT_EQ(QueryValue(), ERROR_CANTREAD);
    EXPECT_EQ(QueryValue(), ERROR_SUCCESS);
}

TEST_F(RegistryFaults, LeavesOtherApisAlone) {
    hostwin::FailCall("RegSetValueExA", 1, ERROR_CANTWRITE);
    EXPECT_EQ(QueryValue(), ERROR_SUCCESS);
    HKEY other = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Faults", 0, KEY_READ, &other),
              ERROR_SUCCESS);
    RegCloseKey(other);
    EXPECT_EQ(
        RegSetValueExA(key_, "New", 0, REG_DWORD, reinterpret_cast<const BYTE*>("\1\0\0\0"), 4),
        ERROR_CANTWRITE);
    // The failed call changed nothing.
    EXPECT_EQ(RegQueryValueExA(key_, "New", nullptr, nullptr, nullptr, nullptr),
              ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryFaults, NeverSetsTheLastErrorCode) {
    hostwin::FailCall("RegDeleteValueA", 1, ERROR_ACCESS_DENIED);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(RegDeleteValueA(key_, "Value"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(GetLastError(), 0xdeadbeefu);
    EXPECT_EQ(QueryValue(), ERROR_SUCCESS);
}

TEST_F(RegistryFaults, AFailedOpenLeavesNoHandle) {
    hostwin::FailCall("RegOpenKeyExA", 1, ERROR_ACCESS_DENIED);
    HKEY opened = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0xdeadbeef));
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Faults", 0, KEY_READ, &opened),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(opened, nullptr);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Faults", 0, KEY_READ, &opened),
              ERROR_SUCCESS);
    RegCloseKey(opened);
}

TEST_F(RegistryFaults, SeveralFaultsAndEveryCall) {
    hostwin::FailCall("RegEnumValueA", 2, ERROR_MORE_DATA);
    hostwin::FailEveryCall("RegEnumKeyExA", ERROR_NOT_ENOUGH_MEMORY);
    char name[16];
    DWORD size = sizeof name;
    EXPECT_EQ(RegEnumValueA(key_, 0, name, &size, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    size = sizeof name;
    EXPECT_EQ(RegEnumValueA(key_, 0, name, &size, nullptr, nullptr, nullptr, nullptr),
              ERROR_MORE_DATA);
    for (int i = 0; i < 3; ++i) {
        size = sizeof name;
        EXPECT_EQ(
            RegEnumKeyExA(HKEY_LOCAL_MACHINE, 0, name, &size, nullptr, nullptr, nullptr, nullptr),
            ERROR_NOT_ENOUGH_MEMORY);
    }
    hostwin::ClearFaults();
    size = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(HKEY_LOCAL_MACHINE, 0, name, &size, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_STREQ(name, "SOFTWARE");
}

TEST_F(RegistryFaults, CountsEveryCallOfAnApi) {
    unsigned before = hostwin::CallCount("RegQueryValueExA");
    QueryValue();
    QueryValue();
    EXPECT_EQ(hostwin::CallCount("RegQueryValueExA"), before + 2);
}

} // namespace
