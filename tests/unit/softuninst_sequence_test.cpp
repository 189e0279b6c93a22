// The removal sequence: what the user sees in both modes, the hand-over to the registered
// uninstall command through the marker, confirmation, and where a failing step stops.
#include "softuninst_fixture.h"

#include "registry_probe.h"
#include "softuninst/progress_dialog.h"
#include "softuninst/uninstall_sequence.h"

#include <sys/wait.h>

namespace {

class Sequence : public SoftuninstTest {
  protected:
    // Everything the complete key lists is gone, and nothing else.
    void ExpectAllRemoved() {
        EXPECT_FALSE(KeyExists(kInfo));
        EXPECT_FALSE(KeyExists(kEntry));
        EXPECT_FALSE(KeyExists(kConfig));
        EXPECT_EQ(ValuesOf(kRun), std::vector<std::string>{"Other"});
        EXPECT_FALSE(FileThere("C:\\WINDOWS\\VTRXMSG.exe"));
        EXPECT_FALSE(FileThere("C:\\WINDOWS\\system32\\VTRXIFS.dll"));
        EXPECT_FALSE(FileThere("C:\\WINDOWS\\MDM0.dms"));
        EXPECT_EQ(ToolRuns(), std::vector<std::string>{"C:\\WINDOWS\\Hwctl2k remove"});
    }

    void ExpectNothingRemoved() {
        EXPECT_TRUE(KeyExists(kInfo));
        EXPECT_TRUE(KeyExists(kEntry));
        EXPECT_TRUE(KeyExists(kConfig));
        EXPECT_EQ(ValuesOf(kRun), (std::vector<std::string>{"VTRXMSG", "Other"}));
        EXPECT_TRUE(FileThere("C:\\WINDOWS\\VTRXMSG.exe"));
        EXPECT_TRUE(FileThere("C:\\WINDOWS\\system32\\VTRXIFS.dll"));
        EXPECT_TRUE(ToolRuns().empty());
    }

