// DeroRiridCoInstaller on a machine with a registered modem device: the request filter, the
// pre- and post-processing passes, the INF suffix cases, and every failure with its message
// and result.
#include "vtrxifs/exports.h"

#include "registry_probe.h"

#include <hostwin/testing.h>
#include <windows.h>
#include <setupapi.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const GUID kModemClass = {
    0x4D36E96D, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
const char kInstalledFiles[] = "Software\\TessalyUninstallInfo\\InstalledFiles";
const char kHwctl[] = "Software\\Hwctl";
const char kCaption[] = "CoInstaller Error";
const DWORD kAllBitsSet = 0xFFFFFFFF;

// A REG_SZ value's text without its terminator; "(none)" when it is missing.
std::string Text(const std::string& key, const char* name) {
    DWORD type = 0;
    std::string data;
    if (!ReadValue(key, name, &type, &data))
        return "(none)";
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ)) << name;
    EXPECT_TRUE(!data.empty() && data.back() == '\0') << name << " is written with its terminator";
    return data.empty() ? data : data.substr(0, data.size() - 1);
}

class CoInstaller : public ::testing::Test {
  protected:
    void SetUp() override {
        hostwin::ResetMachine();
        set_ = SetupDiCreateDeviceInfoList(&kModemClass, nullptr);
        ASSERT_NE(set_, INVALID_HANDLE_VALUE);
        device_.cbSize = sizeof device_;
        ASSERT_TRUE(SetupDiCreateDeviceInfoA(set_, "MODEM", &kModemClass, nullptr, nullptr,
                                             DICD_GENERATE_ID, &device_));
        ASSERT_TRUE(SetupDiRegisterDeviceInfo(set_, &device_, 0, nullptr, nullptr, nullptr));
    }
    void TearDown() override { SetupDiDestroyDeviceInfoList(set_); }

