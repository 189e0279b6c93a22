// The monitor applet on a machine directory: it runs in the background until its window,
// found by class and title from another program, receives WM_DESTROY.
#include "machine_fixture.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

extern char** environ;

namespace {

const char kTitle[] = "Veltrane Technologies Soft Modem Monitor";
const char kSendToApplet[] = "{\"event\":\"SendMessage\",\"class\":\"VTRXMSG\",\"title\":"
                             "\"Veltrane Technologies Soft Modem Monitor\",\"message\":2}";

class Vtrxmsg : public MachineTest {
  protected:
    // Starts the applet in the background on this machine.
    pid_t Start(const std::vector<std::string>& args = {}) {
        return MachineTest::Start(BuiltProgram("tools/vtrxmsg/vtrxmsg"), args);
    }

    bool StillRunning(pid_t pid) { return waitpid(pid, nullptr, WNOHANG) == 0; }

    RunResult CloseWindow(const std::vector<std::string>& args) {
        return Run(BuiltProgram("tools/vtrxmsg/closewindow"), args);
    }

    // Waits until a window with the class and title exists on the machine.
    bool WaitForWindow(const std::string& title, int timeout_ms = 10000) {
        for (int waited = 0; waited <= timeout_ms; waited += 20) {
            if (CloseWindow({"/find", "/class", "VTRXMSG", "/title", title}).status == 0)
                return true;
            Pause(20);
        }
        return false;
    }

    // How many top-level windows the machine's window table lists.
    size_t WindowCount() {
        size_t n = 0;
        if (DIR* d = opendir(HostPath("windows").c_str())) {
            while (dirent* e = readdir(d))
                n += (e->d_name[0] >= '1' && e->d_name[0] <= '9') ? 1 : 0;
            closedir(d);
        }
        return n;
    }
};

TEST_F(Vtrxmsg, EndsWhenItsWindowReceivesWmDestroy) {
    pid_t applet = Start();
    ASSERT_TRUE(WaitForWindow(kTitle));
    RunResult closed = CloseWindow({});
    EXPECT_EQ(closed.status, 0);
    EXPECT_EQ(WaitForExit(applet), 0);
    EXPECT_EQ(UiLogLines(), std::vector<std::string>{kSendToApplet});
    EXPECT_EQ(CloseWindow({"/find"}).status, 1); // its window went with it
}

TEST_F(Vtrxmsg, AWindowOfTheClassWithAnotherTitleIsNotTouched) {
    pid_t other = Start({"/title", "Another Monitor"});
    ASSERT_TRUE(WaitForWindow("Another Monitor"));
    EXPECT_EQ(CloseWindow({}).status, 1);
    Pause(100);
    EXPECT_TRUE(StillRunning(other));
    EXPECT_TRUE(UiLogLines().empty());

    EXPECT_EQ(CloseWindow({"/title", "Another Monitor"}).status, 0);
    EXPECT_EQ(WaitForExit(other), 0);
}

TEST_F(Vtrxmsg, OfTwoAlikeOnlyTheNewestIsClosed) {
    pid_t older = Start();
    ASSERT_TRUE(WaitForWindow(kTitle));
    pid_t newer = Start();
    for (int waited = 0; WindowCount() < 2 && waited < 10000; waited += 20)
        Pause(20);
    ASSERT_EQ(WindowCount(), 2u);

    EXPECT_EQ(CloseWindow({}).status, 0);
    EXPECT_EQ(WaitForExit(newer), 0);
    EXPECT_TRUE(StillRunning(older));

    EXPECT_EQ(CloseWindow({}).status, 0);
    EXPECT_EQ(WaitForExit(older), 0);
    EXPECT_EQ(UiLogLines(), (std::vector<std::string>{kSendToApplet, kSendToApplet}));
}

TEST_F(Vtrxmsg, PlaysAnotherAppletByClassAndTitle) {
    pid_t applet = Start({"/class", "VTRXTRAY", "/title", "Soft Modem Tray"});
    for (int waited = 0;
         CloseWindow({"/find", "/class", "VTRXTRAY", "/title", "Soft Modem Tray"}).status != 0 &&
         waited < 10000;
         waited += 20)
        Pause(20);
    EXPECT_EQ(CloseWindow({"/class", "vtrxtray", "/title", "Soft Modem Tray"}).status, 0);
    EXPECT_EQ(WaitForExit(applet), 0);
}

TEST_F(Vtrxmsg, RefusesAnUnknownOption) {
    RunResult r = Run(BuiltProgram("tools/vtrxmsg/vtrxmsg"), {"/bogus"});
    EXPECT_EQ(r.status, 1);
    RunResult c = CloseWindow({"/title"});
    EXPECT_EQ(c.status, 2);
}

} // namespace
