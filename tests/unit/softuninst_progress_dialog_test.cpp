// The progress dialog: its creation and centring, the progress commands and their failures.
#include "softuninst_fixture.h"

#include "registry_probe.h"
#include "softuninst/progress_dialog.h"
#include "softuninst/resource.h"
#include "softuninst/uninstall_sequence.h"

#include <commctrl.h>

namespace {

class ProgressDialog : public SoftuninstTest {
  protected:
    void SetUp() override {
        SoftuninstTest::SetUp();
        WriteInfo();
        Load();
    }
    void TearDown() override {
        if (dialog_ != nullptr)
            DestroyWindow(dialog_);
        SoftuninstTest::TearDown();
    }

    // Creates the dialog as RunWithProgressDialog does and empties the UI log.
    HWND Create() {
        InitCommonControls();
        dialog_ = CreateDialogParamA(nullptr, MAKEINTRESOURCEA(IDD_PROGRESS), nullptr,
                                     ProgressDialogProc, 0);
        EXPECT_NE(dialog_, nullptr);
        return dialog_;
    }

    INT_PTR Command(WPARAM command, LPARAM argument) {
        return ProgressDialogProc(dialog_, WM_COMMAND, command, argument);
    }
    static LPARAM Tag(const char* tag) { return reinterpret_cast<LPARAM>(tag); }

    std::string Caption() {
        char text[256] = "";
        GetWindowTextA(dialog_, text, sizeof text);
        return text;
    }
    std::string Line() {
        char text[256] = "";
        GetWindowTextA(GetDlgItem(dialog_, IDC_DESCRIPTION), text, sizeof text);
        return text;
    }

