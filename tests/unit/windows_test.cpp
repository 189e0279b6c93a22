// Top-level windows: finding other programs' windows, sending to them, the program's own
// windows from registered classes, and the message loop's calls.
#include <hostwin/testing.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Received {
    HWND window;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
};

std::vector<Received> received;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    received.push_back(Received{window, message, wparam, lparam});
    return message == WM_USER ? 77 : 0;
}

LRESULT CALLBACK AppletProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    received.push_back(Received{window, message, wparam, lparam});
    if (message == WM_DESTROY) {
        PostQuitMessage(3);
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

const char kApplet[] = "VTRXMSG";
const char kTitle[] = "Veltrane Technologies Soft Modem Monitor";

class Windows : public ::testing::Test {
  protected:
    void SetUp() override {
        hostwin::ResetMachine();
        received.clear();
    }
};

TEST_F(Windows, FindsAWindowByClassAndTitleWithoutRegardToCase) {
    HWND applet = hostwin::CreateForeignWindow(kApplet, kTitle, RecordingProc);
    HWND other = hostwin::CreateForeignWindow(kApplet, "Another Title", RecordingProc);
    EXPECT_EQ(FindWindowA(kApplet, kTitle), applet);
    EXPECT_EQ(FindWindowA("vtrxmsg", "VELTRANE technologies soft modem monitor"), applet);
    EXPECT_EQ(FindWindowA(kApplet, "Another Title"), other);
    EXPECT_EQ(FindWindowA(kApplet, "Veltrane"), nullptr); // whole titles only
    EXPECT_EQ(FindWindowA("VTRXMSG2", kTitle), nullptr);
    EXPECT_EQ(FindWindowA(nullptr, kTitle), applet); // null matches every class
    EXPECT_EQ(FindWindowA(kApplet, nullptr), other); // ... or every title: the newest
}

TEST_F(Windows, TheNewestOfTwoAlikeIsFoundAndOnlyItGetsTheMessage) {
    HWND older = hostwin::CreateForeignWindow(kApplet, kTitle, RecordingProc);
    HWND newer = hostwin::CreateForeignWindow(kApplet, kTitle, RecordingProc);
    ASSERT_NE(older, newer);
    HWND found = FindWindowA(kApplet, kTitle);
    EXPECT_EQ(found, newer);
    SendMessageA(found, WM_DESTROY, 0, 0);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].window, newer);

    hostwin::DestroyForeignWindow(newer);
    EXPECT_EQ(FindWindowA(kApplet, kTitle), older);
    hostwin::DestroyForeignWindow(older);
    EXPECT_EQ(FindWindowA(kApplet, kTitle), nullptr);
}

TEST_F(Windows, ASendToAnotherProgramsWindowRunsItsProcedureAndIsLogged) {
    HWND applet = hostwin::CreateForeignWindow(kApplet, kTitle, RecordingProc);
    EXPECT_EQ(SendMessageA(applet, WM_USER, 5, -6), 77);
    EXPECT_EQ(SendMessageA(applet, WM_DESTROY, 0, 0), 0);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].message, static_cast<UINT>(WM_USER));
    EXPECT_EQ(received[0].wparam, 5u);
    EXPECT_EQ(received[0].lparam, -6);
    std::vector<hostwin::UiRecord> sends = hostwin::UiLogOf("SendMessage");
    ASSERT_EQ(sends.size(), 2u);
    EXPECT_EQ(sends[1].json, "{\"event\":\"SendMessage\",\"class\":\"VTRXMSG\",\"title\":"
                             "\"Veltrane Technologies Soft Modem Monitor\",\"message\":2}");
}

TEST_F(Windows, FailedFindsAndSendsReachNoWindow) {
    HWND applet = hostwin::CreateForeignWindow(kApplet, kTitle, RecordingProc);
    hostwin::FailCall("FindWindowA", 1, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(FindWindowA(kApplet, kTitle), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    hostwin::FailCall("SendMessageA", 1, ERROR_TIMEOUT);
    EXPECT_EQ(SendMessageA(applet, WM_DESTROY, 0, 0), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
    EXPECT_TRUE(received.empty());
    EXPECT_TRUE(hostwin::UiLogOf("SendMessage").empty());

    hostwin::DestroyForeignWindow(applet);
    EXPECT_EQ(SendMessageA(applet, WM_DESTROY, 0, 0), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_TRUE(received.empty());
}

TEST_F(Windows, AnotherProgramsWindowCannotBeDestroyedFromHere) {
    HWND applet = hostwin::CreateForeignWindow(kApplet, kTitle, RecordingProc);
    EXPECT_FALSE(DestroyWindow(applet));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(FindWindowA(kApplet, kTitle), applet);
}

TEST_F(Windows, OwnWindowsComeFromRegisteredClasses) {
    WNDCLASSA c = {};
    c.lpfnWndProc = AppletProc;
    c.lpszClassName = kApplet;
    EXPECT_NE(RegisterClassA(&c), 0);
    EXPECT_EQ(RegisterClassA(&c), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));
    EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0,
                              CW_USEDEFAULT, 0, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));

    HWND window = CreateWindowExA(0, "vtrxmsg", kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0,
                                  CW_USEDEFAULT, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    ASSERT_GE(received.size(), 2u);
    EXPECT_EQ(received[0].message, static_cast<UINT>(WM_NCCREATE));
    EXPECT_EQ(received[1].message, static_cast<UINT>(WM_CREATE));
    EXPECT_EQ(FindWindowA(kApplet, kTitle), window);
    EXPECT_FALSE(IsWindowVisible(window));

    // A send to the program's own window is no message to another program: not logged.
    SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("New title"));
    char title[64];
    EXPECT_EQ(GetWindowTextA(window, title, sizeof title), 9);
    EXPECT_STREQ(title, "New title");
    EXPECT_TRUE(hostwin::UiLogOf("SendMessage").empty());

    received.clear();
    EXPECT_TRUE(DestroyWindow(window));
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].message, static_cast<UINT>(WM_DESTROY));
    EXPECT_EQ(received[1].message, static_cast<UINT>(WM_NCDESTROY));
    EXPECT_EQ(FindWindowA(kApplet, nullptr), nullptr);
}

TEST_F(Windows, TheQuitMessageEndsTheMessageLoop) {
    MSG msg;
    // On the in-memory machine nothing else could ever send: waiting is refused.
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED));
    PostQuitMessage(3);
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), FALSE);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 3u);
    hostwin::FailCall("GetMessageA", 1, ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), -1);
}

} // namespace
