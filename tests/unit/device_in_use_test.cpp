// QueryDeviceInUse: the in-use exchange with the modem driver as the uninstaller and VTRXIFS
// make it. Only an answer other than 1 means in use; every failure reads as idle.
#include "common/device_in_use.h"

#include <hostwin/testing.h>

#include <gtest/gtest.h>

namespace {

struct QueryCase {
    const char* what;
    const char* device_text; // null: no such device
    const char* failing_api; // null: no injected failure
    LONG in_use;
    unsigned requests; // DeviceIoControl calls made
    unsigned closes;   // CloseHandle calls made
};

// Columns: case, the device's text, API made to fail, answer, requests sent, handles closed.
const QueryCase kQueryCases[] = {
    {"answer 0", "0", nullptr, 1, 1, 1},
    {"answer 1", "1", nullptr, 0, 1, 1},
    {"answer 2", "2", nullptr, 1, 1, 1},
    {"answer 0xFFFFFFFF", "4294967295", nullptr, 1, 1, 1},
    {"the driver leaves the word", "ignore", nullptr, 0, 1, 1},
    {"the driver fails the request", "fail", nullptr, 0, 1, 1},
    {"the request fails before the driver", "0", "DeviceIoControl", 0, 1, 1},
    {"the open fails", "0", "CreateFileA", 0, 0, 0},
    {"no such device", nullptr, nullptr, 0, 0, 0},
    {"a failing close changes nothing", "0", "CloseHandle", 1, 1, 1},
};

TEST(QueryDeviceInUse, AnswersInUseOnlyForAWordOtherThanOne) {
    for (const QueryCase& c : kQueryCases) {
        hostwin::ResetMachine();
        if (c.device_text != nullptr)
            hostwin::SetDevice("sftmdm", c.device_text);
        if (c.failing_api != nullptr)
            hostwin::FailCall(c.failing_api, 1, ERROR_GEN_FAILURE);
        EXPECT_EQ(QueryDeviceInUse("\\\\.\\sftmdm"), c.in_use) << c.what;
        EXPECT_STREQ(
            hostwin::DeviceOpenRequests(),
            c.failing_api != nullptr && strcmp(c.failing_api, "CreateFileA") == 0 ? "" : "sftmdm")
            << c.what;
        EXPECT_EQ(hostwin::CallCount("DeviceIoControl"), c.requests) << c.what;
        EXPECT_EQ(hostwin::CallCount("CloseHandle"), c.closes) << c.what;
    }
}

TEST(QueryDeviceInUse, AsksTheDeviceThatThePathNames) {
    hostwin::ResetMachine();
    hostwin::SetDevice("MDM0", "0");
    hostwin::SetDevice("sftmdm", "1");
    EXPECT_EQ(QueryDeviceInUse("\\\\.\\MDM0"), 1);
    EXPECT_EQ(QueryDeviceInUse("\\\\.\\sftmdm"), 0);
    EXPECT_EQ(QueryDeviceInUse("\\\\.\\VTRX"), 0);
    EXPECT_STREQ(hostwin::DeviceOpenRequests(), "MDM0,sftmdm,VTRX");
}

} // namespace