    HWND dialog_ = nullptr;
};

TEST_F(ProgressDialog, CreatedHiddenWithTheTemplateTexts) {
    Create();
    EXPECT_FALSE(IsWindowVisible(dialog_));
    EXPECT_EQ(Caption(), "DeroRirid Uninstall");
    EXPECT_EQ(Line(), "ProgressDescription");
}

TEST_F(ProgressDialog, CommandsSetCaptionLineAndBar) {
    Create();
    hostwin::ClearUiLog();
    EXPECT_EQ(Command(ProgressTitle, Tag("SZ_PROGRESS_TITLE")), TRUE);
    EXPECT_EQ(Command(ProgressText, Tag("sz_removing_files")), TRUE); // without regard to case
    EXPECT_EQ(Command(ProgressPosition, 37), TRUE);                   // passed on unchanged
    EXPECT_EQ(Caption(), TextOf("SZ_PROGRESS_TITLE"));
    EXPECT_EQ(Line(), TextOf("SZ_REMOVING_FILES"));
    EXPECT_EQ(SendMessageA(GetDlgItem(dialog_, IDC_PROGRESS), PBM_GETPOS, 0, 0), 37);
    EXPECT_EQ(View(),
              (std::vector<std::string>{"caption " + TextOf("SZ_PROGRESS_TITLE"),
                                        "text " + TextOf("SZ_REMOVING_FILES"), "progress 37"}));
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(ProgressDialog, NullTagsShowALiteral) {
    Create();
    EXPECT_EQ(Command(ProgressTitle, 0), TRUE);
    EXPECT_EQ(Command(ProgressText, 0), TRUE);
    EXPECT_EQ(Caption(), "<NULL tag>");
    EXPECT_EQ(Line(), "<NULL tag>");
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(ProgressDialog, MissingTagIsReportedAndLeavesEmptyText) {
    Create();
    EXPECT_EQ(Command(ProgressText, Tag("SZ_NOWHERE")), TRUE);
    EXPECT_EQ(Command(ProgressTitle, Tag("SZ_NOWHERE")), TRUE);
    EXPECT_EQ(Line(), "");
    EXPECT_EQ(Caption(), "");
    Box miss = ErrorBox("Unable to fetch uninstall string 'SZ_NOWHERE'");
    EXPECT_EQ(Boxes(), (std::vector<Box>{miss, miss}));
}

TEST_F(ProgressDialog, OtherCommandsAndMessagesAreNotHandled) {
    Create();
    hostwin::ClearUiLog();
    // Columns: message, wParam, lParam.
    const struct {
        UINT message;
        WPARAM wparam;
        LPARAM lparam;
    } cases[] = {
        {WM_COMMAND, 3, Tag("SZ_DONE")},
        {WM_COMMAND, MAKEWPARAM(ProgressText, 1), Tag("SZ_DONE")}, // a notification code
        {WM_COMMAND, MAKEWPARAM(ProgressPosition, 0x8000), 50},
        {WM_COMMAND, static_cast<WPARAM>(-1), 0},
        {WM_SETTEXT, 0, Tag("x")},
        {WM_CLOSE, 0, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProgressDialogProc(dialog_, c.message, c.wparam, c.lparam), FALSE)
            << c.message << " " << c.wparam;
    EXPECT_EQ(ProgressDialogProc(dialog_, WM_DESTROY, 0, 0), TRUE);
    EXPECT_EQ(Line(), "ProgressDescription");
    EXPECT_TRUE(hostwin::UiLog().empty());
}

TEST_F(ProgressDialog, CentringArithmetic) {
    // Columns: desktop rectangle, window rectangle, expected place.
    const struct {
        RECT desktop;
        RECT window;
        LONG x, y;
    } cases[] = {
        {{0, 0, 800, 600}, {0, 0, 283, 80}, 258, 260},
        {{0, 0, 800, 600}, {10, 20, 813, 100}, -1, 260},  // 3 px too wide: left by 1
        {{100, 50, 900, 650}, {0, 0, 803, 605}, 99, 48},  // D.left - 1, D.top - 2
        {{0, 0, 1024, 768}, {0, 0, 1029, 768}, -2, 0},    // -5 / 2 truncates to -2
        {{-1024, 0, 0, 768}, {0, 0, 285, 88}, -655, 340}, // a desktop left of the origin
    };
    for (const auto& c : cases) {
        POINT at = CentredPosition(c.desktop, c.window);
        EXPECT_EQ(at.x, c.x);
        EXPECT_EQ(at.y, c.y);
    }
}

TEST_F(ProgressDialog, CentredOnTheDesktopAtCreation) {
    hostwin::SetDesktopSize(800, 600);
    Create();
    RECT r;
    ASSERT_TRUE(GetWindowRect(dialog_, &r));
    EXPECT_EQ(r.right - r.left, 285); // the template's size in pixels stays
    EXPECT_EQ(r.bottom - r.top, 88);
    EXPECT_EQ(r.left, 257);
    EXPECT_EQ(r.top, 256);

    DestroyWindow(dialog_);
    hostwin::SetDesktopSize(282, 600); // 3 px narrower than the dialog
    Create();
    ASSERT_TRUE(GetWindowRect(dialog_, &r));
    EXPECT_EQ(r.left, -1);
}

TEST_F(ProgressDialog, NoDesktopWindowIsReported) {
    hostwin::FailCall("GetDesktopWindow", 1, ERROR_INVALID_WINDOW_HANDLE);
    Create();
    ASSERT_NE(dialog_, nullptr); // the dialog exists, where the template put it
    EXPECT_EQ(View(), (std::vector<std::string>{"create",
                                                "box Uninstall Error | " + TextOf("SZ_ERROR") +
                                                    ":\nInvalid window handle.\r\n(0x00000578)"}));
    // The procedure's own answer.
    hostwin::FailCall("GetDesktopWindow", 1, ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_EQ(ProgressDialogProc(dialog_, WM_INITDIALOG, 0, 0), FALSE);
}

TEST_F(ProgressDialog, FailingTextOrBarIsReported) {
    Create();
    hostwin::ClearUiLog();
    hostwin::FailCall("SetDlgItemTextA", 1, ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_EQ(Command(ProgressText, Tag("SZ_DONE")), FALSE);
    hostwin::FailCall("GetDlgItem", 1, ERROR_CONTROL_ID_NOT_FOUND);
    EXPECT_EQ(Command(ProgressPosition, 50), FALSE);
    EXPECT_EQ(Boxes(),
              (std::vector<Box>{
                  ErrorBox(TextOf("SZ_ERROR") + ":\nInvalid window handle.\r\n(0x00000578)"),
                  ErrorBox(TextOf("SZ_ERROR") + ":\nControl ID not found.\r\n(0x0000058D)"),
              }));
}

TEST_F(ProgressDialog, ATextWithPercentSignsIsShownAsItStands) {
    WriteString(kInfo + "\\InternationalizationStrings", "SZ_ERROR", "100%s %d%% failed");
    Load();
    Create();
    hostwin::FailCall("GetDlgItem", 1, ERROR_CONTROL_ID_NOT_FOUND);
    SetLastError(0);
    EXPECT_EQ(Command(ProgressPosition, 50), FALSE);
    std::vector<Box> boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.substr(0, 18), "100%s %d%% failed:");
}

TEST_F(ProgressDialog, CreationFailureRemovesNothing) {
    InstallPackage();
    hostwin::FailCall("CreateDialogParamA", 1, ERROR_RESOURCE_NAME_NOT_FOUND);
    EXPECT_EQ(RunWithProgressDialog(nullptr), kUninstallSystemFailure);
    EXPECT_EQ(View(), std::vector<std::string>{
                          "box Uninstall Error | Unable to create progress dialog:\n"
                          "The specified resource name cannot be found in the image file.\r\n"
                          "(0x00000716)"});
    EXPECT_TRUE(KeyExists(kInfo));
    EXPECT_TRUE(KeyExists(kConfig));
    EXPECT_TRUE(FileThere("C:\\WINDOWS\\VTRXMSG.exe"));
    EXPECT_TRUE(ToolRuns().empty());
}

} // namespace
