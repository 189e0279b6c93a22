// FormatMessageA with the system's texts, and LocalFree.
#include <hostwin/testing.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string.h>

namespace {

const DWORD kSystemTextFlags =
    FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER;
const DWORD kUserDefaultLanguage = 0x400;

class ErrorText : public ::testing::Test {
  protected:
    void SetUp() override { hostwin::ResetMachine(); }
};

// Asks as the error report does; returns the text ("" when there is none) and the result.
std::string SystemText(DWORD code, DWORD* result, DWORD language = kUserDefaultLanguage) {
    LPSTR text = reinterpret_cast<LPSTR>(0x1); // a sentinel the call must overwrite
    *result = FormatMessageA(kSystemTextFlags, nullptr, code, language,
                             reinterpret_cast<LPSTR>(&text), 0, nullptr);
    if (text == nullptr)
        return "";
    EXPECT_NE(text, reinterpret_cast<LPSTR>(0x1));
    std::string copy = text;
    EXPECT_EQ(LocalFree(text), nullptr);
    return copy;
}

struct TextCase {
    DWORD code;
    const char* text;
};

// Columns: code, the system's US English text with its CR LF.
const TextCase kTexts[] = {
    {0, "The operation completed successfully.\r\n"},
    {2, "The system cannot find the file specified.\r\n"},
    {3, "The system cannot find the path specified.\r\n"},
    {5, "Access is denied.\r\n"},
    {6, "The handle is invalid.\r\n"},
    {8, "Not enough storage is available to process this command.\r\n"},
    {32, "The process cannot access the file because it is being used by another process.\r\n"},
    {87, "The parameter is incorrect.\r\n"},
    {122, "The data area passed to a system call is too small.\r\n"},
    {161, "The specified path is invalid.\r\n"},
    {183, "Cannot create a file when that file already exists.\r\n"},
    {193, "%1 is not a valid Win32 application.\r\n"}, // the insert stays as it is
    {234, "More data is available.\r\n"},
    {259, "No more data is available.\r\n"},
    {267, "The directory name is invalid.\r\n"},
    {998, "Invalid access to memory location.\r\n"},
    {1009, "The configuration registry database is corrupt.\r\n"},
    {1010, "The configuration registry key is invalid.\r\n"},
    {1011, "The configuration registry key could not be opened.\r\n"},
    {1012, "The configuration registry key could not be read.\r\n"},
    {1013, "The configuration registry key could not be written.\r\n"},
    {1018, "Illegal operation attempted on a registry key that has been marked for deletion.\r\n"},
    {1400, "Invalid window handle.\r\n"},
    {1407, "Cannot find window class.\r\n"},
    {1812, "The specified image file did not contain a resource section.\r\n"},
    {1813, "The specified resource type cannot be found in the image file.\r\n"},
    {1814, "The specified resource name cannot be found in the image file.\r\n"},
};

TEST_F(ErrorText, GivesTheSystemTextsWithTheirLineEnd) {
    for (const TextCase& c : kTexts) {
        DWORD result;
        EXPECT_EQ(SystemText(c.code, &result), c.text) << "code " << c.code;
        EXPECT_EQ(result, strlen(c.text)) << "code " << c.code;
    }
}

TEST_F(ErrorText, CodesWithoutSystemTextFailWithMessageNotFound) {
    // Columns: a code that the system has no text for.
    const DWORD kCodes[] = {0xE0000226, 0xE000020B, 7777, 0xFFFFFFFF};
    for (DWORD code : kCodes) {
        SetLastError(0xdeadbeef);
        DWORD result;
        EXPECT_EQ(SystemText(code, &result), "");
        EXPECT_EQ(result, 0u);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MR_MID_NOT_FOUND)) << code;
    }
}

TEST_F(ErrorText, ReachesTheEnglishTextsOnlyThroughTheirLanguages) {
    DWORD result;
    EXPECT_EQ(SystemText(5, &result, 0), "Access is denied.\r\n");
    EXPECT_EQ(SystemText(5, &result, 0x409), "Access is denied.\r\n");
    EXPECT_EQ(SystemText(5, &result, 0x407), ""); // German: not on this system
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_LANG_NOT_FOUND));
}

TEST_F(ErrorText, WritesIntoTheCallersBufferWhenItIsLargeEnough) {
    char buffer[64];
    memset(buffer, 'Z', sizeof buffer);
    DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    EXPECT_EQ(FormatMessageA(flags, nullptr, 5, 0, buffer, sizeof buffer, nullptr), 19u);
    EXPECT_STREQ(buffer, "Access is denied.\r\n");

    SetLastError(0);
    memset(buffer, 'Z', sizeof buffer);
    EXPECT_EQ(FormatMessageA(flags, nullptr, 5, 0, buffer, 19, nullptr), 0u); // no room for NUL
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

TEST_F(ErrorText, OtherSourcesAndInsertsAreNotImplemented) {
    char buffer[64];
    DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM; // inserts would be replaced
    EXPECT_EQ(FormatMessageA(flags, nullptr, 5, 0, buffer, sizeof buffer, nullptr), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED));
    flags = FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_IGNORE_INSERTS;
    EXPECT_EQ(FormatMessageA(flags, "text", 0, 0, buffer, sizeof buffer, nullptr), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED));
}

TEST_F(ErrorText, AnInjectedFailureLeavesNoBuffer) {
    hostwin::FailCall("FormatMessageA", 1, ERROR_NOT_ENOUGH_MEMORY);
    DWORD result;
    EXPECT_EQ(SystemText(2, &result), "");
    EXPECT_EQ(result, 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(SystemText(2, &result), "The system cannot find the file specified.\r\n");
}

TEST_F(ErrorText, LocalFreeTakesOnlyWhatTheSystemAllocated) {
    EXPECT_EQ(LocalFree(nullptr), nullptr);
    char not_allocated[4];
    SetLastError(0);
    EXPECT_EQ(LocalFree(not_allocated), static_cast<HLOCAL>(not_allocated));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

    LPSTR text = nullptr;
    ASSERT_NE(
        FormatMessageA(kSystemTextFlags, nullptr, 2, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr),
        0u);
    hostwin::FailCall("LocalFree", 1, ERROR_INVALID_HANDLE);
    EXPECT_EQ(LocalFree(text), static_cast<HLOCAL>(text));
    EXPECT_EQ(LocalFree(text), nullptr);                   // still allocated after the failure
    EXPECT_EQ(LocalFree(text), static_cast<HLOCAL>(text)); // freed once only
}

} // namespace
