// The process area: which file CreateProcessA runs (the search order, the ".exe" rule, quoted
// and unquoted names with blanks), what the child receives, exit codes, waiting, failures and
// the UI log. The child is the echo_cmdline helper, copied onto drive C under the names that
// a case needs; it records what it received in a file.
#include <windows.h>

#include <hostwin/testing.h>

#include <hostwin/testing.h>

#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr DWORD kSentinel = 0xdeadbeef;

using Record = std::map<std::string, std::string>;

class ProcessesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        hostwin::ResetMachine();
        // Outside the machine, which the search cases reset.
        std::string pattern = (fs::temp_directory_path() / "echo_cmdline-XXXXXX").string();
        int fd = mkstemp(&pattern[0]);
        ASSERT_GE(fd, 0);
        close(fd);
        output_ = pattern;
        fs::remove(output_);
        setenv("ECHO_CMDLINE_OUTPUT", output_.c_str(), 1);
    }

    void TearDown() override {
        unsetenv("ECHO_CMDLINE_OUTPUT");
        fs::remove(output_);
        fs::remove(output_.string() + ".block");
    }

    static std::string Host(const char* windows_path) {
        char host[4096] = "";
        EXPECT_TRUE(hostwin::HostPathOf(windows_path, host, sizeof host)) << windows_path;
        return host;
    }

    // Puts a copy of the helper at a Windows path.
    static void Install(const std::string& windows_path) {
        std::string host = Host(windows_path.c_str());
        fs::create_directories(fs::path(host).parent_path());
        fs::copy_file(ECHO_CMDLINE_PROGRAM, host, fs::copy_options::overwrite_existing);
        fs::permissions(host, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec,
                        fs::perm_options::replace);
    }

    // Starts a command line as the product does, waits, and returns the exit code, or -1
    // when the process could not be created (its error in *error).
    static long Run(const char* command_line, DWORD* error = nullptr,
                    const char* current_directory = nullptr, void* environment = nullptr) {
        std::vector<char> line(command_line, command_line + strlen(command_line) + 1);
        STARTUPINFOA startup;
        startup.cb = 68;
        GetStartupInfoA(&startup);
        PROCESS_INFORMATION process;
        SetLastError(kSentinel);
        if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, environment,
                            current_directory, &startup, &process)) {
            if (error != nullptr)
                *error = GetLastError();
            return -1;
        }
        EXPECT_EQ(WaitForSingleObject(process.hProcess, INFINITE), WAIT_OBJECT_0);
        DWORD exit_code = kSentinel;
        EXPECT_TRUE(GetExitCodeProcess(process.hProcess, &exit_code));
        EXPECT_TRUE(CloseHandle(process.hThread));
        EXPECT_TRUE(CloseHandle(process.hProcess));
        return static_cast<long>(exit_code);
    }

    // The records that the children wrote, in order.
    std::vector<Record> Records() const {
        std::vector<Record> records(1);
        std::ifstream in(output_);
        std::string line;
        while (std::getline(in, line)) {
            if (line == "end") {
                records.emplace_back();
                continue;
            }
            size_t equals = line.find('=');
            records.back()[line.substr(0, equals)] = line.substr(equals + 1);
        }
        records.pop_back();
        return records;
    }

    Record OnlyRecord() const {
        std::vector<Record> records = Records();
        EXPECT_EQ(records.size(), 1u);
        return records.empty() ? Record() : records[0];
    }

    std::string ExecutableRan() const { return OnlyRecord()["exe"]; }

    fs::path output_;
};

// ---- The search order

struct SearchCase {
    std::vector<const char*> installed; // directories holding tool.exe
    const char* winner;                 // the one that runs; null: none is found
};

