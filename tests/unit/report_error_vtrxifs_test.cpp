// VTRXIFS's ReportError: the caller's caption and the code after a blank.
#include "common/report_error_vtrxifs.h"

#include <hostwin/testing.h>
#include <windows.h>

#include <gtest/gtest.h>

namespace {

TEST(ReportErrorVtrxifs, TakesTheCaptionAndPutsABlankBeforeTheCode) {
    hostwin::ResetMachine();
    SetLastError(ERROR_FILE_NOT_FOUND);
    ReportError("CoInstaller Error", "Unable to open key '%s'", "Software\\TessalyUninstallInfo");
    std::vector<hostwin::UiRecord> boxes = hostwin::UiLogOf("MessageBox");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Text("caption"), "CoInstaller Error");
    EXPECT_EQ(boxes[0].Text("text"), "Unable to open key 'Software\\TessalyUninstallInfo':\n"
                                     "The system cannot find the file specified.\r\n"
                                     " (0x00000002)");
    EXPECT_EQ(boxes[0].Number("type"), MB_ICONWARNING);
}

TEST(ReportErrorVtrxifs, WithoutALastErrorShowsTheMessageAlone) {
    hostwin::ResetMachine();
    SetLastError(0);
    ReportError("CoInstaller Error", "Unable to start '%s'", "VTRXMSG.exe");
    EXPECT_EQ(hostwin::UiLogOf("MessageBox").at(0).Text("text"), "Unable to start 'VTRXMSG.exe'");
}

} // namespace
