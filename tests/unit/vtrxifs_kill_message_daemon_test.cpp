// KillMessageDaemon: the monitor applet's window, found by class and title together, gets
// WM_DESTROY; nothing else is touched, and the result is always 0.
#include "vtrxifs/exports.h"

#include <hostwin/testing.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

const char kClass[] = "VTRXMSG";
const char kTitle[] = "Veltrane Technologies Soft Modem Monitor";

struct Received {
    HWND window;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
};
std::vector<Received> received;

LRESULT CALLBACK AppletProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    received.push_back(Received{window, message, wparam, lparam});
    return 0;
}

class KillMessageDaemonTest : public ::testing::Test {
  protected:
    void SetUp() override {
        hostwin::ResetMachine();
        received.clear();
    }
};

TEST_F(KillMessageDaemonTest, WithoutTheAppletSendsNothing) {
    EXPECT_EQ(KillMessageDaemon(), 0);
    EXPECT_TRUE(received.empty());
    EXPECT_TRUE(hostwin::UiLogOf("SendMessage").empty());
}

TEST_F(KillMessageDaemonTest, TheAppletsWindowReceivesWmDestroy) {
    HWND applet = hostwin::CreateForeignWindow(kClass, kTitle, AppletProc);
    EXPECT_EQ(KillMessageDaemon(), 0);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].window, applet);
    EXPECT_EQ(received[0].message, static_cast<UINT>(WM_DESTROY));
    EXPECT_EQ(received[0].wparam, 0u);
    EXPECT_EQ(received[0].lparam, 0);
    std::vector<hostwin::UiRecord> sent = hostwin::UiLogOf("SendMessage");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].Text("class"), kClass);
    EXPECT_EQ(sent[0].Text("title"), kTitle);
    EXPECT_EQ(sent[0].Number("message"), WM_DESTROY);
}

TEST_F(KillMessageDaemonTest, AWindowOfTheClassWithAnotherTitleIsNotTouched) {
    hostwin::CreateForeignWindow(kClass, "Another Monitor", AppletProc);
    hostwin::CreateForeignWindow("VTRXTRAY", kTitle, AppletProc);
    EXPECT_EQ(KillMessageDaemon(), 0);
    EXPECT_TRUE(received.empty());
    EXPECT_TRUE(hostwin::UiLogOf("SendMessage").empty());
}

TEST_F(KillMessageDaemonTest, OnlyTheWindowFindWindowReturnsGetsTheMessage) {
    HWND older = hostwin::CreateForeignWindow(kClass, kTitle, AppletProc);
    HWND newer = hostwin::CreateForeignWindow(kClass, kTitle, AppletProc);
    EXPECT_EQ(KillMessageDaemon(), 0);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].window, newer);
    EXPECT_NE(received[0].window, older);
}

TEST_F(KillMessageDaemonTest, AFailingSearchEndsInZeroWithNothingSent) {
    hostwin::CreateForeignWindow(kClass, kTitle, AppletProc);
    hostwin::FailCall("FindWindowA", 1, ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_EQ(KillMessageDaemon(), 0);
    EXPECT_TRUE(received.empty());
}

TEST_F(KillMessageDaemonTest, AFailingSendIsNotLookedAt) {
    hostwin::CreateForeignWindow(kClass, kTitle, AppletProc);
    hostwin::FailCall("SendMessageA", 1, ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_EQ(KillMessageDaemon(), 0);
    EXPECT_EQ(hostwin::CallCount("SendMessageA"), 1u);
}

} // namespace