    static std::string T(const char* tag) { return TextOf(tag); }
};

TEST_F(Sequence, FullVerboseRunShowsEveryStep) {
    WriteInfo();
    InstallPackage();
    EXPECT_EQ(RunWithProgressDialog(nullptr), kUninstallDone);
    ExpectAllRemoved();
    EXPECT_EQ(View(), (std::vector<std::string>{
                          "create",
                          "move 369,340", // 285 x 88 on 1024 x 768
                          "box " + T("SZ_CONFIRM_TITLE") + " | " + T("SZ_CONFIRM_QUESTION"),
                          "caption " + T("SZ_PROGRESS_TITLE"),
                          "show",
                          "text " + T("SZ_CHECKING_IF_BUSY"),
                          "progress 10",
                          "sleep 500",
                          "text " + T("SZ_STOPPING_SUPPORT_APPLICATIONS"),
                          "progress 30",
                          "sleep 500",
                          "text " + T("SZ_REMOVING_DEVICES_AND_SERVICES"),
                          "progress 50",
                          "run C:\\WINDOWS\\Hwctl2k remove",
                          "sleep 500",
                          "text " + T("SZ_REMOVING_CONFIGURATION"),
                          "progress 60",
                          "sleep 500",
                          "text " + T("SZ_REMOVING_FILES"),
                          "progress 70",
                          "sleep 500",
                          "text " + T("SZ_REMOVING_UNINSTALL_INFORMATION"),
                          "progress 80",
                          "sleep 500",
                          "text " + T("SZ_REMOVING_UNINSTALL_INFORMATION"),
                          "progress 90",
                          "sleep 500",
                          "text " + T("SZ_DONE"),
                          "progress 100",
                          "sleep 1000",
                          "hide",
                          "destroy",
                      }));
    // Seventeen notifications: the title, eight texts and eight positions.
    size_t notifications = 0, half_seconds = 0, seconds = 0;
    for (const std::string& line : View()) {
        notifications += line.rfind("caption ", 0) == 0 || line.rfind("text ", 0) == 0 ||
                         line.rfind("progress ", 0) == 0;
        half_seconds += line == "sleep 500";
        seconds += line == "sleep 1000";
    }
    EXPECT_EQ(notifications, 17u);
    EXPECT_EQ(half_seconds, 7u);
    EXPECT_EQ(seconds, 1u);
    EXPECT_EQ(Boxes()[0].type, MB_OKCANCEL | MB_ICONQUESTION);
}

TEST_F(Sequence, FullSilentRunShowsNothingAndPausesOnce) {
    WriteInfo();
    InstallPackage();
    EXPECT_EQ(RunUninstall(nullptr), kUninstallDone);
    ExpectAllRemoved();
    EXPECT_EQ(View(), (std::vector<std::string>{"sleep 500", "run C:\\WINDOWS\\Hwctl2k remove"}));
}

TEST_F(Sequence, CancelRemovesNothingAndNeverShowsTheDialog) {
    WriteInfo();
    InstallPackage();
    hostwin::ScriptMessageBoxAnswers("CANCEL");
    EXPECT_EQ(RunWithProgressDialog(nullptr), kUninstallNotConfirmed);
    ExpectNothingRemoved();
    EXPECT_EQ(View(),
              (std::vector<std::string>{
                  "create", "move 369,340",
                  "box " + T("SZ_CONFIRM_TITLE") + " | " + T("SZ_CONFIRM_QUESTION"), "destroy"}));
    // A box that cannot be shown is no confirmation either.
    hostwin::ScriptMessageBoxAnswers("FAIL");
    EXPECT_EQ(RunWithProgressDialog(nullptr), kUninstallNotConfirmed);
    ExpectNothingRemoved();
}

TEST_F(Sequence, ConfirmationWithoutItsTextsIsStillAsked) {
    WriteInfo();
    InstallPackage();
    DeleteValue(kInfo + "\\InternationalizationStrings", "SZ_CONFIRM_TITLE");
    hostwin::ScriptMessageBoxAnswers("OK,CANCEL");
    EXPECT_EQ(RunWithProgressDialog(nullptr), kUninstallNotConfirmed);
    std::vector<Box> boxes = Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0], ErrorBox("Unable to fetch uninstall string 'SZ_CONFIRM_TITLE'"));
    EXPECT_EQ(hostwin::UiLogOf("MessageBox")[1].IsNull("caption"), true);
    EXPECT_EQ(boxes[1].text, T("SZ_CONFIRM_QUESTION"));
}

TEST_F(Sequence, NoUninstallInformationIsNothingToDo) {
    EXPECT_EQ(RunUninstall(nullptr), kUninstallDone);
    EXPECT_TRUE(View().empty());
    EXPECT_EQ(RunWithProgressDialog(nullptr), kUninstallDone);
    EXPECT_EQ(View(), (std::vector<std::string>{"create", "move 369,340", "destroy"}));
}

TEST_F(Sequence, LoadFailureEndsTheRunWithItsStatus) {
    WriteInfo();
    InstallPackage();
    WriteString(kInfo, "Device", "TOOLONGNAME");
    EXPECT_EQ(RunUninstall(nullptr), kUninstallInfoInvalid);
    ExpectNothingRemoved();
    EXPECT_EQ(Boxes(), std::vector<Box>{ErrorBox("Unable to uninstall: device name is too long")});
    hostwin::ClearUiLog();
    hostwin::FailCall("RegCloseKey", 1, ERROR_INVALID_HANDLE); // the presence test
    EXPECT_EQ(RunUninstall(nullptr), kUninstallSystemFailure);
    EXPECT_TRUE(View().empty());
}

