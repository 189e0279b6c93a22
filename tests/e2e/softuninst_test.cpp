// softuninst on a machine directory: the example uninstall information imported with
// hostreg, the package's files and applets in place, the device setup tool and the
// uninstaller itself in the Windows directory, as the package's installer leaves them.
#include "machine_fixture.h"

#include <fcntl.h>

#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

const char kMonitorTitle[] = "Veltrane Technologies Soft Modem Monitor";
const char kTrayTitle[] = "DeroRirid Modem Tray";

// The files that the example's InstalledFiles lists, below drive C.
const char* const kInstalledFiles[] = {
    "WINDOWS/VTRXMSG.exe",
    "WINDOWS/VTRXTRAY.exe",
    "WINDOWS/VTRXhom.ini",
    "WINDOWS/system32/VTRXIFS.dll",
    "WINDOWS/system32/drivers/sftmdm.sys",
    "WINDOWS/inf/oem7.inf",
    "WINDOWS/inf/oem7.PNF",
};

const char* const kRemovedKeys[] = {
    "HKLM\\Software\\TessalyUninstallInfo",
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\DeroRirid Soft Modem",
    "HKLM\\Software\\Veltrane\\DeroRirid",
};

class Softuninst : public MachineTest {
  protected:
    RunResult Uninstall(const std::vector<std::string>& args,
                        std::vector<std::pair<std::string, std::string>> env = {}) {
        env.push_back({"HOSTWIN_SLEEP_SCALE", "0"});
        return Run(BuiltProgram("softuninst/softuninst"), args, env);
    }

    static void Copy(const std::string& from, const std::string& to) {
        fs::create_directories(fs::path(to).parent_path());
        fs::copy_file(from, to, fs::copy_options::overwrite_existing);
    }

    // The package as its installer leaves it.
    void InstallPackage() {
        RunResult imported =
            Reg({"import", std::string(E2E_SOURCE_ROOT) + "/examples/uninstall-info.reg"});
        ASSERT_EQ(imported.status, 0) << imported.out << imported.err;
        ASSERT_EQ(Reg({"add", "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", "/v",
                       "Other", "/d", "C:\\Other\\other.exe", "/f"})
                      .status,
                  0);
        for (const char* file : kInstalledFiles)
            WriteFile(std::string("drive_c/") + file, "installed");
        // The applets are the monitor applet program under both names.
        Copy(BuiltProgram("tools/vtrxmsg/vtrxmsg"), HostPath("drive_c/WINDOWS/VTRXMSG.exe"));
        Copy(BuiltProgram("tools/vtrxmsg/vtrxmsg"), HostPath("drive_c/WINDOWS/VTRXTRAY.exe"));
        Copy(BuiltProgram("tools/hwctl/hwctl"), HostPath("drive_c/WINDOWS/Hwctl2k.exe"));
        Copy(BuiltProgram("softuninst/softuninst"), HostPath("drive_c/WINDOWS/softuninst.exe"));
    }

    // Starts an applet window in the background, as the running system has it.
    pid_t StartApplet(const std::string& exe, const std::vector<std::string>& args) {
        return Start(HostPath("drive_c/WINDOWS/" + exe), args);
    }

    bool WaitForWindow(const std::string& class_name, const std::string& title) {
        for (int waited = 0; waited <= 10000; waited += 20) {
            if (Run(BuiltProgram("tools/vtrxmsg/closewindow"),
                    {"/find", "/class", class_name, "/title", title})
                    .status == 0)
                return true;
            Pause(20);
        }
        return false;
    }

    bool KeyThere(const std::string& key) { return Reg({"query", key}).status == 0; }

    void ExpectNothingRemoved() {
        for (const char* key : kRemovedKeys)
            EXPECT_TRUE(KeyThere(key)) << key;
        for (const char* file : kInstalledFiles)
            EXPECT_TRUE(FileExists(HostPath(std::string("drive_c/") + file))) << file;
    }
};