    // Gives the device its driver key with "InfPath" (of the type given), as the class
    // installer leaves it.
    void GiveDriverKey(const std::string& inf_path, DWORD type = REG_SZ) {
        HKEY key = SetupDiCreateDevRegKeyA(set_, &device_, DICS_FLAG_GLOBAL, 0, DIREG_DRV, nullptr,
                                           nullptr);
        ASSERT_NE(key, INVALID_HANDLE_VALUE);
        DWORD size = static_cast<DWORD>(inf_path.size() + (type == REG_SZ ? 1 : 0));
        ASSERT_EQ(RegSetValueExA(key, "InfPath", 0, type,
                                 reinterpret_cast<const BYTE*>(inf_path.c_str()), size),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }

    // The uninstall information's InstalledFiles key, as the package's installer leaves it.
    static void CreateInstalledFiles() { WriteString(kInstalledFiles, "Files", "%WIN_DIR%\\a"); }

    // A program that the search for "VTRXMSG.exe" finds in the Windows directory.
    static void InstallApplet() {
        char host[4096];
        ASSERT_TRUE(hostwin::HostPathOf("C:\\WINDOWS\\VTRXMSG.exe", host, sizeof host));
        fs::create_directories(fs::path(host).parent_path());
        fs::copy_file(ECHO_CMDLINE_PROGRAM, host, fs::copy_options::overwrite_existing);
    }

    // A device ready for both passes: driver key, InstalledFiles key and the applet.
    void PrepareInstallation(const std::string& inf_path) {
        GiveDriverKey(inf_path);
        CreateInstalledFiles();
        InstallApplet();
    }

    DWORD Call(DI_FUNCTION request, BOOL post, DWORD install_result = NO_ERROR) {
        COINSTALLER_CONTEXT_DATA context = {post, install_result, nullptr};
        return DeroRiridCoInstaller(request, set_, &device_, &context);
    }
    DWORD Pre() { return Call(DIF_INSTALLDEVICE, FALSE); }
    DWORD Post(DWORD install_result = NO_ERROR) {
        return Call(DIF_INSTALLDEVICE, TRUE, install_result);
    }

    static std::string State() { return Text(kHwctl, "State"); }
    static std::string InfFile() { return Text(kInstalledFiles, "InfFile"); }
    static std::string PnfFile() { return Text(kInstalledFiles, "PnfFile"); }

    // The texts of the message boxes shown, each checked for the report's caption and type.
    static std::vector<std::string> Reports() {
        std::vector<std::string> texts;
        for (const hostwin::UiRecord& box : hostwin::UiLogOf("MessageBox")) {
            EXPECT_EQ(box.Text("caption"), kCaption);
            EXPECT_EQ(box.Number("type"), MB_ICONWARNING);
            texts.push_back(box.Text("text"));
        }
        return texts;
    }

    // The starts of a program that were tried, and those that succeeded.
    static size_t AppletStarts() { return hostwin::UiLogOf("CreateProcess").size(); }
    static size_t AppletsStarted() {
        size_t n = 0;
        for (const hostwin::UiRecord& start : hostwin::UiLogOf("CreateProcess"))
            n += start.json.find("\"ok\":true") != std::string::npos ? 1 : 0;
        return n;
    }

    HDEVINFO set_ = INVALID_HANDLE_VALUE;
    SP_DEVINFO_DATA device_ = {};
};

// Requests other than DIF_INSTALLDEVICE, in either pass.
const DI_FUNCTION kOtherRequests[] = {
    DIF_SELECTDEVICE,
    DIF_REMOVE,
    DIF_PROPERTYCHANGE,
    DIF_DESTROYPRIVATEDATA,
    DIF_INSTALLDEVICEFILES,
    DIF_ALLOW_INSTALL,
    DIF_REGISTERDEVICE,
    DIF_REGISTER_COINSTALLERS,
    DIF_INSTALLINTERFACES,
    DIF_NEWDEVICEWIZARD_FINISHINSTALL,
    0,
    0xFFFFFFFF,
};

const char* const kRegistryApis[] = {"RegOpenKeyA",    "RegCreateKeyA",    "RegSetValueExA",
                                     "RegCloseKey",    "RegQueryValueExA", "RegOpenKeyExA",
                                     "RegCreateKeyExA"};

TEST_F(CoInstaller, OtherRequestsGetNoErrorAndTouchNothing) {
    PrepareInstallation("oem3.inf");
    std::vector<unsigned> calls;
    for (const char* api : kRegistryApis)
        calls.push_back(hostwin::CallCount(api));
    for (DI_FUNCTION request : kOtherRequests) {
        for (BOOL post : {FALSE, TRUE}) {
            SetLastError(ERROR_ACCESS_DENIED);
            EXPECT_EQ(Call(request, post), static_cast<DWORD>(NO_ERROR)) << request;
        }
    }
    for (size_t i = 0; i < calls.size(); ++i)
        EXPECT_EQ(hostwin::CallCount(kRegistryApis[i]), calls[i]) << kRegistryApis[i];
    EXPECT_EQ(hostwin::CallCount("SetupDiOpenDevRegKey"), 0u);
    EXPECT_EQ(hostwin::CallCount("CreateProcessA"), 0u);
    EXPECT_TRUE(hostwin::UiLog().empty());
    EXPECT_FALSE(KeyExists(kHwctl));
    EXPECT_EQ(InfFile(), "(none)");
}

TEST_F(CoInstaller, PreProcessingCreatesTheStateKeyWritesFoundAndAsksToBeCalledAgain) {
    ASSERT_FALSE(KeyExists(kHwctl));
    EXPECT_EQ(Pre(), static_cast<DWORD>(ERROR_DI_POSTPROCESSING_REQUIRED));
    EXPECT_EQ(State(), "Found");
    EXPECT_TRUE(Reports().empty());
    EXPECT_EQ(AppletStarts(), 0u);
    EXPECT_EQ(hostwin::CallCount("SetupDiOpenDevRegKey"), 0u);
}

TEST_F(CoInstaller, PreProcessingOverwritesAnEarlierState) {
    WriteString(kHwctl, "State", "Finished install");
    WriteString(kHwctl, "Other", "kept");
    EXPECT_EQ(Pre(), static_cast<DWORD>(ERROR_DI_POSTPROCESSING_REQUIRED));
    EXPECT_EQ(State(), "Found");
    EXPECT_EQ(Text(kHwctl, "Other"), "kept");
    EXPECT_EQ(hostwin::CallCount("RegCreateKeyA"), 0u); // the key was opened
}

TEST_F(CoInstaller, BothPassesRecordTheInfFilesStartTheAppletAndFinish) {
    PrepareInstallation("oem3.inf");
    ASSERT_EQ(Pre(), static_cast<DWORD>(ERROR_DI_POSTPROCESSING_REQUIRED));
    EXPECT_EQ(Post(), static_cast<DWORD>(NO_ERROR));
    EXPECT_EQ(InfFile(), "%WIN_DIR%\\Inf\\oem3.inf");
    EXPECT_EQ(PnfFile(), "%WIN_DIR%\\Inf\\oem3.pnf");
    EXPECT_EQ(Text(kInstalledFiles, "Files"), "%WIN_DIR%\\a"); // the installer's own list stays
    EXPECT_EQ(State(), "Finished install");
    EXPECT_TRUE(Reports().empty());
    std::vector<hostwin::UiRecord> starts = hostwin::UiLogOf("CreateProcess");
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].Text("command"), "VTRXMSG.exe");
    EXPECT_NE(starts[0].json.find("\"ok\":true"), std::string::npos) << starts[0].json;
}