TEST_F(Sequence, DeviceInUseStopsAtTenPerCent) {
    WriteInfo();
    InstallPackage();
    hostwin::SetDevice("sftmdm", "0");
    EXPECT_EQ(RunWithProgressDialog(nullptr), kUninstallDeviceInUse);
    ExpectNothingRemoved();
    EXPECT_EQ(View(), (std::vector<std::string>{
                          "create", "move 369,340",
                          "box " + T("SZ_CONFIRM_TITLE") + " | " + T("SZ_CONFIRM_QUESTION"),
                          "caption " + T("SZ_PROGRESS_TITLE"), "show",
                          "text " + T("SZ_CHECKING_IF_BUSY"), "progress 10",
                          "box " + T("SZ_INUSE_TITLE") + " | " + T("SZ_INUSE_ERROR"), "destroy"}));
}

TEST_F(Sequence, AFailingStepEndsTheRunWithItsStatus) {
    WriteInfo();
    InstallPackage();
    MakeReadOnly("C:\\WINDOWS\\VTRXMSG.exe");
    EXPECT_EQ(RunUninstall(nullptr), kUninstallSystemFailure);
    // Done before the step stays done; the entries after it stay in place.
    EXPECT_FALSE(KeyExists(kConfig));
    EXPECT_FALSE(FileThere("C:\\WINDOWS\\system32\\VTRXIFS.dll"));
    EXPECT_TRUE(FileThere("C:\\WINDOWS\\VTRXMSG.exe"));
    EXPECT_TRUE(KeyExists(kEntry));
    EXPECT_TRUE(KeyExists(kInfo));
    EXPECT_EQ(Boxes(), std::vector<Box>{ErrorBox(T("SZ_ERROR"))});
}

// ---- The hand-over

class HandOver : public Sequence {
  protected:
    void SetUp() override {
        Sequence::SetUp();
        WriteInfo();
        InstallPackage(false);
        InstallTool("C:\\Program Files\\DeroRirid\\uninst.exe");
    }
};

