// The progress dialog's template (softuninst/softuninst.rc, embedded into the tests) and the
// modeless dialog made from it: creation, centring, texts, progress, visibility, destruction.
#include <hostwin/testing.h>
#include <windows.h>
#include <commctrl.h>

#include "softuninst/resource.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// What the test's dialog procedure saw and does.
struct ProcLog {
    std::vector<UINT> messages;
    WPARAM last_wparam;
    LPARAM last_lparam;
    LPARAM init_param;
    bool centre;          // centre the dialog on WM_INITDIALOG, as the uninstaller does
    bool handle_settext;  // answer WM_SETTEXT with TRUE
    bool destroy_on_init; // destroy itself during WM_INITDIALOG
};

ProcLog proc_log;

INT_PTR CALLBACK TestDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    proc_log.messages.push_back(message);
    proc_log.last_wparam = wparam;
    proc_log.last_lparam = lparam;
    switch (message) {
    case WM_INITDIALOG: {
        proc_log.init_param = lparam;
        if (proc_log.destroy_on_init) {
            DestroyWindow(dialog);
            return TRUE;
        }
        if (!proc_log.centre)
            return TRUE;
        HWND desktop = GetDesktopWindow();
        if (desktop == nullptr)
            return FALSE;
        RECT d, r;
        GetWindowRect(desktop, &d);
        GetWindowRect(dialog, &r);
        int x = d.left + ((d.right - d.left) - (r.right - r.left)) / 2;
        int y = d.top + ((d.bottom - d.top) - (r.bottom - r.top)) / 2;
        SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE);
        return TRUE;
    }
    case WM_SETTEXT:
        return proc_log.handle_settext ? TRUE : FALSE;
    case WM_DESTROY:
        return TRUE;
    case WM_COMMAND:
        return wparam == 2 ? TRUE : FALSE;
    default:
        return FALSE;
    }
}

class Dialog : public ::testing::Test {
  protected:
    void SetUp() override {
        hostwin::ResetMachine();
        proc_log = ProcLog{};
        proc_log.centre = true;
    }

    HWND Create(LPARAM param = 0) {
        InitCommonControls();
        return CreateDialogParamA(nullptr, MAKEINTRESOURCEA(IDD_PROGRESS), nullptr, TestDialogProc,
                                  param);
    }

    static std::string TextOf(HWND window) {
        char text[256];
        GetWindowTextA(window, text, sizeof text);
        return text;
    }

    static std::vector<std::string> DialogLog() {
        std::vector<std::string> lines;
        for (const hostwin::UiRecord& r : hostwin::UiLogOf("Dialog"))
            lines.push_back(r.json);
        return lines;
    }
};

TEST_F(Dialog, TheTemplateIsTheClassicEnglishProgressDialog) {
    hostwin::DialogTemplateInfo t;
    ASSERT_TRUE(hostwin::ReadDialogTemplate(IDD_PROGRESS, &t));
    EXPECT_EQ(t.language, 1033);
    EXPECT_FALSE(t.extended);
    EXPECT_EQ(t.style, static_cast<DWORD>(WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT));
    EXPECT_EQ(t.ex_style, 0u);
    EXPECT_EQ(t.x, 0);
    EXPECT_EQ(t.y, 0);
    EXPECT_EQ(t.cx, 186);
    EXPECT_EQ(t.cy, 39);
    EXPECT_EQ(t.caption, "DeroRirid Uninstall");
    EXPECT_EQ(t.font_size, 8);
    EXPECT_EQ(t.font_name, "MS Sans Serif");
    ASSERT_EQ(t.controls.size(), 2u);

    const hostwin::ControlTemplateInfo& line = t.controls[0];
    EXPECT_EQ(line.text, "ProgressDescription");
    EXPECT_EQ(line.id, 301);
    EXPECT_EQ(line.class_name, "Static");
    EXPECT_EQ(line.style, static_cast<DWORD>(WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT));
    EXPECT_EQ((std::vector<int>{line.x, line.y, line.cx, line.cy}),
              (std::vector<int>{7, 7, 172, 11}));

    const hostwin::ControlTemplateInfo& bar = t.controls[1];
    EXPECT_EQ(bar.text, "ProgressBar");
    EXPECT_EQ(bar.id, 201);
    EXPECT_EQ(bar.class_name, "msctls_progress32");
    EXPECT_EQ(bar.style, static_cast<DWORD>(WS_CHILD | WS_VISIBLE | WS_BORDER));
    EXPECT_EQ((std::vector<int>{bar.x, bar.y, bar.cx, bar.cy}), (std::vector<int>{7, 19, 172, 13}));
}

