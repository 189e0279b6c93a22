// The device area: opening the modem driver's devices, the in-use request and its answers,
// and the record of which devices were asked in which order.
#include <windows.h>

#include <hostwin/testing.h>

#include <gtest/gtest.h>

namespace {

constexpr DWORD kSentinel = 0xdeadbeef;
constexpr DWORD kInUseRequest =
    CTL_CODE(FILE_DEVICE_SERIAL_PORT, 0x814, METHOD_BUFFERED, FILE_ANY_ACCESS);

class DevicesTest : public ::testing::Test {
  protected:
    void SetUp() override { hostwin::ResetMachine(); }

    static HANDLE Open(const char* path) {
        return CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE,
                           nullptr);
    }
};

TEST_F(DevicesTest, TheInUseRequestIsControlCode0x1B2050) {
    EXPECT_EQ(kInUseRequest, 0x1B2050u);
}

struct AnswerCase {
    const char* device_text;
    BOOL succeeds;
    DWORD word;     // the output word afterwards (it starts as the sentinel)
    DWORD returned; // the byte count reported
    DWORD error;    // the last-error code after a failure
};

// Columns: the device file's text, the request's result, word, bytes returned, error.
const AnswerCase kAnswerCases[] = {
    {"0", TRUE, 0, 4, 0},
    {"1", TRUE, 1, 4, 0},
    {"2\n", TRUE, 2, 4, 0},
    {"  4294967295  ", TRUE, 0xFFFFFFFF, 4, 0},
    {"-1", TRUE, 0xFFFFFFFF, 4, 0},
    {"ignore", TRUE, kSentinel, 0, 0},
    {"fail", FALSE, kSentinel, 0, ERROR_GEN_FAILURE},
    {"4294967296", FALSE, kSentinel, 0, ERROR_GEN_FAILURE},
    {"twelve", FALSE, kSentinel, 0, ERROR_GEN_FAILURE},
    {"", FALSE, kSentinel, 0, ERROR_GEN_FAILURE},
};

TEST_F(DevicesTest, TheDriverAnswersWhatTheDeviceFileSays) {
    for (const AnswerCase& c : kAnswerCases) {
        hostwin::SetDevice("sftmdm", c.device_text);
        HANDLE device = Open("\\\\.\\sftmdm");
        ASSERT_NE(device, INVALID_HANDLE_VALUE) << c.device_text;
        DWORD word = kSentinel, returned = kSentinel;
        SetLastError(kSentinel);
        BOOL ok = DeviceIoControl(device, kInUseRequest, nullptr, 0, &word, sizeof word, &returned,
                                  nullptr);
        EXPECT_EQ(ok, c.succeeds) << "[" << c.device_text << "]";
        EXPECT_EQ(word, c.word) << "[" << c.device_text << "]";
        EXPECT_EQ(returned, c.returned) << "[" << c.device_text << "]";
        EXPECT_EQ(GetLastError(), c.succeeds ? kSentinel : c.error) << "[" << c.device_text << "]";
        EXPECT_TRUE(CloseHandle(device));
    }
}

TEST_F(DevicesTest, TheAnswerIsReadAtEachRequest) {
    hostwin::SetDevice("VTRX", "1");
    HANDLE device = Open("\\\\.\\VTRX");
    DWORD word = 0, returned = 0;
    EXPECT_TRUE(DeviceIoControl(device, kInUseRequest, nullptr, 0, &word, 4, &returned, nullptr));
    EXPECT_EQ(word, 1u);
    hostwin::SetDevice("vtrx", "0"); // the same device, whatever the case
    EXPECT_TRUE(DeviceIoControl(device, kInUseRequest, nullptr, 0, &word, 4, &returned, nullptr));
    EXPECT_EQ(word, 0u);
    CloseHandle(device);
}

struct OpenCase {
    const char* path;
    bool opens;
};

// The machine has the device "sftmdm".
const OpenCase kOpenCases[] = {
    {"\\\\.\\sftmdm", true},      {"\\\\.\\SFTMDM", true}, {"//./sftmdm", true},
    {"\\\\.\\VTRX", false},       {"\\\\.\\", false},      {"\\\\.\\sftmdm\\x", false},
    {"\\\\.\\opened.log", false},
};

TEST_F(DevicesTest, DevicesOpenByNameWithoutRegardToCase) {
    hostwin::SetDevice("sftmdm", "1");
    for (const OpenCase& c : kOpenCases) {
        SetLastError(kSentinel);
        HANDLE device = Open(c.path);
        if (c.opens) {
            EXPECT_NE(device, INVALID_HANDLE_VALUE) << c.path;
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS)) << c.path;
            EXPECT_TRUE(CloseHandle(device));
        } else {
            EXPECT_EQ(device, INVALID_HANDLE_VALUE) << c.path;
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND)) << c.path;
        }
    }
}

