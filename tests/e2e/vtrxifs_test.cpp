// VTRXIFS on a machine directory: the modem installed by devinstall with the library as its
// co-installer (the library in the system directory, the monitor applet in the Windows
// directory, the uninstall information imported with hostreg), then the library's two
// utilities called the way outside programs call them.
#include "machine_fixture.h"

#include <dirent.h>
#include <dlfcn.h>
#include <signal.h>
#include <stdlib.h>
#include <time.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char kInf[] = "C:\\drivers\\vtrxmdm.inf";
const char kInstalledFiles[] = "HKLM\\Software\\TessalyUninstallInfo\\InstalledFiles";
const char kApplet[] = "Veltrane Technologies Soft Modem Monitor";

std::string DataFile(const std::string& name) {
    return std::string(E2E_SOURCE_ROOT) + "/tests/e2e/data/" + name;
}

// Ended, or ended and waiting for its parent to collect it.
bool ProcessEnded(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string pid_text, name, state;
    if (!(stat >> pid_text >> name >> state))
        return true;
    return state == "Z" || state == "X";
}

class Vtrxifs : public MachineTest {
  protected:
    void SetUp() override {
        MachineTest::SetUp();
        fs::copy_file(BuiltProgram("vtrxifs/VTRXIFS.so"),
                      HostPath("drive_c/WINDOWS/system32/VTRXIFS.dll"));
        fs::create_symlink(BuiltProgram("tools/vtrxmsg/vtrxmsg"),
                           HostPath("drive_c/WINDOWS/VTRXMSG.exe"));
        WriteFile("drive_c/drivers/vtrxmdm.inf", ReadFile(DataFile("vtrxmdm.inf")));
        RunResult imported = Reg({"import", DataFile("uninstall-info.reg")});
        ASSERT_EQ(imported.status, 0) << imported.err;
    }

    // Ends whatever this machine's programs left running (the applets that were started).
    void TearDown() override {
        std::string mark = "HOSTWIN_MACHINE=" + Machine();
        if (DIR* proc = opendir("/proc")) {
            while (dirent* e = readdir(proc)) {
                pid_t pid = static_cast<pid_t>(atoi(e->d_name));
                if (pid > 0 && HasVariable("/proc/" + std::string(e->d_name) + "/environ", mark))
                    kill(pid, SIGKILL);
            }
            closedir(proc);
        }
        MachineTest::TearDown();
    }

    // Whether an environment file ("NAME=value" entries ended by zero bytes) holds the entry.
    static bool HasVariable(const std::string& environ_file, const std::string& entry) {
        std::string environment = ReadFile(environ_file);
        size_t at = 0;
        while (at < environment.size()) {
            size_t end = environment.find('\0', at);
            if (end == std::string::npos)
                end = environment.size();
            if (environment.compare(at, end - at, entry) == 0)
                return true;
            at = end + 1;
        }
        return false;
    }

    RunResult DevInstall(const std::vector<std::string>& args,
                         const std::vector<std::pair<std::string, std::string>>& env = {}) const {
        return Run(BuiltProgram("tools/devinstall/devinstall"), args, env);
    }

    RunResult CloseWindow(const std::vector<std::string>& args) const {
        return Run(BuiltProgram("tools/vtrxmsg/closewindow"), args);
    }

    // The applet's process, once its window exists on the machine; -1 when none appears.
    pid_t WaitForApplet() const {
        for (int waited = 0; waited <= 10000; waited += 20) {
            if (CloseWindow({"/find"}).status == 0) {
                for (const auto& entry : fs::directory_iterator(HostPath("windows"))) {
                    std::ifstream in(entry.path());
                    pid_t owner = 0;
                    std::string z, class_name;
                    if (in >> owner >> z >> class_name && class_name == "VTRXMSG")
                        return owner;
                }
            }
            Pause(20);
        }
        return -1;
    }

    // A value's data as hostreg prints it; "(missing)" when the query fails.
    std::string Query(const std::string& key, const std::string& value) const {
        RunResult r = Reg({"query", key, "/v", value});
        if (r.status != 0)
            return "(missing)";
        size_t at = r.out.find("REG_SZ    ");
        if (at == std::string::npos)
            return "(not a string)";
        at += 10;
        return r.out.substr(at, r.out.find_first_of("\r\n", at) - at);
    }

    std::string UiLog() const { return ReadFile(HostPath("ui.jsonl")); }
};