TEST_F(Dialog, IsCreatedHiddenAndCentredOnTheDesktop) {
    HWND dialog = Create(1234);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(proc_log.messages.at(0), static_cast<UINT>(WM_INITDIALOG));
    EXPECT_EQ(proc_log.init_param, 1234);
    EXPECT_FALSE(IsWindowVisible(dialog));
    EXPECT_EQ(TextOf(dialog), "DeroRirid Uninstall");
    EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_DESCRIPTION)), "ProgressDescription");

    // 186 x 39 units of 8-point MS Sans Serif are 279 x 63 pixels, plus the modal frame and
    // the caption: 285 x 88, centred on 1024 x 768.
    RECT r;
    ASSERT_TRUE(GetWindowRect(dialog, &r));
    EXPECT_EQ((std::vector<LONG>{r.left, r.top, r.right, r.bottom}),
              (std::vector<LONG>{369, 340, 369 + 285, 340 + 88}));
    EXPECT_EQ(DialogLog(), (std::vector<std::string>{
                               "{\"event\":\"Dialog\",\"action\":\"create\",\"id\":101}",
                               "{\"event\":\"Dialog\",\"action\":\"move\",\"x\":369,\"y\":340,"
                               "\"width\":285,\"height\":88}",
                           }));
}

TEST_F(Dialog, PlacesItsControlsInTheClientArea) {
    proc_log.centre = false; // the template's place: the desktop's top left corner
    HWND dialog = Create();
    RECT r, line, bar;
    GetWindowRect(dialog, &r);
    GetWindowRect(GetDlgItem(dialog, IDC_DESCRIPTION), &line);
    GetWindowRect(GetDlgItem(dialog, IDC_PROGRESS), &bar);
    EXPECT_EQ((std::vector<LONG>{r.left, r.top, r.right, r.bottom}),
              (std::vector<LONG>{0, 0, 285, 88}));
    // The client area starts at (3, 22); 7 units are 11 pixels across and 11 down.
    EXPECT_EQ((std::vector<LONG>{line.left, line.top, line.right, line.bottom}),
              (std::vector<LONG>{14, 33, 14 + 258, 33 + 18}));
    EXPECT_EQ((std::vector<LONG>{bar.left, bar.top, bar.right, bar.bottom}),
              (std::vector<LONG>{14, 53, 14 + 258, 53 + 21}));
}

TEST_F(Dialog, TooLargeForTheDesktopIsPlacedLeftAndAboveByHalfTheExcess) {
    hostwin::SetDesktopSize(282, 85); // 3 pixels too narrow and too low
    HWND dialog = Create();
    RECT r;
    GetWindowRect(dialog, &r);
    EXPECT_EQ(r.left, -1);
    EXPECT_EQ(r.top, -1);
}

TEST_F(Dialog, NeedsTheCommonControlsForItsProgressBar) {
    SetLastError(0);
    EXPECT_EQ(
        CreateDialogParamA(nullptr, MAKEINTRESOURCEA(IDD_PROGRESS), nullptr, TestDialogProc, 0),
        nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
    EXPECT_TRUE(proc_log.messages.empty());
    EXPECT_TRUE(DialogLog().empty());
}

TEST_F(Dialog, AMissingTemplateFailsWithResourceNameNotFound) {
    InitCommonControls();
    EXPECT_EQ(CreateDialogParamA(nullptr, MAKEINTRESOURCEA(102), nullptr, TestDialogProc, 0),
              nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
}

TEST_F(Dialog, CreationCanBeMadeToFail) {
    hostwin::FailCall("CreateDialogParamA", 1, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(Create(), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_TRUE(proc_log.messages.empty());
    EXPECT_NE(Create(), nullptr);
}

TEST_F(Dialog, WithoutADesktopWindowTheProcedureCannotCentre) {
    hostwin::FailCall("GetDesktopWindow", 1, ERROR_INVALID_WINDOW_HANDLE);
    HWND dialog = Create();
    ASSERT_NE(dialog, nullptr); // WM_INITDIALOG's FALSE does not stop the creation
    RECT r;
    GetWindowRect(dialog, &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(Dialog, WmSetTextSetsTheCaptionUnlessTheProcedureHandlesIt) {
    HWND dialog = Create();
    hostwin::ClearUiLog();
    SendMessageA(dialog, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Removing DeroRirid"));
    EXPECT_EQ(TextOf(dialog), "Removing DeroRirid");
    proc_log.handle_settext = true;
    SendMessageA(dialog, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("ignored"));
    EXPECT_EQ(TextOf(dialog), "Removing DeroRirid");
    EXPECT_EQ(DialogLog(), (std::vector<std::string>{"{\"event\":\"Dialog\",\"action\":\"caption\","
                                                     "\"text\":\"Removing DeroRirid\"}"}));
}

TEST_F(Dialog, ItemTextAndProgressAreKeptAndLogged) {
    HWND dialog = Create();
    hostwin::ClearUiLog();
    EXPECT_TRUE(SetDlgItemTextA(dialog, IDC_DESCRIPTION, "Checking"));
    EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_DESCRIPTION)), "Checking");
    HWND bar = GetDlgItem(dialog, IDC_PROGRESS);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(SendMessageA(bar, PBM_SETPOS, 10, 0), 0);   // the previous position
    EXPECT_EQ(SendMessageA(bar, PBM_SETPOS, 150, 0), 10); // kept within the range 0..100
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 100);
    EXPECT_EQ(DialogLog(), (std::vector<std::string>{
                               "{\"event\":\"Dialog\",\"action\":\"item-text\",\"id\":301,"
                               "\"text\":\"Checking\"}",
                               "{\"event\":\"Dialog\",\"action\":\"progress\",\"id\":201,"
                               "\"value\":10}",
                               "{\"event\":\"Dialog\",\"action\":\"progress\",\"id\":201,"
                               "\"value\":100}",
                           }));
}

TEST_F(Dialog, AnUnknownControlIsNotFound) {
    HWND dialog = Create();
    EXPECT_EQ(GetDlgItem(dialog, 999), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CONTROL_ID_NOT_FOUND));
    EXPECT_FALSE(SetDlgItemTextA(dialog, 999, "x"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CONTROL_ID_NOT_FOUND));
    hostwin::FailCall("SetDlgItemTextA", 1, ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_FALSE(SetDlgItemTextA(dialog, IDC_DESCRIPTION, "x"));
    EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_DESCRIPTION)), "ProgressDescription");
}