// The places, in the order searched: application directory, current directory, system
// directory, Windows directory, the Windows PATH.
const SearchCase kSearchCases[] = {
    {{"C:\\App", "C:\\Work", "C:\\WINDOWS\\system32", "C:\\WINDOWS", "C:\\Tools"}, "C:\\App"},
    {{"C:\\Work", "C:\\WINDOWS\\system32", "C:\\WINDOWS", "C:\\Tools"}, "C:\\Work"},
    {{"C:\\WINDOWS\\system32", "C:\\WINDOWS", "C:\\Tools"}, "C:\\WINDOWS\\system32"},
    {{"C:\\WINDOWS", "C:\\Tools"}, "C:\\WINDOWS"},
    {{"C:\\Tools"}, "C:\\Tools"},
    {{"C:\\Other"}, nullptr},
};

TEST_F(ProcessesTest, TheProgramIsSearchedInTheWindowsOrder) {
    for (const SearchCase& c : kSearchCases) {
        hostwin::ResetMachine();
        fs::remove(output_);
        hostwin::SetModulePath("C:\\App\\caller.exe");
        fs::create_directories(Host("C:\\Work"));
        hostwin::SetWorkingDirectory("C:\\Work");
        hostwin::SetSearchPath("C:\\Nowhere;C:\\Tools");
        for (const char* directory : c.installed)
            Install(std::string(directory) + "\\tool.exe");
        DWORD error = kSentinel;
        long status = Run("tool", &error);
        if (c.winner == nullptr) {
            EXPECT_EQ(status, -1);
            EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
            continue;
        }
        EXPECT_EQ(status, 0) << c.winner;
        EXPECT_EQ(ExecutableRan(), Host((std::string(c.winner) + "\\tool.exe").c_str()));
    }
}

struct NameCase {
    const char* command_line;
    const char* runs; // the file that runs; null: ERROR_FILE_NOT_FOUND
};

// Installed in C:\WINDOWS: Hwctl2k.exe, plain (no extension), tool.com.
const NameCase kNameCases[] = {
    {"Hwctl2k remove", "C:\\WINDOWS\\Hwctl2k.exe"},
    {"C:\\WINDOWS\\Hwctl2k remove", "C:\\WINDOWS\\Hwctl2k.exe"}, // ".exe" added to a path too
    {"c:\\windows\\HWCTL2K.EXE remove", "C:\\WINDOWS\\Hwctl2k.exe"},
    {"C:/WINDOWS/hwctl2k remove", "C:\\WINDOWS\\Hwctl2k.exe"},
    {"\\WINDOWS\\Hwctl2k remove", "C:\\WINDOWS\\Hwctl2k.exe"},
    {"tool.com", "C:\\WINDOWS\\tool.com"},
    {"plain.", "C:\\WINDOWS\\plain"}, // a final dot: nothing added
    {"plain", nullptr},               // only plain.exe is looked for
    {"tool", nullptr},
    {"D:\\WINDOWS\\Hwctl2k remove", nullptr},
    {"C:\\WINDOWS\\system32\\Hwctl2k remove", nullptr}, // a path is not searched elsewhere
    {"", nullptr},
};

TEST_F(ProcessesTest, ExeIsAddedToANameWithoutExtension) {
    for (const char* name :
         {"C:\\WINDOWS\\Hwctl2k.exe", "C:\\WINDOWS\\plain", "C:\\WINDOWS\\tool.com"})
        Install(name);
    for (const NameCase& c : kNameCases) {
        fs::remove(output_);
        DWORD error = kSentinel;
        long status = Run(c.command_line, &error);
        if (c.runs == nullptr) {
            EXPECT_EQ(status, -1) << c.command_line;
            EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND)) << c.command_line;
            EXPECT_TRUE(Records().empty()) << c.command_line;
        } else {
            EXPECT_EQ(status, 0) << c.command_line;
            EXPECT_EQ(ExecutableRan(), Host(c.runs)) << c.command_line;
        }
    }
}

struct BlankCase {
    std::vector<const char*> installed;
    const char* command_line;
    const char* runs;
};