TEST_F(CoInstaller, PostProcessingRunsAfterAFailedInstallationAsAfterASuccessfulOne) {
    PrepareInstallation("oem0.inf");
    EXPECT_EQ(Post(ERROR_GEN_FAILURE), static_cast<DWORD>(NO_ERROR));
    EXPECT_EQ(InfFile(), "%WIN_DIR%\\Inf\\oem0.inf");
    EXPECT_EQ(PnfFile(), "%WIN_DIR%\\Inf\\oem0.pnf");
    EXPECT_EQ(State(), "Finished install");
    EXPECT_EQ(AppletStarts(), 1u);
}

struct SuffixCase {
    const char* inf_path;
    const char* pnf_file; // null: the suffix test fails
};

// Columns: InfPath, the "PnfFile" written (null: the suffix test fails).
const SuffixCase kSuffixCases[] = {
    {"oem3.inf", "%WIN_DIR%\\Inf\\oem3.pnf"},
    {"MDMXYZ.INF", "%WIN_DIR%\\Inf\\MDMXYZ.pnf"},
    {"Modem.InF", "%WIN_DIR%\\Inf\\Modem.pnf"},
    {".inf", "%WIN_DIR%\\Inf\\.pnf"},
    {"modem.txt", nullptr},
    {"inf", nullptr},
    {"a", nullptr},
    {"", nullptr},
    {"oem3.inf.bak", nullptr},
    {"oem3inf", nullptr},
};

TEST_F(CoInstaller, TheInfNameMustEndInDotInfWhateverItsCase) {
    for (const SuffixCase& c : kSuffixCases) {
        TearDown();
        SetUp();
        PrepareInstallation(c.inf_path);
        ASSERT_EQ(Pre(), static_cast<DWORD>(ERROR_DI_POSTPROCESSING_REQUIRED));
        SetLastError(0);
        DWORD result = Post();
        EXPECT_EQ(InfFile(), std::string("%WIN_DIR%\\Inf\\") + c.inf_path) << c.inf_path;
        if (c.pnf_file != nullptr) {
            EXPECT_EQ(result, static_cast<DWORD>(NO_ERROR)) << c.inf_path;
            EXPECT_EQ(PnfFile(), c.pnf_file) << c.inf_path;
            EXPECT_EQ(State(), "Finished install") << c.inf_path;
            EXPECT_TRUE(Reports().empty()) << c.inf_path;
        } else {
            // No last-error code on the thread: the pass still fails, with the name as reason.
            EXPECT_EQ(result, static_cast<DWORD>(ERROR_INVALID_NAME)) << c.inf_path;
            EXPECT_EQ(PnfFile(), "(none)") << c.inf_path;
            EXPECT_EQ(State(), "Found") << c.inf_path;
            EXPECT_EQ(AppletStarts(), 0u) << c.inf_path;
            EXPECT_EQ(Reports(),
                      std::vector<std::string>{std::string("Unexpected .INF file suffix in '") +
                                               c.inf_path + "'"});
        }
    }
}

