// The device steps: the in-use check and its warning, the device script's bytes and the
// device setup tool's command line by driver model, and their failures.
#include "softuninst_fixture.h"

#include "softuninst/device_removal.h"

#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>

namespace {

class DeviceRemoval : public SoftuninstTest {
  protected:
    void SetUp() override {
        SoftuninstTest::SetUp();
        WriteInfo();
        Load();
        for (const char* tool : {"Hwctl9X", "Hwctl2k", "HwctlNT"})
            InstallTool(std::string("C:\\WINDOWS\\") + tool + ".exe");
    }

    static UninstallInfo& Info() { return g_uninstall_info; }

    static void SetClasses(std::vector<std::pair<LONG, const char*>> classes) {
        Info().DeviceClassCount = static_cast<DWORD>(classes.size());
        for (size_t i = 0; i < classes.size(); ++i) {
            Info().DeviceClasses[i].Order = classes[i].first;
            strcpy(Info().DeviceClasses[i].ClassName, classes[i].second);
        }
    }

    static void SetFriendlyNames(std::vector<const char*> names) {
        Info().FriendlyNameCount = static_cast<DWORD>(names.size());
        for (size_t i = 0; i < names.size(); ++i)
            strcpy(Info().FriendlyNames[i], names[i]);
    }
};

TEST_F(DeviceRemoval, ScriptListsClassesByOrderThenServiceThenNames) {
    SetClasses({{0, "P"}, {2, "Q"}, {0, "R"}, {5, "T"}});
    strcpy(Info().DeviceServiceName, "S");
    SetFriendlyNames({"F", "G"});
    EXPECT_EQ(RemoveDevices(Info()), kUninstallDone);
    EXPECT_EQ(ToolSawScript("MDM0.dms"),
              "Class=Q\r\nClass=P\r\nClass=R\r\nServiceName=S\r\nDesc=F\r\nDesc=G\r\n");
    EXPECT_FALSE(FileThere("C:\\WINDOWS\\MDM0.dms")); // deleted after the tool
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(DeviceRemoval, EveryOrderFromThreeDownToZero) {
    SetClasses({{1, "One"}, {4, "Four"}, {3, "Three"}, {-1, "Minus"}});
    Info().DeviceServiceName[0] = '\0'; // no ServiceName line
    SetFriendlyNames({"Soft Modem"});
    EXPECT_EQ(RemoveDevices(Info()), kUninstallDone);
    EXPECT_EQ(ToolSawScript("MDM0.dms"), "Class=Three\r\nClass=One\r\nDesc=Soft Modem\r\n");
}

TEST_F(DeviceRemoval, AnEmptyScriptStillGoesToTheTool) {
    SetClasses({});
    Info().DeviceServiceName[0] = '\0';
    SetFriendlyNames({});
    EXPECT_EQ(RemoveDevices(Info()), kUninstallDone);
    EXPECT_EQ(ToolSawScript("MDM0.dms"), "");
    EXPECT_EQ(ToolRuns(), std::vector<std::string>{"C:\\WINDOWS\\Hwctl2k remove"});
}

TEST_F(DeviceRemoval, TheDriverModelChoosesTheTool) {
    // Columns: driver model, the tool's command line.
    const std::pair<DriverModel, const char*> cases[] = {
        {kDriverModelWdm98, "C:\\WINDOWS\\Hwctl9X remove"},
        {kDriverModelWdm2k, "C:\\WINDOWS\\Hwctl2k remove"},
        {kDriverModelNt4, "C:\\WINDOWS\\HwctlNT remove"},
        {kDriverModelVxd, "C:\\WINDOWS\\Hwctl9X remove"},
    };
    std::vector<std::string> expected;
    for (const auto& [model, command] : cases) {
        Info().DriverModel = model;
        EXPECT_EQ(RemoveDevices(Info()), kUninstallDone) << model;
        expected.push_back(command);
    }
    EXPECT_EQ(ToolRuns(), expected);
}

TEST_F(DeviceRemoval, NoDriverModelLeavesTheScriptAndRunsNothing) {
    Info().DriverModel = kDriverModelNone;
    EXPECT_EQ(RemoveDevices(Info()), kUninstallSystemFailure);
    EXPECT_EQ(FileContent("C:\\WINDOWS\\MDM0.dms"),
              "Class=Modem\r\nServiceName=sftmdm\r\nDesc=Soft Modem A\r\nDesc=Soft Modem B\r\n");
    EXPECT_TRUE(ToolRuns().empty());
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(DeviceRemoval, ScriptAndToolFollowTheWindowsDirectory) {
    hostwin::SetWindowsDirectory("C:\\WINNT");
    InstallTool("C:\\WINNT\\Hwctl2k.exe");
    setenv("SOFTUNINST_TOOL_WINDOWS", HostFile("C:\\WINNT").c_str(), 1);
    EXPECT_EQ(RemoveDevices(Info()), kUninstallDone);
    EXPECT_EQ(ToolRuns(), std::vector<std::string>{"C:\\WINNT\\Hwctl2k remove"});
    EXPECT_NE(ToolSawScript("MDM0.dms"), "<missing>");
}

TEST_F(DeviceRemoval, AFailingToolStillCompletesTheStep) {
    InstallTool("C:\\WINDOWS\\Hwctl2k.exe", 1);
    EXPECT_EQ(RemoveDevices(Info()), kUninstallDone);
    EXPECT_EQ(ToolRuns().size(), 1u);
    EXPECT_FALSE(FileThere("C:\\WINDOWS\\MDM0.dms"));
}

TEST_F(DeviceRemoval, ScriptThatCannotBeCreatedIsReported) {
    PutFile("C:\\WINDOWS\\MDM0.dms", "old");
    MakeReadOnly("C:\\WINDOWS\\MDM0.dms");
    EXPECT_EQ(RemoveDevices(Info()), kUninstallSystemFailure);
    EXPECT_EQ(Boxes(), std::vector<Box>{ErrorBox("Unable to create 'C:\\WINDOWS\\MDM0.dms':\n"
                                                 "Access is denied.\r\n(0x00000005)")});
    EXPECT_TRUE(ToolRuns().empty());
    EXPECT_EQ(FileContent("C:\\WINDOWS\\MDM0.dms"), "old");
}

TEST_F(DeviceRemoval, AnExistingScriptIsReplaced) {
    PutFile("C:\\WINDOWS\\MDM0.dms", std::string(500, 'x'));
    EXPECT_EQ(RemoveDevices(Info()), kUninstallDone);
    EXPECT_EQ(ToolSawScript("MDM0.dms"),
              "Class=Modem\r\nServiceName=sftmdm\r\nDesc=Soft Modem A\r\nDesc=Soft Modem B\r\n");
}

TEST_F(DeviceRemoval, ScriptPathMustFitItsRoom) {
    // "\MDM0.dms" is 9 characters: a Windows directory of 54 makes a path of 63, the most
    // that 64 bytes hold; one of 55 does not fit and nothing is written.
    std::string fits = "C:\\" + std::string(51, 'w');
    hostwin::SetWindowsDirectory(fits.c_str());
    InstallTool(fits + "\\Hwctl2k.exe");
    EXPECT_EQ(RemoveDevices(Info()), kUninstallDone);
    EXPECT_EQ(ToolRuns(), std::vector<std::string>{fits + "\\Hwctl2k remove"});

    std::string too_long = "C:\\" + std::string(52, 'w');
    hostwin::SetWindowsDirectory(too_long.c_str());
    InstallTool(too_long + "\\Hwctl2k.exe");
    EXPECT_EQ(RemoveDevices(Info()), kUninstallSystemFailure);
    EXPECT_FALSE(FileThere(too_long + "\\MDM0.dms"));
    EXPECT_EQ(ToolRuns().size(), 1u);
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(DeviceRemoval, FailuresOfTheSystem) {
    // Columns: API, which call fails, status, whether the script stays, the report.
    struct Case {
        const char* api;
        unsigned nth;
        int status;
        bool script_stays;
        const char* report;
    };
    const Case cases[] = {
        {"GetWindowsDirectoryA", 1, 2, false, ""},
        {"GetWindowsDirectoryA", 2, 2, true, ""},
        {"CreateProcessA", 1, 4, true, ""},
        {"WaitForSingleObject", 1, 4, true, ""},
        {"DeleteFileA", 1, 2, true,
         "Unable to delete file 'C:\\WINDOWS\\MDM0.dms':\nAccess is denied.\r\n(0x00000005)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.api) + " " + std::to_string(c.nth));
        DeleteFileA("C:\\WINDOWS\\MDM0.dms");
        hostwin::ClearUiLog();
        hostwin::FailCall(c.api, c.nth, ERROR_ACCESS_DENIED);
        EXPECT_EQ(RemoveDevices(Info()), c.status);
        EXPECT_EQ(FileThere("C:\\WINDOWS\\MDM0.dms"), c.script_stays);
        std::vector<Box> expected;
        if (*c.report != '\0')
            expected.push_back(ErrorBox(c.report));
        EXPECT_EQ(Boxes(), expected);
        hostwin::ClearFaults();
    }
    while (wait(nullptr) > 0) { // the tool whose wait failed
    }
}

// ---- CheckDeviceIdle

TEST_F(DeviceRemoval, InUseWarnsAndStops) {
    hostwin::SetDevice("sftmdm", "0");
    EXPECT_EQ(CheckDeviceIdle(Info()), kUninstallDeviceInUse);
    Box warning{TextOf("SZ_INUSE_TITLE"), TextOf("SZ_INUSE_ERROR"), 0x30}; // MB_OK, warning icon
    EXPECT_EQ(Boxes(), std::vector<Box>{warning});
}

TEST_F(DeviceRemoval, TheDriverModelChoosesTheDevice) {
    // Columns: driver model, the device names opened (each as \\.\NAME).
    const std::pair<DriverModel, const char*> cases[] = {
        {kDriverModelNone, ""},      {kDriverModelWdm98, "sftmdm"}, {kDriverModelWdm2k, "sftmdm"},
        {kDriverModelNt4, "sftmdm"}, {kDriverModelVxd, "MDM0"},
    };
    for (const auto& [model, opened] : cases) {
        hostwin::ResetMachine();
        hostwin::SetDevice("sftmdm", "1");
        hostwin::SetDevice("MDM0", "1");
        Info().DriverModel = model;
        EXPECT_EQ(CheckDeviceIdle(Info()), kUninstallDone) << model;
        EXPECT_STREQ(hostwin::DeviceOpenRequests(), opened) << model;
    }
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(DeviceRemoval, IdleOrAbsentDevicesLetTheRunGoOn) {
    // Columns: the driver's answer ("" for no device), status.
    const std::pair<const char*, int> cases[] = {
        {"", 0}, {"1", 0}, {"ignore", 0}, {"fail", 0}, {"0", 3}, {"2", 3}, {"4294967295", 3},
    };
    for (const auto& [answer, status] : cases) {
        hostwin::ResetMachine();
        if (*answer != '\0')
            hostwin::SetDevice("sftmdm", answer);
        EXPECT_EQ(CheckDeviceIdle(Info()), status) << answer;
    }
}

TEST_F(DeviceRemoval, InUseWarningWithoutItsTextsIsStillShown) {
    memset(Info().Strings, 0, sizeof Info().Strings);
    Info().StringCount = 0;
    hostwin::SetDevice("sftmdm", "0");
    EXPECT_EQ(CheckDeviceIdle(Info()), kUninstallDeviceInUse);
    std::vector<hostwin::UiRecord> boxes = hostwin::UiLogOf("MessageBox");
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].Text("text"), "Unable to fetch uninstall string 'SZ_INUSE_TITLE'");
    EXPECT_EQ(boxes[1].Text("text"), "Unable to fetch uninstall string 'SZ_INUSE_ERROR'");
    EXPECT_TRUE(boxes[2].IsNull("caption"));
    EXPECT_TRUE(boxes[2].IsNull("text"));
    EXPECT_EQ(boxes[2].Number("type"), 0x30);
}

} // namespace