TEST_F(DevicesTest, ARemovedDeviceCannotBeOpened) {
    hostwin::SetDevice("sftmdm", "1");
    hostwin::RemoveDevice("SFTMDM");
    EXPECT_EQ(Open("\\\\.\\sftmdm"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(DevicesTest, DeleteOnCloseLeavesTheDeviceInPlace) {
    hostwin::SetDevice("sftmdm", "1");
    for (int i = 0; i < 2; ++i) {
        HANDLE device = Open("\\\\.\\sftmdm");
        ASSERT_NE(device, INVALID_HANDLE_VALUE) << "open " << i;
        EXPECT_TRUE(CloseHandle(device));
    }
}

TEST_F(DevicesTest, OpenRequestsAreRecordedInOrderWhetherOrNotTheDeviceExists) {
    EXPECT_STREQ(hostwin::DeviceOpenRequests(), "");
    hostwin::SetDevice("sftmdm", "1");
    CloseHandle(Open("\\\\.\\VTRX"));
    CloseHandle(Open("\\\\.\\sftmdm"));
    CloseHandle(Open("\\\\.\\VTRX"));
    CreateFileA("C:\\WINDOWS\\x.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_STREQ(hostwin::DeviceOpenRequests(), "VTRX,sftmdm,VTRX");
    hostwin::ResetMachine();
    EXPECT_STREQ(hostwin::DeviceOpenRequests(), "");
}

struct BadRequestCase {
    const char* what;
    DWORD code;
    DWORD out_size;
    DWORD error;
};

const BadRequestCase kBadRequestCases[] = {
    {"another control code", 0x1B2054, 4, ERROR_INVALID_FUNCTION},
    {"another device type", CTL_CODE(0x22, 0x814, METHOD_BUFFERED, FILE_ANY_ACCESS), 4,
     ERROR_INVALID_FUNCTION},
    {"a buffer of 3 bytes", kInUseRequest, 3, ERROR_INSUFFICIENT_BUFFER},
    {"no buffer", kInUseRequest, 0, ERROR_INSUFFICIENT_BUFFER},
};

TEST_F(DevicesTest, OtherRequestsFailAndLeaveTheBuffer) {
    hostwin::SetDevice("sftmdm", "0");
    HANDLE device = Open("\\\\.\\sftmdm");
    for (const BadRequestCase& c : kBadRequestCases) {
        DWORD word = kSentinel, returned = 0;
        SetLastError(kSentinel);
        EXPECT_FALSE(
            DeviceIoControl(device, c.code, nullptr, 0, &word, c.out_size, &returned, nullptr))
            << c.what;
        EXPECT_EQ(GetLastError(), c.error) << c.what;
        EXPECT_EQ(word, kSentinel) << c.what;
    }
    CloseHandle(device);
}

TEST_F(DevicesTest, OnlyDeviceHandlesTakeTheRequest) {
    HANDLE file =
        CreateFileA("C:\\WINDOWS\\f.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD word = kSentinel, returned = 0;
    EXPECT_FALSE(DeviceIoControl(file, kInUseRequest, nullptr, 0, &word, 4, &returned, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FUNCTION));
    CloseHandle(file);
    EXPECT_FALSE(DeviceIoControl(file, kInUseRequest, nullptr, 0, &word, 4, &returned, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(word, kSentinel);
}

TEST_F(DevicesTest, DeviceCallsCanBeMadeToFail) {
    hostwin::SetDevice("sftmdm", "0");
    hostwin::FailCall("CreateFileA", 1, ERROR_ACCESS_DENIED);
    EXPECT_EQ(Open("\\\\.\\sftmdm"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_STREQ(hostwin::DeviceOpenRequests(), ""); // the driver never saw it

    HANDLE device = Open("\\\\.\\sftmdm");
    hostwin::FailCall("DeviceIoControl", 1, ERROR_NOT_READY);
    DWORD word = kSentinel, returned = 0;
    EXPECT_FALSE(DeviceIoControl(device, kInUseRequest, nullptr, 0, &word, 4, &returned, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_READY));
    EXPECT_EQ(word, kSentinel);
    EXPECT_TRUE(DeviceIoControl(device, kInUseRequest, nullptr, 0, &word, 4, &returned, nullptr));
    EXPECT_EQ(word, 0u);
    CloseHandle(device);
}

} // namespace
