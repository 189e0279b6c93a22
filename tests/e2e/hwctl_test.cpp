// The device setup tool on a machine: installed into the Windows directory under its three
// names and started through CreateProcessA (by the winrun helper, as the uninstaller starts
// it), it records the exact command line and a byte-exact copy of the device scripts.
#include "machine_fixture.h"

#include <algorithm>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

class HwctlTest : public MachineTest {
  protected:
    // Links the built tool into the machine under a name, e.g. "drive_c/WINDOWS/Hwctl2k.exe".
    void InstallTool(const std::string& relative) const {
        fs::create_directories(fs::path(HostPath(relative)).parent_path());
        fs::create_symlink(BuiltProgram("tools/hwctl/hwctl"), HostPath(relative));
    }

    // Starts a Windows command line through CreateProcessA and waits for it. winrun is handed
    // its own command line exactly, as a parent would hand it over.
    RunResult Start(const std::string& command_line,
                    std::vector<std::pair<std::string, std::string>> env = {}) const {
        env.emplace_back("HOSTWIN_COMMAND_LINE", "winrun " + command_line);
        return Run(BuiltProgram("tests/helpers/winrun"), {}, env);
    }

    std::string Record(int run, const std::string& name) const {
        return ReadFile(HostPath("hwctl/" + std::to_string(run) + "/" + name));
    }

    std::vector<std::string> Scripts(int run) const {
        std::vector<std::string> names;
        for (const auto& entry :
             fs::directory_iterator(HostPath("hwctl/" + std::to_string(run) + "/scripts")))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

const char kScript[] = "Class=Modem\r\nClass=Ports\r\nServiceName=VtrxSvc\r\n"
                       "Desc=Veltrane Soft Modem\r\nDesc=\xC9l\xE9ment \"quoted\"\r\n";

TEST_F(HwctlTest, EachToolNameRecordsItsCommandLineAndTheScripts) {
    for (const char* tool : {"Hwctl9X", "Hwctl2k", "HwctlNT"})
        InstallTool(std::string("drive_c/WINDOWS/") + tool + ".exe");
    WriteFile("drive_c/WINDOWS/MDM0.dms", kScript);
    WriteFile("drive_c/WINDOWS/other.txt", "not a script");
    int run = 0;
    for (const char* tool : {"Hwctl9X", "Hwctl2k", "HwctlNT"}) {
        std::string command_line = std::string("C:\\WINDOWS\\") + tool + " remove";
        RunResult result = Start(command_line);
        EXPECT_EQ(result.status, 0) << tool << ": " << result.err;
        ++run;
        EXPECT_EQ(Record(run, "command_line"), command_line);
        EXPECT_EQ(Scripts(run), std::vector<std::string>{"MDM0.dms"}) << tool;
        EXPECT_EQ(Record(run, "scripts/MDM0.dms"), kScript) << tool;
    }
    std::string log = ReadFile(HostPath("ui.jsonl"));
    EXPECT_NE(log.find("{\"event\":\"CreateProcess\",\"command\":"
                       "\"C:\\\\WINDOWS\\\\Hwctl2k remove\",\"ok\":true}\n"),
              std::string::npos)
        << log;
}

TEST_F(HwctlTest, TheToolIsFoundWhateverTheCaseOfItsName) {
    InstallTool("drive_c/WINDOWS/HwctlNT.exe");
    RunResult result = Start("c:\\windows\\hwctlnt remove");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(Record(1, "command_line"), "c:\\windows\\hwctlnt remove");
}

TEST_F(HwctlTest, EveryRunGetsItsOwnRecordWithTheScriptsOfThatMoment) {
    InstallTool("drive_c/WINDOWS/Hwctl2k.exe");
    WriteFile("drive_c/WINDOWS/MDM0.dms", "Class=A\r\n");
    WriteFile("drive_c/WINDOWS/sftmdm.DMS", "");
    EXPECT_EQ(Start("C:\\WINDOWS\\Hwctl2k remove").status, 0);
    fs::remove(HostPath("drive_c/WINDOWS/MDM0.dms"));
    EXPECT_EQ(Start("C:\\WINDOWS\\Hwctl2k remove").status, 0);
    EXPECT_EQ(Scripts(1), (std::vector<std::string>{"MDM0.dms", "sftmdm.DMS"}));
    EXPECT_EQ(Record(1, "scripts/sftmdm.DMS"), ""); // an empty script is copied empty
    EXPECT_EQ(Scripts(2), std::vector<std::string>{"sftmdm.DMS"});
}

TEST_F(HwctlTest, TheToolFailsWithTheCodeItIsGivenAndStillRecords) {
    InstallTool("drive_c/WINDOWS/Hwctl9X.exe");
    WriteFile("hwctl/exit_code", "7\n");
    WriteFile("drive_c/WINDOWS/MDM0.dms", kScript);
    RunResult result = Start("C:\\WINDOWS\\Hwctl9X remove");
    EXPECT_EQ(result.status, 7);
    EXPECT_EQ(Record(1, "scripts/MDM0.dms"), kScript);
}

TEST_F(HwctlTest, TheWindowsDirectoryOfTheMachineIsTheOneScanned) {
    InstallTool("drive_c/WINNT/Hwctl2k.exe");
    WriteFile("drive_c/WINNT/MDM0.dms", kScript);
    WriteFile("drive_c/WINDOWS/stale.dms", "Class=Old\r\n");
    RunResult result = Start("C:\\WINNT\\Hwctl2k remove", {{"HOSTWIN_WINDOWS_DIR", "C:\\WINNT"}});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(Scripts(1), std::vector<std::string>{"MDM0.dms"});
}

TEST_F(HwctlTest, AMissingToolIsNotStartedAndTheFailureIsLogged) {
    RunResult result = Start("C:\\WINDOWS\\Hwctl2k remove");
    EXPECT_EQ(result.status, 255);
    EXPECT_NE(result.err.find("CreateProcessA failed: 2"), std::string::npos) << result.err;
    EXPECT_FALSE(FileExists(HostPath("hwctl")));
    EXPECT_EQ(ReadFile(HostPath("ui.jsonl")),
              "{\"event\":\"CreateProcess\",\"command\":\"C:\\\\WINDOWS\\\\Hwctl2k remove\","
              "\"ok\":false}\n");
}

TEST_F(HwctlTest, HelpDescribesTheInterfaceAndRecordsNothing) {
    RunResult result = Run(BuiltProgram("tools/hwctl/hwctl"), {"--help"});
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.out.find("command_line"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("exit_code"), std::string::npos) << result.out;
    EXPECT_FALSE(FileExists(HostPath("hwctl")));
}

} // namespace
