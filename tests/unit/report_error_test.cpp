// softuninst's ReportError: the message, the system's text for the last-error code and the
// code, in a warning box captioned "Uninstall Error".
#include "common/report_error_softuninst.h"

#include <hostwin/testing.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

class ReportErrorTest : public ::testing::Test {
  protected:
    void SetUp() override { hostwin::ResetMachine(); }

    // The one box the report showed.
    static hostwin::UiRecord Box() {
        std::vector<hostwin::UiRecord> boxes = hostwin::UiLogOf("MessageBox");
        EXPECT_EQ(boxes.size(), 1u);
        return boxes.empty() ? hostwin::UiRecord{} : boxes[0];
    }
};

TEST_F(ReportErrorTest, WithoutALastErrorShowsTheMessageAlone) {
    SetLastError(0);
    ReportError("Unable to fetch uninstall string '%s'", "SZ_DONE");
    hostwin::UiRecord box = Box();
    EXPECT_EQ(box.Text("caption"), "Uninstall Error");
    EXPECT_EQ(box.Text("text"), "Unable to fetch uninstall string 'SZ_DONE'");
    EXPECT_EQ(box.Number("type"), MB_ICONWARNING);
}

TEST_F(ReportErrorTest, AppendsTheSystemTextAndTheCode) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    ReportError("Unable to delete file '%s'", "C:\\WINDOWS\\system32\\VTRXIFS.dll");
    EXPECT_EQ(Box().Text("text"), "Unable to delete file 'C:\\WINDOWS\\system32\\VTRXIFS.dll'"
                                  ":\nThe system cannot find the file specified.\r\n"
                                  "(0x00000002)");
}

TEST_F(ReportErrorTest, ACodeWithoutSystemTextShowsTheCodeOnly) {
    SetLastError(0xE0000226);
    ReportError("Unable to create progress dialog");
    EXPECT_EQ(Box().Text("text"), "Unable to create progress dialog:\n(0xE0000226)");
}

TEST_F(ReportErrorTest, ReadsTheCodeAfterFormattingAndLeavesItToTheSystemCalls) {
    SetLastError(ERROR_ACCESS_DENIED);
    ReportError("Unable to delete key '%s'", "Software\\Hwctl");
    EXPECT_EQ(Box().Text("text"), "Unable to delete key 'Software\\Hwctl':\n"
                                  "Access is denied.\r\n(0x00000005)");
    EXPECT_EQ(hostwin::CallCount("FormatMessageA"), 1u);
    EXPECT_EQ(hostwin::CallCount("LocalFree"), 1u); // the system's buffer is given back
}

TEST_F(ReportErrorTest, ALongMessageIsCutAndTheRestFillsWhatIsLeft) {
    SetLastError(0);
    std::string path(2000, 'p');
    ReportError("Unable to delete file '%s'", path.c_str());
    std::string text = Box().Text("text");
    EXPECT_EQ(text.size(), 1023u); // the message text's 1024 bytes hold 1023 characters
    EXPECT_EQ(text.substr(0, 23), "Unable to delete file '");

    hostwin::ClearUiLog();
    SetLastError(ERROR_SHARING_VIOLATION);
    std::string shorter(980, 'q'); // leaves room for ":\n" and part of the system's text
    ReportError("%s", shorter.c_str());
    text = Box().Text("text");
    EXPECT_EQ(text.size(), 1023u);
    EXPECT_EQ(text.substr(980, 20), ":\nThe process cannot");
}

TEST_F(ReportErrorTest, AnAbsentMessageShowsAsEmpty) {
    SetLastError(0);
    ReportError(nullptr);
    EXPECT_EQ(Box().Text("text"), "");
    hostwin::ClearUiLog();
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    ReportError(nullptr);
    EXPECT_EQ(Box().Text("text"), ":\nInvalid window handle.\r\n(0x00000578)");
}

TEST_F(ReportErrorTest, AFailedFormattingShowsNoGarbage) {
    SetLastError(0);
    hostwin::FailCall("wvsprintfA", 1, ERROR_INVALID_PARAMETER);
    ReportError("Unable to delete file '%s'", "x");
    // The failure's own code is what the report then finds.
    EXPECT_EQ(Box().Text("text"), ":\nThe parameter is incorrect.\r\n(0x00000057)");
}

TEST_F(ReportErrorTest, AFailingBoxChangesNothingForTheCaller) {
    hostwin::FailCall("MessageBoxA", 1, ERROR_NOT_ENOUGH_MEMORY);
    SetLastError(0);
    ReportError("Unable to open key '%s'", "Software");
    EXPECT_EQ(Box().Number("answer"), 0);
}

} // namespace