TEST_F(Dialog, IsShownHiddenAndDestroyed) {
    HWND dialog = Create();
    hostwin::ClearUiLog();
    EXPECT_FALSE(ShowWindow(dialog, SW_SHOW)); // it was hidden
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(dialog, IDC_PROGRESS)));
    EXPECT_TRUE(ShowWindow(dialog, SW_HIDE));
    EXPECT_FALSE(IsWindowVisible(dialog));
    proc_log.messages.clear();
    EXPECT_TRUE(DestroyWindow(dialog));
    EXPECT_EQ(proc_log.messages.at(0), static_cast<UINT>(WM_DESTROY));
    RECT r;
    EXPECT_FALSE(GetWindowRect(dialog, &r));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_EQ(DialogLog(), (std::vector<std::string>{
                               "{\"event\":\"Dialog\",\"action\":\"show\"}",
                               "{\"event\":\"Dialog\",\"action\":\"hide\"}",
                               "{\"event\":\"Dialog\",\"action\":\"destroy\"}",
                           }));
}

TEST_F(Dialog, CommandsReachTheProcedureBeforeTheSendReturns) {
    HWND dialog = Create();
    proc_log.messages.clear();
    EXPECT_EQ(SendMessageA(dialog, WM_COMMAND, 2, 50), 0);
    ASSERT_EQ(proc_log.messages.size(), 1u);
    EXPECT_EQ(proc_log.messages[0], static_cast<UINT>(WM_COMMAND));
    EXPECT_EQ(proc_log.last_wparam, 2u);
    EXPECT_EQ(proc_log.last_lparam, 50);
    EXPECT_EQ(SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(2, 1), 0), 0); // not handled
    EXPECT_TRUE(hostwin::UiLogOf("SendMessage").empty());                // the program's own window
}

TEST_F(Dialog, PlacementAndDestructionCanBeMadeToFail) {
    proc_log.centre = false;
    HWND dialog = Create();
    hostwin::ClearUiLog();
    hostwin::FailCall("SetWindowPos", 1, ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_FALSE(SetWindowPos(dialog, nullptr, 10, 10, 0, 0, SWP_NOSIZE));
    hostwin::FailCall("GetWindowRect", 1, ERROR_INVALID_WINDOW_HANDLE);
    RECT r{-7, -7, -7, -7};
    EXPECT_FALSE(GetWindowRect(dialog, &r));
    EXPECT_EQ(r.left, -7); // untouched
    hostwin::FailCall("ShowWindow", 1, ERROR_INVALID_WINDOW_HANDLE);
    ShowWindow(dialog, SW_SHOW);
    EXPECT_FALSE(IsWindowVisible(dialog));
    hostwin::FailCall("DestroyWindow", 1, ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_FALSE(DestroyWindow(dialog));
    ASSERT_TRUE(GetWindowRect(dialog, &r)); // still there, where it was
    EXPECT_EQ(r.left, 0);
    EXPECT_TRUE(DialogLog().empty());
}

TEST_F(Dialog, AFailedInitialisationOfTheCommonControlsLeavesNoProgressBar) {
    hostwin::FailCall("InitCommonControls", 1, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(Create(), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
}

TEST_F(Dialog, AProcedureThatDestroysItsDialogEndsTheCreation) {
    proc_log.destroy_on_init = true;
    EXPECT_EQ(Create(), nullptr);
}

} // namespace