// The dialog and step records of a verbose removal, from the confirmation to the end.
std::vector<std::string> VerboseRemovalView() {
    auto text = [](const std::string& t) {
        return "{\"event\":\"Dialog\",\"action\":\"item-text\",\"id\":301,\"text\":\"" + t + "\"}";
    };
    auto progress = [](int p) {
        return "{\"event\":\"Dialog\",\"action\":\"progress\",\"id\":201,\"value\":" +
               std::to_string(p) + "}";
    };
    const std::string pause = "{\"event\":\"Sleep\",\"ms\":500}";
    return {
        "{\"event\":\"MessageBox\",\"caption\":\"DeroRirid Soft Modem Uninstall\",\"text\":"
        "\"Remove the DeroRirid Soft Modem and all of its components?\",\"type\":33,"
        "\"answer\":1}",
        "{\"event\":\"Dialog\",\"action\":\"caption\",\"text\":\"Uninstalling DeroRirid Soft "
        "Modem\"}",
        "{\"event\":\"Dialog\",\"action\":\"show\"}",
        text("Checking whether the modem is in use..."),
        progress(10),
        pause,
        text("Stopping the support applications..."),
        progress(30),
        std::string("{\"event\":\"SendMessage\",\"class\":\"VTRXMSG\",\"title\":\"") +
            kMonitorTitle + "\",\"message\":2}",
        std::string("{\"event\":\"SendMessage\",\"class\":\"VTRXTRAY\",\"title\":\"") + kTrayTitle +
            "\",\"message\":2}",
        pause,
        text("Removing the modem devices and services..."),
        progress(50),
        "{\"event\":\"CreateProcess\",\"command\":\"C:\\\\WINDOWS\\\\Hwctl2k remove\",\"ok\":true}",
        pause,
        text("Removing the modem configuration..."),
        progress(60),
        pause,
        text("Removing the installed files..."),
        progress(70),
        pause,
        text("Removing the uninstall information..."),
        progress(80),
        pause,
        text("Removing the uninstall information..."),
        progress(90),
        pause,
        text("The DeroRirid Soft Modem has been removed."),
        progress(100),
        "{\"event\":\"Sleep\",\"ms\":1000}",
        "{\"event\":\"Dialog\",\"action\":\"hide\"}",
    };
}

const char kCreate[] = "{\"event\":\"Dialog\",\"action\":\"create\",\"id\":101}";
const char kMove[] =
    "{\"event\":\"Dialog\",\"action\":\"move\",\"x\":369,\"y\":340,\"width\":285,\"height\":88}";
const char kDestroy[] = "{\"event\":\"Dialog\",\"action\":\"destroy\"}";

TEST_F(Softuninst, VerboseHandsOverToTheRegisteredCommandWhichRemovesEverything) {
    InstallPackage();
    pid_t monitor = StartApplet("VTRXMSG.exe", {});
    pid_t tray = StartApplet("VTRXTRAY.exe", {"/class", "VTRXTRAY", "/title", kTrayTitle});
    ASSERT_TRUE(WaitForWindow("VTRXMSG", kMonitorTitle));
    ASSERT_TRUE(WaitForWindow("VTRXTRAY", kTrayTitle));

    RunResult r = Uninstall({"verbose"});
    EXPECT_EQ(r.status, 0) << r.err;

    // Every listed key, value and file is gone; what the package does not own stays.
    for (const char* key : kRemovedKeys)
        EXPECT_FALSE(KeyThere(key)) << key;
    RunResult run = Reg({"query", "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"});
    EXPECT_EQ(run.out, "\r\n"
                       "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\r\n"
                       "    Other    REG_SZ    C:\\Other\\other.exe\r\n"
                       "\r\n");
    EXPECT_TRUE(KeyThere("HKLM\\Software\\Veltrane"));
    for (const char* file : kInstalledFiles)
        EXPECT_FALSE(FileExists(HostPath(std::string("drive_c/") + file))) << file;
    EXPECT_FALSE(FileExists(HostPath("drive_c/WINDOWS/MDM0.dms")));
    EXPECT_TRUE(FileExists(HostPath("drive_c/WINDOWS/softuninst.exe")));

    // The device setup tool ran once with the script complete.
    EXPECT_EQ(ReadFile(HostPath("hwctl/1/command_line")), "C:\\WINDOWS\\Hwctl2k remove");
    EXPECT_EQ(ReadFile(HostPath("hwctl/1/scripts/MDM0.dms")), "Class=Ports\r\n"
                                                              "Class=Modem\r\n"
                                                              "ServiceName=sftmdm\r\n"
                                                              "Desc=DeroRirid Soft Modem\r\n"
                                                              "Desc=DeroRirid Soft Modem (PCI)\r\n"
                                                              "Desc=DeroRirid Data Fax Modem\r\n");
    EXPECT_FALSE(FileExists(HostPath("hwctl/2")));

    // The applets got WM_DESTROY and ended.
    EXPECT_EQ(WaitForExit(monitor), 0);
    EXPECT_EQ(WaitForExit(tray), 0);

    // The user's whole view: the first run's hidden dialog and the hand-over, then the
    // registered command's run, then the first run's dialog goes.
    std::vector<std::string> expected = {
        kCreate,
        kMove,
        "{\"event\":\"CreateProcess\",\"command\":\"C:\\\\WINDOWS\\\\softuninst.exe verbose\","
        "\"ok\":true}",
        kCreate,
        kMove,
    };
    for (const std::string& line : VerboseRemovalView())
        expected.push_back(line);
    expected.push_back(kDestroy);
    expected.push_back(kDestroy);
    EXPECT_EQ(UiLogLines(), expected);
}

