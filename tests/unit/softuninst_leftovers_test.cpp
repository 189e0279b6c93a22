// The leftovers: applets and their autorun values, the configuration tree, the installed
// files with their path macros, the Windows uninstall entry and the uninstall information.
#include "softuninst_fixture.h"

#include "registry_probe.h"
#include "softuninst/leftovers.h"

#include <string.h>

namespace {

std::vector<HWND> destroyed;

LRESULT CALLBACK AppletProc(HWND window, UINT message, WPARAM, LPARAM) {
    if (message == WM_DESTROY)
        destroyed.push_back(window);
    return 0;
}

class Leftovers : public SoftuninstTest {
  protected:
    void SetUp() override {
        SoftuninstTest::SetUp();
        destroyed.clear();
        WriteInfo();
        InstallPackage();
        Load();
    }

    static UninstallInfo& Info() { return g_uninstall_info; }

    static void SetApplet(DWORD index, const char* class_name, const char* name,
                          const char* auto_run) {
        AppletEntry& a = Info().Applets[index];
        strcpy(a.Class, class_name);
        strcpy(a.Name, name);
        strcpy(a.AutoRunValue, auto_run);
        if (Info().AppletCount <= index)
            Info().AppletCount = index + 1;
    }

    static void SetFiles(std::vector<std::string> files) {
        Info().InstalledFileCount = static_cast<DWORD>(files.size());
        for (size_t i = 0; i < files.size(); ++i)
            strcpy(Info().InstalledFiles[i], files[i].c_str());
    }