const BlankCase kBlankCases[] = {
    // Unquoted: "C:\Program", then "C:\Program Files\Sub", "...\Sub Dir\Program", the whole.
    {{"C:\\Program Files\\Sub Dir\\Program Name.exe"},
     "C:\\Program Files\\Sub Dir\\Program Name",
     "C:\\Program Files\\Sub Dir\\Program Name.exe"},
    {{"C:\\Program Files\\Sub Dir\\Program Name.exe", "C:\\Program Files\\Sub Dir\\Program.exe"},
     "C:\\Program Files\\Sub Dir\\Program Name",
     "C:\\Program Files\\Sub Dir\\Program.exe"},
    {{"C:\\Program Files\\Sub Dir\\Program Name.exe", "C:\\Program Files\\Sub.exe"},
     "C:\\Program Files\\Sub Dir\\Program Name arg",
     "C:\\Program Files\\Sub.exe"},
    {{"C:\\Program Files\\Sub Dir\\Program Name.exe", "C:\\Program.exe"},
     "C:\\Program Files\\Sub Dir\\Program Name exit=0",
     "C:\\Program.exe"},
    // Quoted: the name ends at the quote.
    {{"C:\\Program Files\\Sub Dir\\Program Name.exe", "C:\\Program.exe"},
     "\"C:\\Program Files\\Sub Dir\\Program Name\" arg",
     "C:\\Program Files\\Sub Dir\\Program Name.exe"},
    {{"C:\\Program Files\\Sub Dir\\Program Name.exe", "C:\\Program.exe"},
     "\"C:\\Program Files\\Sub Dir\\Program Name",
     "C:\\Program Files\\Sub Dir\\Program Name.exe"},
};

TEST_F(ProcessesTest, NamesWithBlanksAreTriedPrefixByPrefixUnlessQuoted) {
    for (const BlankCase& c : kBlankCases) {
        hostwin::ResetMachine();
        fs::remove(output_);
        for (const char* name : c.installed)
            Install(name);
        EXPECT_EQ(Run(c.command_line), 0) << c.command_line;
        EXPECT_EQ(ExecutableRan(), Host(c.runs)) << c.command_line;
    }
}

// ---- What the child receives

struct CommandLineCase {
    const char* command_line;
    std::vector<const char*> argv; // as the C runtime splits it
};

const CommandLineCase kCommandLineCases[] = {
    {"C:\\WINDOWS\\Hwctl2k remove", {"C:\\WINDOWS\\Hwctl2k", "remove"}},
    {"Hwctl2k   remove  ", {"Hwctl2k", "remove"}},
    {"\"C:\\WINDOWS\\Hwctl2k.exe\" \"a b\" c", {"C:\\WINDOWS\\Hwctl2k.exe", "a b", "c"}},
    {"Hwctl2k a\\\"b c\\\\\"d e\" f", {"Hwctl2k", "a\"b", "c\\d e", "f"}},
    {"Hwctl2k \"x \"\"y\"\" z\" \\\\server\\", {"Hwctl2k", "x \"y\" z", "\\\\server\\"}},
    {"Hwctl2k\ttab", {"Hwctl2k", "tab"}},
};

TEST_F(ProcessesTest, TheChildReceivesTheExactCommandLine) {
    Install("C:\\WINDOWS\\Hwctl2k.exe");
    for (const CommandLineCase& c : kCommandLineCases) {
        fs::remove(output_);
        EXPECT_EQ(Run(c.command_line), 0) << c.command_line;
        Record record = OnlyRecord();
        EXPECT_EQ(record["command"], c.command_line);
        EXPECT_EQ(record["argc"], std::to_string(c.argv.size())) << c.command_line;
        for (size_t i = 0; i < c.argv.size(); ++i)
            EXPECT_EQ(record["argv" + std::to_string(i)], c.argv[i]) << c.command_line;
    }
}