TEST_F(CoInstaller, TheSuffixReportCarriesWhateverLastErrorCodeTheThreadHolds) {
    PrepareInstallation("modem.txt");
    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_EQ(Post(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(Reports(), std::vector<std::string>{"Unexpected .INF file suffix in 'modem.txt':\n"
                                                  "Access is denied.\r\n (0x00000005)"});
}

TEST_F(CoInstaller, WithoutTheInstalledFilesKeyNothingIsWrittenThereAndTheKeyIsNotCreated) {
    GiveDriverKey("oem3.inf");
    InstallApplet();
    ASSERT_EQ(Pre(), static_cast<DWORD>(ERROR_DI_POSTPROCESSING_REQUIRED));
    SetLastError(0);
    EXPECT_EQ(Post(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(Reports(),
              std::vector<std::string>{"Unable to open TSLU installed files registry key:\n"
                                       "The system cannot find the file specified.\r\n"
                                       " (0x00000002)"});
    EXPECT_FALSE(KeyExists("Software\\TessalyUninstallInfo"));
    EXPECT_EQ(State(), "Found");
    EXPECT_EQ(AppletStarts(), 0u);
}

TEST_F(CoInstaller, AMonitorThatCannotBeStartedIsReportedWithTheReasonAndStateStaysFound) {
    GiveDriverKey("oem3.inf");
    CreateInstalledFiles();
    ASSERT_EQ(Pre(), static_cast<DWORD>(ERROR_DI_POSTPROCESSING_REQUIRED));
    SetLastError(0);
    EXPECT_EQ(Post(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(Reports(), std::vector<std::string>{"Unable to launch message applet:\n"
                                                  "The system cannot find the file specified.\r\n"
                                                  " (0x00000002)"});
    EXPECT_EQ(InfFile(), "%WIN_DIR%\\Inf\\oem3.inf"); // what the steps before wrote stays
    EXPECT_EQ(PnfFile(), "%WIN_DIR%\\Inf\\oem3.pnf");
    EXPECT_EQ(State(), "Found");
    std::vector<hostwin::UiRecord> log = hostwin::UiLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].Event(), "CreateProcess");
    EXPECT_NE(log[0].json.find("\"ok\":false"), std::string::npos);
    EXPECT_EQ(log[1].Event(), "MessageBox");
}

TEST_F(CoInstaller, ADeviceWithoutADriverKeyIsReportedWithSetupApisCode) {
    CreateInstalledFiles();
    SetLastError(0);
    EXPECT_EQ(Post(), static_cast<DWORD>(ERROR_KEY_DOES_NOT_EXIST));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_KEY_DOES_NOT_EXIST));
    // The system has no text for device installation's own codes: the code alone follows.
    EXPECT_EQ(Reports(), std::vector<std::string>{"Unable to open device registry key:\n"
                                                  " (0xE0000204)"});
    EXPECT_EQ(InfFile(), "(none)");
}

TEST_F(CoInstaller, ADriverKeyWithoutInfPathIsReportedWithTheReadsReason) {
    HKEY key =
        SetupDiCreateDevRegKeyA(set_, &device_, DICS_FLAG_GLOBAL, 0, DIREG_DRV, nullptr, nullptr);
    RegCloseKey(key);
    CreateInstalledFiles();
    SetLastError(0);
    EXPECT_EQ(Post(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(Reports(),
              std::vector<std::string>{"Unable to retrieve .INF file name from registry:\n"
                                       "The system cannot find the file specified.\r\n"
                                       " (0x00000002)"});
}

struct Fault {
    const char* api;
    unsigned nth; // the nth call of the pass
};

struct FailureCase {
    const char* what;
    bool pre; // the pre-processing pass, else post-processing after a successful pre pass
    Fault faults[2];
    DWORD error; // the injected error
    const char* message;
    bool all_bits_set; // the result is -1, else the injected error
    const char* state;
    const char* inf_file;
    const char* pnf_file;
    size_t applets_started;
};

// Columns: case, pass, the calls made to fail (the nth of the pass), the error they fail
// with, the message, result -1 (else the error), "State", "InfFile" and "PnfFile" afterwards,
// applets started.
const FailureCase kFailureCases[] = {
    {"pre: the state key is neither opened nor created",
     true,
     {{"RegOpenKeyA", 1}, {"RegCreateKeyA", 1}},
     ERROR_ACCESS_DENIED,
     "Unable to set state for setup",
     true,
     "(none)",
     "(none)",
     "(none)",
     0},
    {"pre: State not written",
     true,
     {{"RegSetValueExA", 1}, {nullptr, 0}},
     ERROR_CANTWRITE,
     "Unable to set state for setup",
     true,
     "(none)",
     "(none)",
     "(none)",
     0},
    {"pre: the state key not closed",
     true,
     {{"RegCloseKey", 1}, {nullptr, 0}},
     ERROR_BADKEY,
     "Unable to set state for setup",
     true,
     "Found",
     "(none)",
     "(none)",
     0},
    {"post 1: driver key not opened",
     false,
     {{"SetupDiOpenDevRegKey", 1}, {nullptr, 0}},
     ERROR_ACCESS_DENIED,
     "Unable to open device registry key",
     false,
     "Found",
     "(none)",
     "(none)",
     0},
    {"post 2: InfPath not read",
     false,
     {{"RegQueryValueExA", 1}, {nullptr, 0}},
     ERROR_CANTREAD,
     "Unable to retrieve .INF file name from registry",
     false,
     "Found",
     "(none)",
     "(none)",
     0},
    {"post 3: driver key not closed",
     false,
     {{"RegCloseKey", 1}, {nullptr, 0}},
     ERROR_BADKEY,
     "Unable to close device registry key",
     false,
     "Found",
     "(none)",
     "(none)",
     0},
    {"post 4: InstalledFiles not opened",
     false,
     {{"RegOpenKeyA", 1}, {nullptr, 0}},
     ERROR_ACCESS_DENIED,
     "Unable to open TSLU installed files registry key",
     false,
     "Found",
     "(none)",
     "(none)",
     0},
    {"post 5: InfFile not written",
     false,
     {{"RegSetValueExA", 1}, {nullptr, 0}},
     ERROR_ACCESS_DENIED,
     "Unable to set TSLU InfPath registry value",
     false,
     "Found",
     "(none)",
     "(none)",
     0},
    {"post 7: PnfFile not written",
     false,
     {{"RegSetValueExA", 2}, {nullptr, 0}},
     ERROR_CANTWRITE,
     "Unable to set TSLU PnfPath registry value",
     false,
     "Found",
     "%WIN_DIR%\\Inf\\oem3.inf",
     "(none)",
     0},
    {"post 8: InstalledFiles not closed",
     false,
     {{"RegCloseKey", 2}, {nullptr, 0}},
     ERROR_BADKEY,
     "Unable to close TSLU installed files registry key",
     false,
     "Found",
     "%WIN_DIR%\\Inf\\oem3.inf",
     "%WIN_DIR%\\Inf\\oem3.pnf",
     0},
    {"post 9: applet not started",
     false,
     {{"CreateProcessA", 1}, {nullptr, 0}},
     ERROR_NOT_ENOUGH_MEMORY,
     "Unable to launch message applet",
     false,
     "Found",
     "%WIN_DIR%\\Inf\\oem3.inf",
     "%WIN_DIR%\\Inf\\oem3.pnf",
     0},
    {"post 10: State not written",
     false,
     {{"RegSetValueExA", 3}, {nullptr, 0}},
     ERROR_CANTWRITE,
     "Unable to set state for setup",
     true,
     "Found",
     "%WIN_DIR%\\Inf\\oem3.inf",
     "%WIN_DIR%\\Inf\\oem3.pnf",
     1},
};

// The report's text for a message after a failure with the error: the system's text of the
// error, then the code after a blank.
std::string ReportOf(const char* message, DWORD error) {
    LPSTR system_text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                       FORMAT_MESSAGE_ALLOCATE_BUFFER,
                   nullptr, error, 0x400, reinterpret_cast<LPSTR>(&system_text), 0, nullptr);
    EXPECT_NE(system_text, nullptr) << "a code whose text the report shows: " << error;
    std::string text = std::string(message) + ":\n" + (system_text != nullptr ? system_text : "");
    LocalFree(system_text);
    char code[16];
    snprintf(code, sizeof code, " (0x%08X)", error);
    return text + code;
}

TEST_F(CoInstaller, EveryFailureIsReportedWithItsMessageAndEndsThePassWithItsResult) {
    for (const FailureCase& c : kFailureCases) {
        TearDown();
        SetUp();
        PrepareInstallation("oem3.inf");
        if (!c.pre) {
            ASSERT_EQ(Pre(), static_cast<DWORD>(ERROR_DI_POSTPROCESSING_REQUIRED)) << c.what;
        }
        std::string expected = ReportOf(c.message, c.error);
        hostwin::ClearUiLog();
        for (const Fault& f : c.faults)
            if (f.api != nullptr)
                hostwin::FailCall(f.api, f.nth, c.error);
        SetLastError(0);
        DWORD result = c.pre ? Pre() : Post();
        hostwin::ClearFaults();
        EXPECT_EQ(result, c.all_bits_set ? kAllBitsSet : c.error) << c.what;
        EXPECT_EQ(Reports(), std::vector<std::string>{expected}) << c.what;
        EXPECT_EQ(State(), c.state) << c.what;
        EXPECT_EQ(InfFile(), c.inf_file) << c.what;
        EXPECT_EQ(PnfFile(), c.pnf_file) << c.what;
        EXPECT_EQ(AppletsStarted(), c.applets_started) << c.what;
    }
}

TEST_F(CoInstaller, AFailedRegistryWriteEndsWithItsErrorNotNoError) {
    PrepareInstallation("oem3.inf");
    ASSERT_EQ(Pre(), static_cast<DWORD>(ERROR_DI_POSTPROCESSING_REQUIRED));
    hostwin::FailCall("RegSetValueExA", 1, ERROR_ACCESS_DENIED);
    SetLastError(0); // the registry functions would leave it so
    EXPECT_EQ(Post(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(Reports(), std::vector<std::string>{"Unable to set TSLU InfPath registry value:\n"
                                                  "Access is denied.\r\n (0x00000005)"});
}

TEST_F(CoInstaller, AnInfNameOf241CharactersFillsTheValueAnd242AreRefusedWithoutOverrun) {
    std::string longest = std::string(237, 'x') + ".inf";
    ASSERT_EQ(longest.size(), 241u);
    PrepareInstallation(longest);
    EXPECT_EQ(Post(), static_cast<DWORD>(NO_ERROR));
    EXPECT_EQ(InfFile(), "%WIN_DIR%\\Inf\\" + longest);
    EXPECT_EQ(InfFile().size(), 255u);
    EXPECT_EQ(PnfFile(), "%WIN_DIR%\\Inf\\" + std::string(237, 'x') + ".pnf");

    TearDown();
    SetUp();
    std::string too_long = std::string(238, 'x') + ".inf";
    PrepareInstallation(too_long);
    ASSERT_EQ(Pre(), static_cast<DWORD>(ERROR_DI_POSTPROCESSING_REQUIRED));
    SetLastError(0);
    EXPECT_EQ(Post(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_EQ(Reports(), std::vector<std::string>{"Unable to set TSLU InfPath registry value:\n"
                                                  "The filename or extension is too long.\r\n"
                                                  " (0x000000CE)"});
    EXPECT_EQ(InfFile(), "(none)");
    EXPECT_EQ(PnfFile(), "(none)");
    EXPECT_EQ(State(), "Found");
    EXPECT_EQ(AppletStarts(), 0u);
}

struct LongValueCase {
    const char* what;
    size_t length;
    DWORD type;
    DWORD result;
    const char* message;
};

// Columns: case, InfPath's length in bytes, its type, the result, the message.
const LongValueCase kLongValueCases[] = {
    {"255 characters: read, then refused", 255, REG_SZ, ERROR_FILENAME_EXCED_RANGE,
     "Unable to set TSLU InfPath registry value"},
    {"256 characters: not read", 256, REG_SZ, ERROR_MORE_DATA,
     "Unable to retrieve .INF file name from registry"},
    {"256 bytes without a terminator: read, then refused", 256, REG_BINARY,
     ERROR_FILENAME_EXCED_RANGE, "Unable to set TSLU InfPath registry value"},
};

TEST_F(CoInstaller, InfPathValuesThatFillTheBufferAreReportedNeverOverrun) {
    for (const LongValueCase& c : kLongValueCases) {
        TearDown();
        SetUp();
        GiveDriverKey(std::string(c.length - 4, 'y') + ".inf", c.type);
        CreateInstalledFiles();
        SetLastError(0);
        EXPECT_EQ(Post(), c.result) << c.what;
        EXPECT_EQ(Reports(), std::vector<std::string>{ReportOf(c.message, c.result)}) << c.what;
        EXPECT_EQ(InfFile(), "(none)") << c.what;
    }
}

TEST_F(CoInstaller, AMissingContextIsRefusedWithoutActing) {
    EXPECT_EQ(DeroRiridCoInstaller(DIF_INSTALLDEVICE, set_, &device_, nullptr),
              static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(KeyExists(kHwctl));
    EXPECT_TRUE(hostwin::UiLog().empty());
}

} // namespace