TEST_F(HandOver, VerboseRunsUninstallStringOnceAndRemovesNothing) {
    WriteString(kEntry, "UninstallString", "\"C:\\Program Files\\DeroRirid\\uninst.exe\" verbose");
    WriteString(kEntry, "QuietUninstallString",
                "\"C:\\Program Files\\DeroRirid\\uninst.exe\" silent");
    EXPECT_EQ(RunWithProgressDialog(nullptr), kUninstallDone);
    EXPECT_EQ(ToolRuns(),
              std::vector<std::string>{"\"C:\\Program Files\\DeroRirid\\uninst.exe\" verbose"});
    EXPECT_TRUE(Boxes().empty()); // not even the confirmation
    EXPECT_TRUE(hostwin::UiLogOf("Sleep").empty());
    DWORD type = 0;
    std::string data;
    ASSERT_TRUE(ReadValue(kEntry, "RemovalInProgress", &type, &data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(data, std::string(1, '\0'));
    EXPECT_TRUE(KeyExists(kInfo));
    EXPECT_TRUE(KeyExists(kConfig));
    EXPECT_TRUE(FileThere("C:\\WINDOWS\\VTRXMSG.exe"));
}

TEST_F(HandOver, SilentRunsQuietUninstallStringOrFallsBack) {
    WriteString(kEntry, "UninstallString", "\"C:\\Program Files\\DeroRirid\\uninst.exe\" verbose");
    WriteString(kEntry, "QuietUninstallString",
                "\"C:\\Program Files\\DeroRirid\\uninst.exe\" silent");
    EXPECT_EQ(RunUninstall(nullptr), kUninstallDone);
    EXPECT_EQ(ToolRuns(),
              std::vector<std::string>{"\"C:\\Program Files\\DeroRirid\\uninst.exe\" silent"});

    hostwin::ResetMachine();
    WriteInfo();
    InstallPackage(false);
    InstallTool("C:\\Program Files\\DeroRirid\\uninst.exe");
    WriteString(kEntry, "UninstallString", "\"C:\\Program Files\\DeroRirid\\uninst.exe\" /u");
    WriteString(kEntry, "QuietUninstallString", std::string(513, 'q')); // too long: unreadable
    EXPECT_EQ(RunUninstall(nullptr), kUninstallDone);
    EXPECT_EQ(ToolRuns().back(), "\"C:\\Program Files\\DeroRirid\\uninst.exe\" /u");
    EXPECT_TRUE(KeyExists(kInfo));
}

TEST_F(HandOver, SetMarkerRemovesInPlace) {
    WriteString(kEntry, "UninstallString", "\"C:\\Program Files\\DeroRirid\\uninst.exe\" verbose");
    WriteString(kEntry, "RemovalInProgress", "");
    EXPECT_EQ(RunUninstall(nullptr), kUninstallDone);
    ExpectAllRemoved(); // only the device setup tool ran
}

TEST_F(HandOver, CommandThatCannotStartRemovesInPlace) {
    WriteString(kEntry, "UninstallString", "C:\\Nowhere\\uninst.exe verbose");
    EXPECT_EQ(RunWithProgressDialog(nullptr), kUninstallDone);
    ExpectAllRemoved(); // the entry, marker and all, went with the removal
    std::vector<std::string> view = View();
    ASSERT_GE(view.size(), 3u);
    EXPECT_EQ(view[2], "run C:\\Nowhere\\uninst.exe verbose");
    EXPECT_EQ(view[3], "box " + T("SZ_CONFIRM_TITLE") + " | " + T("SZ_CONFIRM_QUESTION"));
}

TEST_F(HandOver, Results) {
    // Columns: what is set up, the result of RunRegisteredUninstall.
    struct Case {
        const char* what;
        void (*arrange)();
        int status;
    };
    const Case cases[] = {
        {"no command at all", [] {}, 1},
        {"marker set", [] { WriteString(kEntry, "RemovalInProgress", ""); }, 1},
        {"marker cannot be written",
         [] { hostwin::FailCall("RegSetValueExA", 1, ERROR_ACCESS_DENIED); }, 1},
        {"entry cannot be closed",
         [] { hostwin::FailCall("RegCloseKey", 1, ERROR_INVALID_HANDLE); }, 2},
        {"uninstall key cannot be closed",
         [] { hostwin::FailCall("RegCloseKey", 2, ERROR_INVALID_HANDLE); }, 2},
        {"uninstall key cannot be opened",
         [] { hostwin::FailCall("RegOpenKeyExA", 1, ERROR_ACCESS_DENIED); }, 2},
        {"entry cannot be opened",
         [] { hostwin::FailCall("RegOpenKeyExA", 2, ERROR_ACCESS_DENIED); }, 1},
        {"process cannot be created",
         [] { hostwin::FailCall("CreateProcessA", 1, ERROR_NOT_ENOUGH_MEMORY); }, 4},
        {"wait fails", [] { hostwin::FailCall("WaitForSingleObject", 1, ERROR_INVALID_HANDLE); },
         4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        hostwin::ClearFaults();
        DeleteValue(kEntry, "RemovalInProgress");
        DeleteValue(kEntry, "UninstallString");
        if (std::string(c.what) != "no command at all")
            WriteString(kEntry, "UninstallString", "C:\\Program Files\\DeroRirid\\uninst.exe");
        Load();
        c.arrange();
        EXPECT_EQ(RunRegisteredUninstall(nullptr, g_uninstall_info), c.status);
        EXPECT_TRUE(Boxes().empty());
    }
    // The tool whose wait failed runs on: let it end before its machine goes.
    while (wait(nullptr) > 0) {
    }
}

TEST_F(HandOver, AnEmptyUninstallKeyNamesNoEntry) {
    WriteString(kInfo, "UninstallKey", "");
    WriteString(kWindowsUninstallKey, "UninstallString",
                "\"C:\\Program Files\\DeroRirid\\uninst.exe\"");
    Load();
    EXPECT_EQ(RunRegisteredUninstall(nullptr, g_uninstall_info), kUninstallInfoInvalid);
    EXPECT_EQ(ValuesOf(kWindowsUninstallKey), std::vector<std::string>{"UninstallString"});
    EXPECT_TRUE(ToolRuns().empty());
}

} // namespace