TEST_F(ProcessesTest, TheChildGetsItsModuleItsDirectoryAndNoneOfTheParentsFaults) {
    Install("C:\\WINDOWS\\Hwctl2k.exe");
    fs::create_directories(Host("C:\\Work"));
    hostwin::SetWorkingDirectory("c:\\work");
    setenv("HOSTWIN_FAULTS", "CreateFileA:1:5", 1);
    setenv("HOSTWIN_MACHINE", "elsewhere", 1); // the parent runs on the in-memory machine
    EXPECT_EQ(Run("hwctl2k remove"), 0);
    unsetenv("HOSTWIN_FAULTS");
    unsetenv("HOSTWIN_MACHINE");
    Record record = OnlyRecord();
    EXPECT_EQ(record["module"], "C:\\WINDOWS\\hwctl2k.exe"); // as searched, like Windows
    EXPECT_EQ(record["cwd"], fs::canonical(Host("C:\\Work")).string());
    EXPECT_EQ(record["faults"], "(unset)");
    EXPECT_EQ(record["machine"], "(unset)");

    fs::remove(output_);
    EXPECT_EQ(Run("hwctl2k remove", nullptr, "C:\\WINDOWS"), 0);
    EXPECT_EQ(OnlyRecord()["cwd"], fs::canonical(Host("C:\\WINDOWS")).string());
}

TEST_F(ProcessesTest, AnEnvironmentBlockReplacesTheParentsEnvironment) {
    Install("C:\\WINDOWS\\tool.exe");
    fs::path other = output_.string() + ".block";
    std::string block = "ECHO_CMDLINE_OUTPUT=" + other.string();
    block += '\0';
    block += "OTHER=1";
    block += '\0';
    block += '\0';
    EXPECT_EQ(Run("tool", nullptr, nullptr, &block[0]), 0);
    EXPECT_TRUE(Records().empty());
    EXPECT_TRUE(fs::exists(other));
}

// ---- Exit codes and waiting

TEST_F(ProcessesTest, TheExitCodeComesBackThroughGetExitCodeProcess) {
    Install("C:\\WINDOWS\\tool.exe");
    for (long code : {0L, 1L, 3L, 4L, 255L})
        EXPECT_EQ(Run(("tool exit=" + std::to_string(code)).c_str()), code);
}

TEST_F(ProcessesTest, WaitingTimesOutWhileTheChildRuns) {
    Install("C:\\WINDOWS\\tool.exe");
    char line[] = "tool sleep=300 exit=7";
    STARTUPINFOA startup;
    GetStartupInfoA(&startup);
    PROCESS_INFORMATION process;
    ASSERT_TRUE(CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process));
    EXPECT_NE(process.dwProcessId, 0u);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(WaitForSingleObject(process.hThread, 10), static_cast<DWORD>(WAIT_TIMEOUT));
    DWORD code = kSentinel;
    EXPECT_TRUE(GetExitCodeProcess(process.hProcess, &code));
    EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_EQ(WaitForSingleObject(process.hThread, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 0), WAIT_OBJECT_0); // stays signalled
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 5000), WAIT_OBJECT_0);
    EXPECT_TRUE(GetExitCodeProcess(process.hProcess, &code));
    EXPECT_EQ(code, 7u);
    SetLastError(kSentinel);
    EXPECT_FALSE(GetExitCodeProcess(process.hThread, &code)); // not a process handle
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_TRUE(CloseHandle(process.hProcess));
    EXPECT_TRUE(CloseHandle(process.hThread));
    EXPECT_EQ(WaitForSingleObject(process.hProcess, INFINITE), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(ProcessesTest, WaitingOnSomethingThatIsNoHandleFails) {
    for (HANDLE handle : {static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE,
                          reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x1234))}) {
        SetLastError(kSentinel);
        EXPECT_EQ(WaitForSingleObject(handle, INFINITE), WAIT_FAILED);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        DWORD code;
        EXPECT_FALSE(GetExitCodeProcess(handle, &code));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    }
}

// ---- Failures

struct StartFailureCase {
    const char* what;
    const char* command_line;
    const char* current_directory;
    DWORD error;
};

// Installed: C:\WINDOWS\text.exe, a file without execute permission; C:\WINDOWS\junk.exe,
// executable but no program; C:\WINDOWS\tool.exe, the helper.
const StartFailureCase kStartFailureCases[] = {
    {"not found", "missing remove", nullptr, ERROR_FILE_NOT_FOUND},
    {"not executable", "text", nullptr, ERROR_BAD_EXE_FORMAT},
    {"no program", "junk", nullptr, ERROR_BAD_EXE_FORMAT},
    {"no such current directory", "tool", "C:\\NoDir", ERROR_DIRECTORY},
    {"a file as current directory", "tool", "C:\\WINDOWS\\tool.exe", ERROR_DIRECTORY},
};

