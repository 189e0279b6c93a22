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

void Pause(int milliseconds) {
    timespec t{0, milliseconds * 1000000L};
    nanosleep(&t, nullptr);
}

class Vtrxmsg : public MachineTest {
  protected:
    void TearDown() override {
        for (pid_t pid : started_) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        MachineTest::TearDown();
    }

    // Starts the applet in the background on this machine.
    pid_t Start(const std::vector<std::string>& args = {}) {
        std::string program = BuiltProgram("tools/vtrxmsg/vtrxmsg");
        std::vector<std::string> environment;
        for (char** e = environ; *e != nullptr; ++e)
            if (std::string(*e).rfind("HOSTWIN_", 0) != 0)
                environment.push_back(*e);
        environment.push_back("HOSTWIN_MACHINE=" + Machine());
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (std::string& e : environment)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        pid_t pid = -1;
        EXPECT_EQ(posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), envp.data()),
                  0);
        started_.push_back(pid);
        return pid;
    }

    // The exit status of a started applet, or -1 when it is still running after the timeout.
    int WaitForExit(pid_t pid, int timeout_ms = 10000) {
        for (int waited = 0; waited <= timeout_ms; waited += 10) {
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                started_.erase(std::remove(started_.begin(), started_.end(), pid), started_.end());
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            Pause(10);
        }
        return -1;
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

    std::vector<std::string> UiLogLines() {
        std::vector<std::string> lines;
        std::string text = ReadFile(HostPath("ui.jsonl"));
        size_t at = 0;
        while (at < text.size()) {
            size_t end = text.find('\n', at);
            lines.push_back(text.substr(at, end - at));
            at = end == std::string::npos ? text.size() : end + 1;
        }
        return lines;
    }

  private:
    std::vector<pid_t> started_;
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