TEST_F(Vtrxifs, InstallingTheModemRecordsItsInfFilesAndStartsTheMonitorWhichTheLibraryCloses) {
    RunResult installed = DevInstall({"install", kInf});
    EXPECT_EQ(installed.status, 0) << installed.err;
    EXPECT_EQ(installed.out, "inf: oem0.inf\n"
                             "DIF_INSTALLINTERFACES: 0x00000000\n"
                             "pre: 0xE0000226\n"
                             "post: 0x00000000\n");
    EXPECT_EQ(Query("HKLM\\Software\\Hwctl", "State"), "Finished install");
    EXPECT_EQ(Query(kInstalledFiles, "InfFile"), "%WIN_DIR%\\Inf\\oem0.inf");
    EXPECT_EQ(Query(kInstalledFiles, "PnfFile"), "%WIN_DIR%\\Inf\\oem0.pnf");
    EXPECT_EQ(Query(kInstalledFiles, "Files"), "%WIN_SYS_DIR%\\VTRXIFS.dll;%WIN_DIR%\\VTRXMSG.exe");
    EXPECT_EQ(ReadFile(HostPath("drive_c/WINDOWS/Inf/oem0.inf")),
              ReadFile(DataFile("vtrxmdm.inf")));
    EXPECT_TRUE(FileExists(HostPath("drive_c/WINDOWS/Inf/oem0.pnf")));

    pid_t applet = WaitForApplet();
    ASSERT_GT(applet, 0) << "the monitor applet's window did not appear";
    RunResult killed = DevInstall({"killmessagedaemon"});
    EXPECT_EQ(killed.status, 0) << killed.err;
    EXPECT_EQ(killed.out, "KillMessageDaemon: 0\n");
    for (int waited = 0; !ProcessEnded(applet) && waited < 10000; waited += 20)
        Pause(20);
    EXPECT_TRUE(ProcessEnded(applet));
    EXPECT_EQ(CloseWindow({"/find"}).status, 1);
    EXPECT_EQ(UiLog(), "{\"event\":\"CreateProcess\",\"command\":\"VTRXMSG.exe\",\"ok\":true}\n"
                       "{\"event\":\"SendMessage\",\"class\":\"VTRXMSG\",\"title\":"
                       "\"Veltrane Technologies Soft Modem Monitor\",\"message\":2}\n");

    // Without the applet, nothing is sent.
    killed = DevInstall({"killmessagedaemon"});
    EXPECT_EQ(killed.out, "KillMessageDaemon: 0\n");
    EXPECT_EQ(UiLog().find("SendMessage", UiLog().find("SendMessage") + 1), std::string::npos);
}

TEST_F(Vtrxifs, EachNewInfTakesTheNextOemNameAndAStoredOneKeepsItsName) {
    EXPECT_EQ(DevInstall({"install", kInf}).status, 0);
    WriteFile("drive_c/drivers/other.inf", ReadFile(DataFile("vtrxmdm.inf")) + "; another\r\n");
    RunResult second = DevInstall({"install", "C:\\drivers\\other.inf"});
    EXPECT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(second.out.substr(0, 15), "inf: oem1.inf\nD");
    EXPECT_EQ(Query(kInstalledFiles, "InfFile"), "%WIN_DIR%\\Inf\\oem1.inf");
    EXPECT_EQ(Query(kInstalledFiles, "PnfFile"), "%WIN_DIR%\\Inf\\oem1.pnf");
    RunResult again = DevInstall({"install", kInf});
    EXPECT_EQ(again.out.substr(0, 15), "inf: oem0.inf\nD");
    EXPECT_EQ(Query(kInstalledFiles, "InfFile"), "%WIN_DIR%\\Inf\\oem0.inf");
}

TEST_F(Vtrxifs, AMonitorThatIsNotThereIsReportedAndTheStateStaysFound) {
    fs::remove(HostPath("drive_c/WINDOWS/VTRXMSG.exe"));
    RunResult installed = DevInstall({"install", kInf});
    EXPECT_EQ(installed.status, 1);
    EXPECT_EQ(installed.out, "inf: oem0.inf\n"
                             "DIF_INSTALLINTERFACES: 0x00000000\n"
                             "pre: 0xE0000226\n"
                             "post: 0x00000002\n");
    EXPECT_EQ(Query("HKLM\\Software\\Hwctl", "State"), "Found");
    EXPECT_EQ(Query(kInstalledFiles, "InfFile"), "%WIN_DIR%\\Inf\\oem0.inf");
    EXPECT_EQ(UiLog(), "{\"event\":\"CreateProcess\",\"command\":\"VTRXMSG.exe\",\"ok\":false}\n"
                       "{\"event\":\"MessageBox\",\"caption\":\"CoInstaller Error\",\"text\":"
                       "\"Unable to launch message applet:\\nThe system cannot find the file "
                       "specified.\\r\\n (0x00000002)\",\"type\":48,\"answer\":1}\n");
}

TEST_F(Vtrxifs, FaultsOfTheMachineReachTheLibrarysOwnCalls) {
    // Only the library opens the driver key with SetupDiOpenDevRegKey.
    RunResult installed =
        DevInstall({"install", kInf}, {{"HOSTWIN_FAULTS", "SetupDiOpenDevRegKey:1:5"}});
    EXPECT_EQ(installed.status, 1);
    EXPECT_NE(installed.out.find("post: 0x00000005\n"), std::string::npos) << installed.out;
    EXPECT_NE(UiLog().find("\"text\":\"Unable to open device registry key:\\nAccess is denied."
                           "\\r\\n (0x00000005)\""),
              std::string::npos)
        << UiLog();
    EXPECT_EQ(Query(kInstalledFiles, "InfFile"), "(missing)");
}