TEST_F(ProcessesTest, StartFailuresGiveTheWindowsErrors) {
    Install("C:\\WINDOWS\\tool.exe");
    std::ofstream(Host("C:\\WINDOWS\\text.exe")) << "just text";
    std::ofstream(Host("C:\\WINDOWS\\junk.exe")) << "no program either";
    fs::permissions(Host("C:\\WINDOWS\\junk.exe"), fs::perms::owner_all);
    for (const StartFailureCase& c : kStartFailureCases) {
        DWORD error = kSentinel;
        EXPECT_EQ(Run(c.command_line, &error, c.current_directory), -1) << c.what;
        EXPECT_EQ(error, c.error) << c.what;
    }
    EXPECT_TRUE(Records().empty());
}

TEST_F(ProcessesTest, EveryProcessCallCanBeMadeToFail) {
    Install("C:\\WINDOWS\\tool.exe");
    hostwin::FailCall("CreateProcessA", 1, ERROR_NOT_ENOUGH_MEMORY);
    DWORD error = kSentinel;
    EXPECT_EQ(Run("tool"), -1);
    EXPECT_TRUE(Records().empty());
    EXPECT_EQ(Run("tool", &error), 0); // the next call runs

    char line[] = "tool exit=2";
    STARTUPINFOA startup;
    GetStartupInfoA(&startup);
    PROCESS_INFORMATION process;
    ASSERT_TRUE(CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process));
    hostwin::FailCall("WaitForSingleObject", 1, ERROR_INVALID_HANDLE);
    SetLastError(kSentinel);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, INFINITE), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(WaitForSingleObject(process.hProcess, INFINITE), WAIT_OBJECT_0);
    hostwin::FailCall("GetExitCodeProcess", 1, ERROR_ACCESS_DENIED);
    DWORD code = kSentinel;
    EXPECT_FALSE(GetExitCodeProcess(process.hProcess, &code));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(code, kSentinel);
    EXPECT_TRUE(GetExitCodeProcess(process.hProcess, &code));
    EXPECT_EQ(code, 2u);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
}

TEST_F(ProcessesTest, CreationFlagsAreNotProvided) {
    Install("C:\\WINDOWS\\tool.exe");
    char line[] = "tool";
    STARTUPINFOA startup;
    GetStartupInfoA(&startup);
    PROCESS_INFORMATION process;
    EXPECT_FALSE(CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, 0x4 /* suspended */,
                                nullptr, nullptr, &startup, &process));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED));
}

TEST_F(ProcessesTest, GetStartupInfoFillsTheWholeRecord) {
    STARTUPINFOA startup;
    memset(&startup, 0xAB, sizeof startup);
    startup.cb = 68;
    GetStartupInfoA(&startup);
    EXPECT_EQ(startup.cb, sizeof startup);
    EXPECT_EQ(startup.dwFlags, 0u);
    EXPECT_EQ(startup.hStdOutput, nullptr);
    EXPECT_EQ(hostwin::CallCount("GetStartupInfoA"), 1u);
}

// ---- The UI log

TEST_F(ProcessesTest, EveryCreateProcessIsLogged) {
    Install("C:\\WINDOWS\\tool.exe");
    Run("tool exit=0");
    Run("missing \"quoted\" C:\\path");
    hostwin::FailCall("CreateProcessA", 1, ERROR_NOT_ENOUGH_MEMORY);
    Run("tool");
    std::vector<hostwin::UiRecord> log = hostwin::UiLog();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].json, "{\"event\":\"CreateProcess\",\"command\":\"tool exit=0\",\"ok\":true}");
    EXPECT_EQ(log[1].json, "{\"event\":\"CreateProcess\",\"command\":"
                           "\"missing \\\"quoted\\\" C:\\\\path\",\"ok\":false}");
    EXPECT_EQ(log[2].json, "{\"event\":\"CreateProcess\",\"command\":\"tool\",\"ok\":false}");
}

} // namespace