    static std::vector<Box> ErrorBoxes(size_t count) {
        return std::vector<Box>(count, ErrorBox(TextOf("SZ_ERROR")));
    }
};

const char kMonitorTitle[] = "Veltrane Technologies Soft Modem Monitor";

// ---- StopApplets

TEST_F(Leftovers, ClosesTheAppletAndDeletesItsAutorunValue) {
    HWND monitor = hostwin::CreateForeignWindow("VTRXMSG", kMonitorTitle, AppletProc);
    EXPECT_EQ(StopApplets(Info()), kUninstallDone);
    EXPECT_EQ(destroyed, std::vector<HWND>{monitor});
    EXPECT_EQ(View(),
              std::vector<std::string>{"send VTRXMSG|" + std::string(kMonitorTitle) + " 2"});
    EXPECT_EQ(ValuesOf(kRun), std::vector<std::string>{"Other"});
}

TEST_F(Leftovers, AnAppletThatIsNotRunningStillLosesItsAutorunValue) {
    SetApplet(1, "VTRXTRAY", "Tray", "NoSuchValue"); // a value that is not there: no error
    EXPECT_EQ(StopApplets(Info()), kUninstallDone);
    EXPECT_TRUE(View().empty());
    EXPECT_EQ(ValuesOf(kRun), std::vector<std::string>{"Other"});
}

TEST_F(Leftovers, AnAppletWithoutClassOrNameIsPassedOver) {
    HWND monitor = hostwin::CreateForeignWindow("VTRXMSG", "", AppletProc);
    SetApplet(0, "", kMonitorTitle, "VTRXMSG");
    SetApplet(1, "VTRXMSG", "", "Other");
    EXPECT_EQ(StopApplets(Info()), kUninstallDone);
    EXPECT_TRUE(destroyed.empty());
    EXPECT_EQ(ValuesOf(kRun), (std::vector<std::string>{"VTRXMSG", "Other"}));
    hostwin::DestroyForeignWindow(monitor);
}

TEST_F(Leftovers, OfTwoAlikeWindowsOnlyOneIsClosed) {
    hostwin::CreateForeignWindow("VTRXMSG", kMonitorTitle, AppletProc);
    hostwin::CreateForeignWindow("VTRXMSG", kMonitorTitle, AppletProc);
    HWND other_title = hostwin::CreateForeignWindow("VTRXMSG", "Another Monitor", AppletProc);
    EXPECT_EQ(StopApplets(Info()), kUninstallDone);
    ASSERT_EQ(destroyed.size(), 1u);
    EXPECT_NE(destroyed[0], other_title);
    EXPECT_EQ(hostwin::UiLogOf("SendMessage").size(), 1u);
}

TEST_F(Leftovers, NoRunKeyFailsEvenWithoutApplets) {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kRun.c_str());
    ASSERT_FALSE(KeyExists(kRun));
    Info().AppletCount = 0;
    EXPECT_EQ(StopApplets(Info()), kUninstallSystemFailure);
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(Leftovers, AnAutorunValueThatCannotBeDeletedStopsAtOnce) {
    HWND tray = hostwin::CreateForeignWindow("VTRXTRAY", "Tray", AppletProc);
    SetApplet(1, "VTRXTRAY", "Tray", "Other");
    hostwin::FailCall("RegDeleteValueA", 1, ERROR_ACCESS_DENIED);
    EXPECT_EQ(StopApplets(Info()), kUninstallSystemFailure);
    EXPECT_TRUE(destroyed.empty()); // the second entry is not handled
    EXPECT_EQ(ValuesOf(kRun), (std::vector<std::string>{"VTRXMSG", "Other"}));
    EXPECT_TRUE(Boxes().empty());
    hostwin::DestroyForeignWindow(tray);
}

TEST_F(Leftovers, RunKeyThatCannotBeClosedFails) {
    hostwin::FailCall("RegCloseKey", 1, ERROR_INVALID_HANDLE);
    EXPECT_EQ(StopApplets(Info()), kUninstallSystemFailure);
    EXPECT_TRUE(Boxes().empty());
}

// ---- RemoveConfiguration and DeleteKeyTree

TEST_F(Leftovers, ConfigurationTreeThreeLevelsDeepIsGone) {
    WriteString(kConfig, "", "top default");
    WriteString(kConfig + "\\Settings\\Line\\Deep", "", "deep default");
    WriteString(kConfig + "\\Settings\\Line\\Deep", "Level", "3");
    WriteString(kConfig + "\\Settings\\Other", "Level", "2");
    EXPECT_EQ(RemoveConfiguration(Info()), kUninstallDone);
    EXPECT_FALSE(KeyExists(kConfig));
    EXPECT_TRUE(KeyExists("Software\\Veltrane")); // its parent stays
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(Leftovers, NothingToRemoveIsNoFailure) {
    strcpy(Info().SoftwareKey, "Software\\Nothing\\Here");
    EXPECT_EQ(RemoveConfiguration(Info()), kUninstallDone);
    Info().SoftwareKey[0] = '\0';
    EXPECT_EQ(RemoveConfiguration(Info()), kUninstallDone);
    EXPECT_TRUE(KeyExists(kConfig));
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(Leftovers, AFailureAtDepthDGivesDPlusTwoReports) {
    // A subkey name of 65 characters cannot be enumerated: the key that holds it fails.
    // Columns: the key that holds it, below the configuration key; its depth.
    const std::pair<std::string, size_t> cases[] = {
        {"", 0},
        {"\\Settings", 1},
        {"\\Settings\\Line", 2},
    };
    for (const auto& [holder, depth] : cases) {
        SCOPED_TRACE(depth);
        hostwin::ResetMachine();
        WriteInfo();
        InstallPackage();
        Load();
        CreateKey(kConfig + holder + "\\" + std::string(65, 'k'));
        SetLastError(0);
        EXPECT_EQ(RemoveConfiguration(Info()), kUninstallSystemFailure);
        EXPECT_EQ(Boxes(), ErrorBoxes(depth + 2)); // d + 1 from DeleteKeyTree, 1 of its own
        EXPECT_TRUE(KeyExists(kConfig + holder));
    }
}

TEST_F(Leftovers, DeleteKeyTreeReportsEveryFailingCall) {
    // The tree: Software\Tree with its default value, Software\Tree\Sub with a value. A
    // failure in Sub (depth 1) gives two reports, one in Tree (depth 0) gives one.
    // Columns: API, which call fails, the reports.
    const struct {
        const char* api;
        unsigned nth;
        size_t reports;
    } cases[] = {
        {"RegOpenKeyA", 1, 1},     // Tree
        {"RegOpenKeyA", 2, 2},     // Sub
        {"RegEnumKeyA", 1, 1},     // Tree, finding Sub
        {"RegEnumKeyA", 2, 2},     // Sub, finding nothing
        {"RegEnumValueA", 1, 2},   // Sub's value
        {"RegEnumValueA", 3, 1},   // Tree's default value
        {"RegDeleteValueA", 1, 2}, // Sub's value
        {"RegDeleteValueA", 2, 1}, // Tree's default value
        {"RegCloseKey", 1, 2},     // Sub
        {"RegCloseKey", 2, 1},     // Tree
        {"RegDeleteKeyA", 1, 2},   // Sub
        {"RegDeleteKeyA", 2, 1},   // Tree
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.api) + " " + std::to_string(c.nth));
        hostwin::ResetMachine();
        WriteInfo();
        Load();
        WriteString("Software\\Tree", "", "top");
        WriteString("Software\\Tree\\Sub", "Value", "1");
        SetLastError(0);
        hostwin::FailCall(c.api, c.nth, ERROR_ACCESS_DENIED);
        EXPECT_EQ(DeleteKeyTree(HKEY_LOCAL_MACHINE, "Software\\Tree"), kUninstallSystemFailure);
        EXPECT_EQ(Boxes(), ErrorBoxes(c.reports));
    }
    // A key that is not there.
    hostwin::ClearUiLog();
    EXPECT_EQ(DeleteKeyTree(HKEY_LOCAL_MACHINE, "Software\\Nothing"), kUninstallSystemFailure);
    EXPECT_EQ(Boxes(), ErrorBoxes(1));
}

TEST_F(Leftovers, ConfigurationKeyThatCannotBeClosedIsReported) {
    hostwin::FailCall("RegCloseKey", 1, ERROR_INVALID_HANDLE);
    EXPECT_EQ(RemoveConfiguration(Info()), kUninstallSystemFailure);
    EXPECT_EQ(Boxes(), ErrorBoxes(1));
    EXPECT_TRUE(KeyExists(kConfig));
}

TEST_F(Leftovers, AMissingErrorTextShowsTheLookupAndAnEmptyReport) {
    memset(Info().Strings, 0, sizeof Info().Strings);
    Info().StringCount = 0;
    EXPECT_EQ(DeleteKeyTree(HKEY_LOCAL_MACHINE, "Software\\Nothing"), kUninstallSystemFailure);
    EXPECT_EQ(Boxes(), (std::vector<Box>{ErrorBox("Unable to fetch uninstall string 'SZ_ERROR'"),
                                         ErrorBox("")}));
}

// ---- RemoveInstalledFiles and ExpandPathMacro

TEST_F(Leftovers, InstalledFilesAreDeletedWhereTheMacrosPoint) {
    hostwin::SetWindowsDirectory("C:\\WINNT");
    hostwin::SetSystemDirectory("C:\\WINNT\\SYSTEM");
    PutFile("C:\\WINNT\\VTRXMSG.exe");
    PutFile("C:\\WINNT\\SYSTEM\\VTRXIFS.dll");
    PutFile("C:\\WINNT\\inf\\oem3.inf");
    SetFiles({"%WIN_DIR%\\VTRXMSG.exe", "%WIN_SYS_DIR%\\VTRXIFS.dll", "C:\\WINNT\\inf\\oem3.inf"});
    EXPECT_EQ(RemoveInstalledFiles(Info()), kUninstallDone);
    EXPECT_FALSE(FileThere("C:\\WINNT\\VTRXMSG.exe"));
    EXPECT_FALSE(FileThere("C:\\WINNT\\SYSTEM\\VTRXIFS.dll"));
    EXPECT_FALSE(FileThere("C:\\WINNT\\inf\\oem3.inf"));
    EXPECT_TRUE(FileThere("C:\\WINDOWS\\VTRXMSG.exe"));
}

TEST_F(Leftovers, MissingFilesPassSilently) {
    SetFiles({"C:\\WINDOWS\\gone.exe", "C:\\NoDirectory\\gone.exe", "%win_dir%\\VTRXMSG.exe",
              "%WIN_SYS_DIR%\\VTRXIFS.dll"});
    EXPECT_EQ(RemoveInstalledFiles(Info()), kUninstallDone);
    EXPECT_TRUE(FileThere("C:\\WINDOWS\\VTRXMSG.exe")); // the lower-case macro stays as written
    EXPECT_FALSE(FileThere("C:\\WINDOWS\\system32\\VTRXIFS.dll"));
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(Leftovers, AFileThatCannotBeDeletedIsReportedAndTheRestStillGo) {
    PutFile("C:\\WINDOWS\\first.sys");
    PutFile("C:\\WINDOWS\\readonly.sys");
    PutFile("C:\\WINDOWS\\busy.sys");
    PutFile("C:\\WINDOWS\\last.sys");
    MakeReadOnly("C:\\WINDOWS\\readonly.sys");
    hostwin::MarkFileInUse("C:\\WINDOWS\\busy.sys");
    SetFiles({"%WIN_DIR%\\first.sys", "%WIN_DIR%\\readonly.sys", "%WIN_DIR%\\busy.sys",
              "%WIN_DIR%\\last.sys"});
    EXPECT_EQ(RemoveInstalledFiles(Info()), kUninstallSystemFailure);
    EXPECT_FALSE(FileThere("C:\\WINDOWS\\first.sys"));
    EXPECT_TRUE(FileThere("C:\\WINDOWS\\readonly.sys"));
    EXPECT_TRUE(FileThere("C:\\WINDOWS\\busy.sys"));
    EXPECT_FALSE(FileThere("C:\\WINDOWS\\last.sys"));
    EXPECT_EQ(Boxes(), ErrorBoxes(2)); // the text alone: the last error is cleared
}

TEST_F(Leftovers, APathTooLongEndsTheStepAtOnce) {
    // A Windows directory of 169 characters three times, three "\" and a tail of 3: 513.
    std::string windows = "C:\\" + std::string(166, 'w');
    hostwin::SetWindowsDirectory(windows.c_str());
    PutFile(windows + "\\after.sys");
    SetFiles({"%WIN_DIR%\\%WIN_DIR%\\%WIN_DIR%\\abc", "%WIN_DIR%\\after.sys"});
    EXPECT_EQ(RemoveInstalledFiles(Info()), kUninstallSystemFailure);
    EXPECT_TRUE(FileThere(windows + "\\after.sys"));
    EXPECT_TRUE(Boxes().empty());
    // With a tail of 2 the path has 512 characters: the step goes on. The system then
    // refuses a name beyond MAX_PATH, which is reported like any file that cannot go.
    SetFiles({"%WIN_DIR%\\%WIN_DIR%\\%WIN_DIR%\\ab", "%WIN_DIR%\\after.sys"});
    EXPECT_EQ(RemoveInstalledFiles(Info()), kUninstallSystemFailure);
    EXPECT_FALSE(FileThere(windows + "\\after.sys"));
    EXPECT_EQ(Boxes(), ErrorBoxes(1));
}

TEST_F(Leftovers, DirectoriesThatCannotBeFetchedFail) {
    for (const char* api : {"GetWindowsDirectoryA", "GetSystemDirectoryA"}) {
        hostwin::FailCall(api, 1, ERROR_NOT_ENOUGH_MEMORY);
        EXPECT_EQ(RemoveInstalledFiles(Info()), kUninstallSystemFailure) << api;
        EXPECT_TRUE(FileThere("C:\\WINDOWS\\VTRXMSG.exe")) << api;
    }
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(Leftovers, ExpandPathMacroCases) {
    // Columns: source, macro, replacement, limit, result, destination when it succeeds.
    const struct {
        std::string source;
        const char* macro;
        const char* replacement;
        UINT limit;
        BOOL result;
        std::string expanded;
    } cases[] = {
        {"", "%WIN_DIR%", "C:\\W", 512, TRUE, ""},
        {"%WIN_DIR%\\a", "%WIN_DIR%", "C:\\W", 512, TRUE, "C:\\W\\a"},
        {"%WIN_DIR%\\%WIN_DIR%", "%WIN_DIR%", "C:\\W", 512, TRUE, "C:\\W\\C:\\W"},
        {"%win_dir%\\a", "%WIN_DIR%", "C:\\W", 512, TRUE, "%win_dir%\\a"},
        {"a%WIN_DIR", "%WIN_DIR%", "C:\\W", 512, TRUE, "a%WIN_DIR"},
        {"%WIN_DIR%", "%WIN_DIR%", "%WIN_DIR%%WIN_DIR%", 512, TRUE, "%WIN_DIR%%WIN_DIR%"},
        {"%WIN_SYS_DIR%\\b", "%WIN_DIR%", "C:\\W", 512, TRUE, "%WIN_SYS_DIR%\\b"},
        {std::string(512, 'x'), "%WIN_DIR%", "C:\\W", 512, TRUE, std::string(512, 'x')},
        {std::string(513, 'x'), "%WIN_DIR%", "C:\\W", 512, FALSE, ""},
        {std::string(508, 'x') + "%WIN_DIR%", "%WIN_DIR%", "C:\\W", 512, TRUE,
         std::string(508, 'x') + "C:\\W"},
        {std::string(509, 'x') + "%WIN_DIR%", "%WIN_DIR%", "C:\\W", 512, FALSE, ""},
        {"abc", "%WIN_DIR%", "C:\\W", 3, TRUE, "abc"},
        {"abcd", "%WIN_DIR%", "C:\\W", 3, FALSE, ""},
    };
    for (const auto& c : cases) {
        std::vector<char> destination(c.limit + 2, '#');
        destination[c.limit + 1] = '!'; // a guard after the room of limit + 1
        BOOL result =
            ExpandPathMacro(c.source.c_str(), c.macro, c.replacement, destination.data(), c.limit);
        EXPECT_EQ(result, c.result) << c.source.substr(0, 40);
        if (c.result) {
            EXPECT_EQ(std::string(destination.data()), c.expanded) << c.source.substr(0, 40);
        }
        EXPECT_EQ(destination[c.limit + 1], '!') << c.source.substr(0, 40);
    }
}

// ---- RemoveUninstallEntry and RemoveUninstallInfo

TEST_F(Leftovers, TheUninstallEntryGoesWithItsMarker) {
    WriteString(kEntry + "\\Sub", "x", "y");
    EXPECT_EQ(RemoveUninstallEntry(Info()), kUninstallDone);
    EXPECT_FALSE(KeyExists(kEntry));
    EXPECT_TRUE(KeyExists("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"));
    EXPECT_EQ(RemoveUninstallEntry(Info()), kUninstallDone); // absent now: nothing to do
    Info().UninstallKey[0] = '\0';
    EXPECT_EQ(RemoveUninstallEntry(Info()), kUninstallDone);
    EXPECT_TRUE(KeyExists("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"));
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(Leftovers, TheUninstallEntryShowsOnlyDeleteKeyTreesReports) {
    CreateKey(kEntry + "\\" + std::string(65, 'k'));
    EXPECT_EQ(RemoveUninstallEntry(Info()), kUninstallSystemFailure);
    EXPECT_EQ(Boxes(), ErrorBoxes(1));
    hostwin::ClearUiLog();
    hostwin::FailCall("RegCloseKey", 1, ERROR_INVALID_HANDLE);
    EXPECT_EQ(RemoveUninstallEntry(Info()), kUninstallSystemFailure);
    EXPECT_EQ(Boxes(), ErrorBoxes(1));
}

TEST_F(Leftovers, TheUninstallInformationMustStillBeThere) {
    EXPECT_EQ(RemoveUninstallInfo(), kUninstallDone);
    EXPECT_FALSE(KeyExists(kInfo));
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(RemoveUninstallInfo(), kUninstallSystemFailure); // deleted by someone else
    EXPECT_EQ(Boxes(), ErrorBoxes(1));
}

} // namespace