TEST_F(Softuninst, SilentRemovesInPlaceWhenTheRegisteredCommandCannotStart) {
    InstallPackage();
    fs::remove(HostPath("drive_c/WINDOWS/softuninst.exe"));
    RunResult r = Uninstall({"silent"});
    EXPECT_EQ(r.status, 0) << r.err;
    for (const char* key : kRemovedKeys)
        EXPECT_FALSE(KeyThere(key)) << key;
    EXPECT_EQ(UiLogLines(), (std::vector<std::string>{
                                "{\"event\":\"CreateProcess\",\"command\":\"C:\\\\WINDOWS\\\\"
                                "softuninst.exe silent\",\"ok\":false}",
                                "{\"event\":\"Sleep\",\"ms\":500}",
                                "{\"event\":\"CreateProcess\",\"command\":\"C:\\\\WINDOWS\\\\"
                                "Hwctl2k remove\",\"ok\":true}",
                            }));
}

TEST_F(Softuninst, CancelLeavesThePackageAndTheMarker) {
    InstallPackage();
    RunResult r = Uninstall({"verbose"}, {{"HOSTWIN_MSGBOX", "CANCEL"}});
    // The registered command's run was cancelled; the first run waited for it and ends
    // with 0, since the hand-over itself succeeded.
    EXPECT_EQ(r.status, 0);
    ExpectNothingRemoved();
    RunResult marker = Reg({"query",
                            "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                            "DeroRirid Soft Modem",
                            "/v", "RemovalInProgress"});
    EXPECT_EQ(marker.status, 0);
    // A later run finds the marker and asks in place.
    RunResult again = Uninstall({"verbose"}, {{"HOSTWIN_MSGBOX", "CANCEL"}});
    EXPECT_EQ(again.status, 5);
    ExpectNothingRemoved();
    for (const std::string& line : UiLogLines())
        EXPECT_EQ(line.find("\"action\":\"show\""), std::string::npos) << line;
}

TEST_F(Softuninst, DeviceInUseStopsBeforeAnythingIsRemoved) {
    InstallPackage();
    WriteFile("devices/sftmdm", "0");
    Reg({"add",
         "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\DeroRirid Soft Modem",
         "/v", "RemovalInProgress", "/d", "", "/f"});
    RunResult r = Uninstall({"silent"});
    EXPECT_EQ(r.status, 3);
    ExpectNothingRemoved();
    std::vector<std::string> lines = UiLogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "{\"event\":\"MessageBox\",\"caption\":\"Modem In Use\",\"text\":\"The "
                        "modem is in use. Close every program that uses the modem, then run the "
                        "uninstall again.\",\"type\":48,\"answer\":1}");
}

TEST_F(Softuninst, CommandLinesThatAreNeitherWordDoNothing) {
    InstallPackage();
    // Columns: the Windows command line, the exit status.
    const std::pair<const char*, int> cases[] = {
        {"softuninst.exe", 87},          {"softuninst.exe Verbose", 87},
        {"softuninst.exe verbose ", 87}, {"softuninst.exe \"verbose\"", 87},
        {"softuninst.exe SILENT", 87},   {"softuninst.exe silent now", 87},
    };
    for (const auto& [line, status] : cases) {
        RunResult r = Uninstall({}, {{"HOSTWIN_COMMAND_LINE", line}});
        EXPECT_EQ(r.status, status) << line;
    }
    ExpectNothingRemoved();
    EXPECT_TRUE(UiLogLines().empty());
}

TEST_F(Softuninst, BlanksBeforeTheWordAreAllowed) {
    RunResult r = Uninstall({}, {{"HOSTWIN_COMMAND_LINE", "\"C:\\WINDOWS\\softuninst.exe\"   \t"
                                                          "silent"}});
    EXPECT_EQ(r.status, 0); // nothing installed: nothing to do
    EXPECT_TRUE(UiLogLines().empty());
}

TEST_F(Softuninst, NothingInstalled) {
    EXPECT_EQ(Uninstall({"silent"}).status, 0);
    EXPECT_TRUE(UiLogLines().empty());
    EXPECT_EQ(Uninstall({"verbose"}).status, 0);
    EXPECT_EQ(UiLogLines(), (std::vector<std::string>{kCreate, kMove, kDestroy}));
}

} // namespace
