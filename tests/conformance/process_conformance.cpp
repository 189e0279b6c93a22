// CreateProcessA as Windows NT has it, called as the product calls it (no application name,
// no inheritance, creation flags 0, the caller's environment): which file a command line
// runs, what the child receives, and how the parent learns that it ended. Checked against
// whatever implements the Win32 API under this program: hostwin on Linux, Windows or Wine
// with MinGW.
//
// The child is child_echo (built for each side beside this program), copied under the names
// a case needs; it writes its command line and its own path to a report file. Everything is
// made below C:\HostwinConformance\Processes and removed at the end; copies placed in the
// application, system and Windows directories are removed after each row.
//
// Wine's known gaps: it hands the child a rewritten command line when it found an unquoted
// name with blanks (the name put in quotes), where Windows hands over the command line as it
// was given; and it runs a name without extension as it is when the name with ".exe" added is
// not there, where Windows looks for the name with ".exe" alone.
#include "harness.h"
#include "platform.h"

#include <windows.h>

#include <stdio.h>
#include <string.h>

namespace {

const DWORD kSentinel = 0xdeadbeef;
const char kRoot[] = "C:\\HostwinConformance\\Processes";
const char kWork[] = "C:\\HostwinConformance\\Processes\\Work";   // the current directory
const char kTools[] = "C:\\HostwinConformance\\Processes\\Tools"; // on the PATH
const char kOther[] = "C:\\HostwinConformance\\Processes\\Other"; // searched by nobody
const char kSpaced[] = "C:\\HostwinConformance\\Processes\\With Space";
const char kReport[] = "C:\\HostwinConformance\\Processes\\report.txt";
const char kPath[] =
    "C:\\HostwinConformance\\Processes\\Nowhere;C:\\HostwinConformance\\Processes\\Tools";

char system_directory[MAX_PATH];
char windows_directory[MAX_PATH];

// The places CreateProcessA searches, in its order, and one it does not.
enum Place { kApplication, kCurrent, kSystem, kWindows, kOnPath, kElsewhere, kNoPlace };

const char* DirectoryOf(Place place) {
    switch (place) {
    case kApplication:
        return conformance::ApplicationDirectory();
    case kCurrent:
        return kWork;
    case kSystem:
        return system_directory;
    case kWindows:
        return windows_directory;
    case kOnPath:
        return kTools;
    case kElsewhere:
        return kOther;
    default:
        return "";
    }
}

void Join(char* out, size_t size, const char* directory, const char* file) {
    snprintf(out, size, "%s\\%s", directory, file);
}

// The copies a row put in place, removed when the row is done.
struct Installed {
    char paths[8][MAX_PATH];
    int count;
};

Installed installed;

bool Install(int line, const char* directory, const char* file) {
    if (installed.count == 8)
        return CHECK_AT(line, installed.count < 8);
    char* path = installed.paths[installed.count];
    Join(path, MAX_PATH, directory, file);
    if (!CHECK_AT(line, conformance::InstallChild(path)))
        return false;
    ++installed.count;
    return true;
}

void RemoveInstalled() {
    for (int i = 0; i < installed.count; ++i)
        DeleteFileA(installed.paths[i]);
    installed.count = 0;
}

// What became of one command line.
struct Outcome {
    bool created;
    DWORD error;     // GetLastError after a failed CreateProcessA
    DWORD exit_code; // after the wait
    bool reported;   // the child wrote its report
    char command[1024];
    char module[MAX_PATH * 2];
};

// Copies the value after `name` (a line's start and "key=") in the report into out.
void ReportValue(const char* report, const char* name, char* out, size_t size) {
    out[0] = '\0';
    const char* at = strstr(report, name);
    if (at == nullptr)
        return;
    at += strlen(name);
    size_t length = strcspn(at, "\n");
    if (length >= size)
        length = size - 1;
    memcpy(out, at, length);
    out[length] = '\0';
}

void ReadReport(Outcome* outcome) {
    char native[4096];
    if (!conformance::NativePathOf(kReport, native, sizeof native))
        return;
    FILE* file = fopen(native, "rb");
    if (file == nullptr)
        return;
    static char report[4096];
    size_t n = fread(report, 1, sizeof report - 1, file);
    fclose(file);
    report[n] = '\0';
    outcome->reported = true;
    ReportValue(report, "command=", outcome->command, sizeof outcome->command);
    ReportValue(report, "\nmodule=", outcome->module, sizeof outcome->module);
}

// Starts a command line as the product does and waits for the child without a time limit.
Outcome Run(int line, const char* command_line, const char* current_directory = nullptr) {
    Outcome outcome;
    memset(&outcome, 0, sizeof outcome);
    DeleteFileA(kReport);
    char buffer[1024];
    snprintf(buffer, sizeof buffer, "%s", command_line);
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    PROCESS_INFORMATION process;
    memset(&process, 0, sizeof process);
    SetLastError(kSentinel);
    outcome.created = CreateProcessA(nullptr, buffer, nullptr, nullptr, FALSE, 0, nullptr,
                                     current_directory, &startup, &process) != FALSE;
    if (!outcome.created) {
        outcome.error = GetLastError();
        return outcome;
    }
    CHECK_EQ_AT(line, WaitForSingleObject(process.hProcess, INFINITE), WAIT_OBJECT_0);
    outcome.exit_code = kSentinel;
    CHECK_AT(line, GetExitCodeProcess(process.hProcess, &outcome.exit_code));
    CHECK_AT(line, CloseHandle(process.hThread));
    CHECK_AT(line, CloseHandle(process.hProcess));
    ReadReport(&outcome);
    return outcome;
}

// Checks that the command line ran the file at directory\file, which got it unchanged.
void CheckRan(int line, const Outcome& outcome, const char* command_line, const char* directory,
              const char* file) {
    if (!CHECK_AT(line, outcome.created)) {
        printf("note: CreateProcessA(\"%s\") failed with %lu\n", command_line,
               static_cast<unsigned long>(outcome.error));
        return;
    }
    if (!CHECK_AT(line, outcome.reported))
        return;
    CHECK_EQ_AT(line, outcome.exit_code, 0);
    CHECK_STR_AT(line, outcome.command, command_line);
    char expected[MAX_PATH * 2];
    Join(expected, sizeof expected, directory, file);
    // Paths name files without regard to case.
    bool same_file = lstrcmpiA(outcome.module, expected) == 0;
    if (!CHECK_AT(line, same_file))
        printf("note: \"%s\" ran %s, expected %s\n", command_line, outcome.module, expected);
}

void CheckFailed(int line, const Outcome& outcome, DWORD error) {
    CHECK_AT(line, !outcome.created);
    CHECK_EQ_AT(line, outcome.error, error);
    CHECK_AT(line, !outcome.reported);
}

struct CommandLineCase {
    int line;
    const char* command_line;
    const char* file; // the file in the current directory that runs
};

// The child's GetCommandLineA is the command line exactly as given: blanks, tabs, quotes and
// backslashes as they were, the program name as written. Columns: line, command line, file.
const CommandLineCase kCommandLines[] = {
    {__LINE__, "hwconf_echo", "hwconf_echo.exe"},
    {__LINE__, "hwconf_echo first second", "hwconf_echo.exe"},
    {__LINE__, "hwconf_echo   two  blanks\tand a tab ", "hwconf_echo.exe"},
    {__LINE__, "hwconf_echo \"quoted arg\" back\\slash \\\"q\\\" \"\"", "hwconf_echo.exe"},
    {__LINE__, "\"hwconf_echo\" quoted-name", "hwconf_echo.exe"},
    {__LINE__, "HWCONF_ECHO.EXE upper-case", "hwconf_echo.exe"},
    {__LINE__, "hwconf_echo.exe", "hwconf_echo.exe"},
    {__LINE__, "hwconf_echo remove", "hwconf_echo.exe"},
};

void CommandLineAsGiven() {
    if (!Install(__LINE__, kWork, "hwconf_echo.exe"))
        return;
    for (const CommandLineCase& c : kCommandLines)
        CheckRan(c.line, Run(c.line, c.command_line), c.command_line, kWork, c.file);
    RemoveInstalled();
}

// The exit code of the child, once it has ended; STILL_ACTIVE while it runs.
void ExitCodes() {
    if (!Install(__LINE__, kWork, "hwconf_exit.exe"))
        return;
    const struct {
        int line;
        const char* command_line;
        DWORD exit_code;
    } cases[] = {
        {__LINE__, "hwconf_exit", 0},
        {__LINE__, "hwconf_exit exit=7", 7},
        {__LINE__, "hwconf_exit exit=255", 255},
    };
    for (const auto& c : cases) {
        Outcome outcome = Run(c.line, c.command_line);
        CHECK_AT(c.line, outcome.created);
        CHECK_EQ_AT(c.line, outcome.exit_code, c.exit_code);
    }

    char command_line[] = "hwconf_exit sleep=500 exit=3";
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    PROCESS_INFORMATION process;
    if (CHECK(CreateProcessA(nullptr, command_line, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &process))) {
        CHECK(process.hProcess != nullptr && process.hThread != nullptr);
        CHECK(process.dwProcessId != 0);
        CHECK_EQ(WaitForSingleObject(process.hProcess, 0), WAIT_TIMEOUT);
        DWORD exit_code = kSentinel;
        CHECK(GetExitCodeProcess(process.hProcess, &exit_code));
        CHECK_EQ(exit_code, STILL_ACTIVE);
        CHECK_EQ(WaitForSingleObject(process.hProcess, INFINITE), WAIT_OBJECT_0);
        CHECK_EQ(WaitForSingleObject(process.hProcess, 0), WAIT_OBJECT_0); // stays signalled
        CHECK(GetExitCodeProcess(process.hProcess, &exit_code));
        CHECK_EQ(exit_code, 3);
        CHECK(CloseHandle(process.hThread));
        CHECK(CloseHandle(process.hProcess));
    }
    RemoveInstalled();
}

// A handle that is no process handle, or no longer open, is refused with
// ERROR_INVALID_HANDLE by the wait, the exit code and CloseHandle alike.
void InvalidHandles() {
    char command_line[] = "hwconf_handles";
    if (!Install(__LINE__, kWork, "hwconf_handles.exe"))
        return;
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    PROCESS_INFORMATION process;
    if (CHECK(CreateProcessA(nullptr, command_line, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &process))) {
        CHECK_EQ(WaitForSingleObject(process.hProcess, INFINITE), WAIT_OBJECT_0);
        CHECK(CloseHandle(process.hThread));
        CHECK(CloseHandle(process.hProcess));
        const HANDLE invalid[] = {nullptr, process.hProcess};
        for (HANDLE handle : invalid) {
            DWORD exit_code = kSentinel;
            SetLastError(kSentinel);
            CHECK_EQ(WaitForSingleObject(handle, 0), WAIT_FAILED);
            CHECK_EQ(GetLastError(), ERROR_INVALID_HANDLE);
            SetLastError(kSentinel);
            CHECK(!GetExitCodeProcess(handle, &exit_code));
            CHECK_EQ(GetLastError(), ERROR_INVALID_HANDLE);
            SetLastError(kSentinel);
            CHECK(!CloseHandle(handle));
            CHECK_EQ(GetLastError(), ERROR_INVALID_HANDLE);
        }
    }
    RemoveInstalled();

    // A file handle has no exit code.
    char path[MAX_PATH];
    Join(path, sizeof path, kWork, "not-a-process.txt");
    HANDLE file =
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (CHECK(file != INVALID_HANDLE_VALUE)) {
        DWORD exit_code = kSentinel;
        SetLastError(kSentinel);
        CHECK(!GetExitCodeProcess(file, &exit_code));
        CHECK_EQ(GetLastError(), ERROR_INVALID_HANDLE);
        CHECK(CloseHandle(file));
    }
    DeleteFileA(path);
}

struct SearchCase {
    int line;
    Place places[6]; // where hwconf_where.exe lies, ended by kNoPlace
    Place winner;    // where the one that runs lies; kNoPlace: none is found
};

// A bare name is looked for in the application directory, the current directory, the system
// directory, the Windows directory, then the directories of PATH in order. Columns: line,
// the places holding the program, the place whose copy runs.
const SearchCase kSearches[] = {
    {__LINE__, {kApplication, kCurrent, kSystem, kWindows, kOnPath, kNoPlace}, kApplication},
    {__LINE__, {kCurrent, kSystem, kWindows, kOnPath, kNoPlace}, kCurrent},
    {__LINE__, {kSystem, kWindows, kOnPath, kNoPlace}, kSystem},
    {__LINE__, {kWindows, kOnPath, kNoPlace}, kWindows},
    {__LINE__, {kOnPath, kNoPlace}, kOnPath},
    {__LINE__, {kElsewhere, kNoPlace}, kNoPlace},
};

void SearchOrder() {
    conformance::SetSearchPath(kPath);
    for (const SearchCase& c : kSearches) {
        bool installed_all = true;
        for (const Place* p = c.places; *p != kNoPlace; ++p)
            installed_all = Install(c.line, DirectoryOf(*p), "hwconf_where.exe") && installed_all;
        if (installed_all) {
            Outcome outcome = Run(c.line, "hwconf_where");
            if (c.winner == kNoPlace)
                CheckFailed(c.line, outcome, ERROR_FILE_NOT_FOUND);
            else
                CheckRan(c.line, outcome, "hwconf_where", DirectoryOf(c.winner),
                         "hwconf_where.exe");
        }
        RemoveInstalled();
    }
}

// Wine's known gaps in reading the command line.
const char kWineBareName[] = "Wine also runs a name without extension as it is";
const char kWineQuotes[] = "Wine hands the child the found name put in quotes";

struct NameCase {
    int line;
    const char* command_line;
    const char* runs;     // the file in the current directory that runs; null: not found
    const char* wine_gap; // how Wine differs here, if it does
};

// How the name is read: ".exe" is added to a name without extension, and then only that file
// is looked for; a name with an extension (a final dot included) is taken as it is; a name
// with a path is looked for there alone. The current directory holds hwconf_name.exe,
// hwconf_plain (no extension) and hwconf_other.run. Wine, when no name with ".exe" added
// exists, also tries the name as it is, and runs hwconf_plain. Columns: line, command line,
// the file that runs, Wine's gap.
const NameCase kNames[] = {
    {__LINE__, "hwconf_name arg", "hwconf_name.exe", nullptr},
    {__LINE__, "C:\\HostwinConformance\\Processes\\Work\\hwconf_name arg", "hwconf_name.exe",
     nullptr},
    {__LINE__, "c:\\hostwinconformance\\processes\\work\\HWCONF_NAME.EXE arg", "hwconf_name.exe",
     nullptr},
    {__LINE__, "C:/HostwinConformance/Processes/Work/hwconf_name arg", "hwconf_name.exe", nullptr},
    {__LINE__, "\\HostwinConformance\\Processes\\Work\\hwconf_name arg", "hwconf_name.exe",
     nullptr},
    {__LINE__, ".\\hwconf_name arg", "hwconf_name.exe", nullptr},
    {__LINE__, "hwconf_other.run arg", "hwconf_other.run", nullptr},
    {__LINE__, "hwconf_plain. arg", "hwconf_plain", nullptr},
    {__LINE__, "hwconf_plain arg", nullptr, kWineBareName},
    {__LINE__, "hwconf_other arg", nullptr, nullptr},
    {__LINE__, "C:\\HostwinConformance\\Processes\\Tools\\hwconf_name arg", nullptr, nullptr},
};

void NameRules() {
    if (!Install(__LINE__, kWork, "hwconf_name.exe") || !Install(__LINE__, kWork, "hwconf_plain") ||
        !Install(__LINE__, kWork, "hwconf_other.run"))
        return;
    for (const NameCase& c : kNames) {
        Outcome outcome = Run(c.line, c.command_line);
        conformance::BeginKnownGap(conformance::RunningUnderWine() && c.wine_gap != nullptr,
                                   c.wine_gap);
        if (c.runs == nullptr)
            CheckFailed(c.line, outcome, ERROR_FILE_NOT_FOUND);
        else
            CheckRan(c.line, outcome, c.command_line, kWork, c.runs);
        conformance::EndKnownGap();
    }
    RemoveInstalled();
}

struct BlankCase {
    int line;
    const char* installed[3]; // files below the scratch directory, ended by null
    const char* command_line;
    const char* runs;     // the file below the scratch directory that runs
    const char* wine_gap; // how Wine differs here, if it does
};

// A quoted name is taken whole. An unquoted name with blanks is tried at each blank in turn,
// the shortest first, and the first that names a file (".exe" added) runs; the child gets the
// command line as it was. Wine puts the name it found in quotes when it holds a blank, in the
// command line that the child gets. Columns: line, the files put in place, the command line,
// the file that runs, Wine's gap.
const BlankCase kBlanks[] = {
    {__LINE__,
     {"With Space\\hwconf tool.exe", nullptr},
     "\"C:\\HostwinConformance\\Processes\\With Space\\hwconf tool.exe\" arg",
     "With Space\\hwconf tool.exe",
     nullptr},
    {__LINE__,
     {"With Space\\hwconf tool.exe", nullptr},
     "\"C:\\HostwinConformance\\Processes\\With Space\\hwconf tool\" arg",
     "With Space\\hwconf tool.exe",
     nullptr},
    {__LINE__,
     {"With Space\\hwconf tool.exe", nullptr},
     "C:\\HostwinConformance\\Processes\\With Space\\hwconf tool.exe arg",
     "With Space\\hwconf tool.exe",
     kWineQuotes},
    {__LINE__,
     {"With Space\\hwconf tool.exe", "With Space\\hwconf.exe", nullptr},
     "C:\\HostwinConformance\\Processes\\With Space\\hwconf tool.exe arg",
     "With Space\\hwconf.exe",
     kWineQuotes},
    {__LINE__,
     {"With Space\\hwconf tool.exe", "With Space\\hwconf.exe", "With.exe"},
     "C:\\HostwinConformance\\Processes\\With Space\\hwconf tool.exe arg",
     "With.exe",
     nullptr},
    {__LINE__,
     {"With Space\\hwconf tool.exe", "With.exe", nullptr},
     "\"C:\\HostwinConformance\\Processes\\With Space\\hwconf tool.exe\" arg",
     "With Space\\hwconf tool.exe",
     nullptr},
};

void NamesWithBlanks() {
    for (const BlankCase& c : kBlanks) {
        bool installed_all = true;
        for (const char* file : c.installed)
            if (file != nullptr)
                installed_all = Install(c.line, kRoot, file) && installed_all;
        if (installed_all) {
            Outcome outcome = Run(c.line, c.command_line);
            conformance::BeginKnownGap(conformance::RunningUnderWine() && c.wine_gap != nullptr,
                                       c.wine_gap);
            CheckRan(c.line, outcome, c.command_line, kRoot, c.runs);
            conformance::EndKnownGap();
        }
        RemoveInstalled();
    }
}

// Writes a file with the given text through the API under test.
bool WriteText(const char* windows_path, const char* text) {
    HANDLE file = CreateFileA(windows_path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, text, static_cast<DWORD>(strlen(text)), &written, nullptr);
    return CloseHandle(file) && ok && written == strlen(text);
}

// A missing program fails with ERROR_FILE_NOT_FOUND; a file that is no program with
// ERROR_BAD_EXE_FORMAT; a current directory that does not exist with ERROR_DIRECTORY.
void Failures() {
    CheckFailed(__LINE__, Run(__LINE__, "hwconf_missing arg"), ERROR_FILE_NOT_FOUND);

    char text_file[MAX_PATH];
    Join(text_file, sizeof text_file, kWork, "hwconf_text.exe");
    if (CHECK(WriteText(text_file, "This is plain text, no program.\r\n")))
        CheckFailed(__LINE__, Run(__LINE__, "hwconf_text arg"), ERROR_BAD_EXE_FORMAT);
    DeleteFileA(text_file);

    if (Install(__LINE__, kWork, "hwconf_fine.exe")) {
        CheckFailed(__LINE__,
                    Run(__LINE__, "hwconf_fine", "C:\\HostwinConformance\\Processes\\NoSuchDir"),
                    ERROR_DIRECTORY);
        CheckRan(__LINE__, Run(__LINE__, "hwconf_fine", kTools), "hwconf_fine", kWork,
                 "hwconf_fine.exe");
    }
    RemoveInstalled();
}

bool SetUp() {
    conformance::RemoveTree(kRoot);
    if (!conformance::MakeDirectory(kWork) || !conformance::MakeDirectory(kTools) ||
        !conformance::MakeDirectory(kOther) || !conformance::MakeDirectory(kSpaced))
        return false;
    UINT n = GetSystemDirectoryA(system_directory, sizeof system_directory);
    if (n == 0 || n >= sizeof system_directory)
        return false;
    n = GetWindowsDirectoryA(windows_directory, sizeof windows_directory);
    if (n == 0 || n >= sizeof windows_directory)
        return false;
    if (!conformance::MakeDirectory(system_directory) ||
        !conformance::MakeDirectory(windows_directory))
        return false;
    char report[4096];
    if (!conformance::NativePathOf(kReport, report, sizeof report))
        return false;
    conformance::SetVariable("CHILD_ECHO_OUTPUT", report);
    conformance::SetCurrentDirectoryTo(kWork);
    return conformance::ApplicationDirectory()[0] != '\0';
}

void TearDown() {
    RemoveInstalled();
    conformance::RestoreSearchPlaces();
    conformance::SetVariable("CHILD_ECHO_OUTPUT", nullptr);
    conformance::RemoveTree(kRoot);
}

const conformance::Case kCases[] = {
    {"CommandLineAsGiven", CommandLineAsGiven},
    {"ExitCodes", ExitCodes},
    {"InvalidHandles", InvalidHandles},
    {"SearchOrder", SearchOrder},
    {"NameRules", NameRules},
    {"NamesWithBlanks", NamesWithBlanks},
    {"Failures", Failures},
};

} // namespace

int main() {
    return conformance::RunCases(kCases, sizeof kCases / sizeof kCases[0], SetUp, TearDown);
}