struct InUseCase {
    const char* what;
    const char* version; // HOSTWIN_VERSION
    const char* vtrx;    // the device's answer file; null: no device
    const char* sftmdm;
    const char* printed;
    const char* opened; // devices/opened.log
};

// Columns: case, system version, the two devices, what is printed, the devices opened.
const InUseCase kInUseCases[] = {
    {"2000, sftmdm in use", "2.5.0", "0", "0", "IsDeviceInUse: 1\n", "sftmdm\n"},
    {"2000, sftmdm idle", "2.5.0", "0", "1", "IsDeviceInUse: 0\n", "sftmdm\n"},
    {"98, VTRX idle, sftmdm in use", "1.4.10", "1", "2", "IsDeviceInUse: 1\n", "VTRX\nsftmdm\n"},
    {"95, VTRX idle", "1.4.0", "1", "0", "IsDeviceInUse: 0\n", "VTRX\n"},
    {"NT 3.51", "2.3.51", "0", "0", "IsDeviceInUse: 0\n", ""},
    {"XP, no driver", "2.5.1", nullptr, nullptr, "IsDeviceInUse: 0\n", "sftmdm\n"},
};

TEST_F(Vtrxifs, IsDeviceInUseAsksTheDriverThroughTheLibrary) {
    for (const InUseCase& c : kInUseCases) {
        fs::remove_all(HostPath("devices"));
        fs::create_directories(HostPath("devices"));
        if (c.vtrx != nullptr)
            WriteFile("devices/VTRX", c.vtrx);
        if (c.sftmdm != nullptr)
            WriteFile("devices/sftmdm", c.sftmdm);
        RunResult r = DevInstall({"isdeviceinuse"}, {{"HOSTWIN_VERSION", c.version}});
        EXPECT_EQ(r.status, 0) << c.what << ": " << r.err;
        EXPECT_EQ(r.out, c.printed) << c.what;
        EXPECT_EQ(ReadFile(HostPath("devices/opened.log")), c.opened) << c.what;
    }
    EXPECT_EQ(UiLog(), "");
}

TEST_F(Vtrxifs, TheHostLibraryExportsItsThreeEntryPointsAndNothingElse) {
    void* library = dlopen(BuiltProgram("vtrxifs/VTRXIFS.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    for (const char* name : {"IsDeviceInUse", "KillMessageDaemon", "DeroRiridCoInstaller"})
        EXPECT_NE(dlsym(library, name), nullptr) << name;
    for (const char* name : {"DllMain", "RegOpenKeyA", "SetupDiOpenDevRegKey", "OsFamily",
                             "_Z11StartProgramPKc", "GetLastError"})
        EXPECT_EQ(dlsym(library, name), nullptr) << name;
    dlclose(library);
}

// How many of this process's open files are the machine's registry (database, log, index).
int OpenRegistryFiles(const std::string& machine) {
    int count = 0;
    for (const auto& fd : fs::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        fs::path target = fs::read_symlink(fd.path(), error);
        if (!error && target.string().rfind(machine + "/registry.sqlite", 0) == 0)
            ++count;
    }
    return count;
}

TEST_F(Vtrxifs, UnloadingTheLibraryClosesTheRegistryItOpened) {
    typedef unsigned (*CoInstaller)(unsigned, void*, void*, void*);
    struct Context {
        int post_processing;
        unsigned install_result;
        void* private_data;
    } context = {0, 0, nullptr};
    setenv("HOSTWIN_MACHINE", Machine().c_str(), 1);
    void* library = dlopen(BuiltProgram("vtrxifs/VTRXIFS.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto coinstaller = reinterpret_cast<CoInstaller>(dlsym(library, "DeroRiridCoInstaller"));
    ASSERT_NE(coinstaller, nullptr);
    EXPECT_EQ(coinstaller(2 /* DIF_INSTALLDEVICE */, nullptr, nullptr, &context), 0xE0000226u);
    EXPECT_GT(OpenRegistryFiles(Machine()), 0);
    dlclose(library);
    unsetenv("HOSTWIN_MACHINE");
    EXPECT_EQ(OpenRegistryFiles(Machine()), 0);
    EXPECT_EQ(Query("HKLM\\Software\\Hwctl", "State"), "Found");
}

TEST_F(Vtrxifs, AnInfWithoutACoInstallerOrALibraryThatIsNotThereCannotBeInstalled) {
    WriteFile("drive_c/drivers/plain.inf", "[Version]\r\nClass=Modem\r\n");
    RunResult plain = DevInstall({"install", "C:\\drivers\\plain.inf"});
    EXPECT_EQ(plain.status, 2);
    EXPECT_NE(plain.err.find("registers no CoInstallers32"), std::string::npos) << plain.err;

    fs::remove(HostPath("drive_c/WINDOWS/system32/VTRXIFS.dll"));
    RunResult missing = DevInstall({"install", kInf});
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("VTRXIFS.dll is in neither"), std::string::npos) << missing.err;
    EXPECT_EQ(DevInstall({"isdeviceinuse"}).status, 2);
    EXPECT_EQ(Query("HKLM\\Software\\Hwctl", "State"), "(missing)");
}

} // namespace
