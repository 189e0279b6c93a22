// hwctl: the device setup tool of the host machine.
//
// Installed into the machine's Windows directory as Hwctl9X.exe, Hwctl2k.exe and HwctlNT.exe
// (copies of, or links to, this one program), it plays the tool that removes the modem's
// devices and services. It changes nothing; it records what it was handed, so that tests can
// check the command line and the device script:
//
//   <machine>/hwctl/<n>/command_line   the exact Windows command line of run n (1, 2, ... in
//                                      the order of the runs), byte for byte, no line end
//   <machine>/hwctl/<n>/scripts/NAME   a byte-exact copy of every *.dms file (any case) in
//                                      the Windows directory at the time of the run
//
// It exits with the decimal number in <machine>/hwctl/exit_code when that file exists (a
// tool that fails), else with 0. With the argument --help it prints this and records
// nothing. Without a machine (HOSTWIN_MACHINE) it records nothing and exits with 2; when a
// record cannot be written it exits with 3.
#include <windows.h>

#include <hostwin/testing.h>

#include <dirent.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>

namespace {

constexpr size_t kPathSize = 4096;

const char kHelp[] =
    "usage: Hwctl9X|Hwctl2k|HwctlNT remove   (this program under the device setup tool's "
    "names)\n"
    "Records each run in <machine>/hwctl/<n>/: command_line (the exact Windows command line)\n"
    "and scripts/NAME (byte-exact copies of every *.dms file in the Windows directory).\n"
    "Exits with the number in <machine>/hwctl/exit_code if that file exists, else 0;\n"
    "2 without HOSTWIN_MACHINE, 3 when a record cannot be written.\n";

// "<directory>/<name>" into out; false when it does not fit.
bool JoinPath(char* out, size_t size, const char* directory, const char* name) {
    int n = snprintf(out, size, "%s/%s", directory, name);
    return n > 0 && static_cast<size_t>(n) < size;
}

bool WriteWhole(const char* path, const char* data, size_t size) {
    FILE* file = fopen(path, "wb");
    if (file == nullptr)
        return false;
    bool ok = fwrite(data, 1, size, file) == size;
    return fclose(file) == 0 && ok;
}

bool CopyWhole(const char* from, const char* to) {
    FILE* in = fopen(from, "rb");
    if (in == nullptr)
        return false;
    FILE* out = fopen(to, "wb");
    bool ok = out != nullptr;
    char chunk[8192];
    size_t n;
    while (ok && (n = fread(chunk, 1, sizeof chunk, in)) > 0)
        ok = fwrite(chunk, 1, n, out) == n;
    ok = ok && !ferror(in);
    fclose(in);
    if (out != nullptr && fclose(out) != 0)
        ok = false;
    return ok;
}

// Makes the next free numbered record directory below <machine>/hwctl.
bool MakeRecord(const char* machine, char* record, size_t size) {
    char base[kPathSize];
    if (!JoinPath(base, sizeof base, machine, "hwctl"))
        return false;
    mkdir(base, 0777);
    for (int n = 1; n < 100000; ++n) {
        if (snprintf(record, size, "%s/%d", base, n) >= static_cast<int>(size))
            return false;
        if (mkdir(record, 0777) == 0)
            return true;
        if (errno != EEXIST)
            return false;
    }
    return false;
}

bool IsScript(const char* name) {
    size_t length = strlen(name);
    return length > 4 && strcasecmp(name + length - 4, ".dms") == 0;
}

bool CopyScripts(const char* record) {
    char windows[MAX_PATH + 1];
    UINT length = GetWindowsDirectoryA(windows, sizeof windows);
    char directory[kPathSize];
    if (length == 0 || length >= sizeof windows ||
        !hostwin::HostPathOf(windows, directory, sizeof directory))
        return false;
    char scripts[kPathSize];
    if (!JoinPath(scripts, sizeof scripts, record, "scripts") || mkdir(scripts, 0777) != 0)
        return false;
    DIR* dir = opendir(directory);
    if (dir == nullptr)
        return true; // no Windows directory, no scripts
    bool ok = true;
    while (struct dirent* entry = readdir(dir)) {
        if (!IsScript(entry->d_name))
            continue;
        char from[kPathSize], to[kPathSize];
        ok = JoinPath(from, sizeof from, directory, entry->d_name) &&
             JoinPath(to, sizeof to, scripts, entry->d_name) && CopyWhole(from, to) && ok;
    }
    closedir(dir);
    return ok;
}

int ChosenExitCode(const char* machine) {
    char path[kPathSize];
    FILE* file =
        JoinPath(path, sizeof path, machine, "hwctl/exit_code") ? fopen(path, "r") : nullptr;
    if (file == nullptr)
        return 0;
    int code = 0;
    if (fscanf(file, "%d", &code) != 1)
        code = 0;
    fclose(file);
    return code;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR arguments, int) {
    if (strcmp(arguments, "--help") == 0) {
        fputs(kHelp, stdout);
        return 0;
    }
    const char* machine = getenv("HOSTWIN_MACHINE");
    if (machine == nullptr || machine[0] == '\0') {
        fputs("hwctl: HOSTWIN_MACHINE names no machine\n", stderr);
        return 2;
    }
    char record[kPathSize], path[kPathSize];
    const char* command_line = GetCommandLineA();
    if (!MakeRecord(machine, record, sizeof record) ||
        !JoinPath(path, sizeof path, record, "command_line") ||
        !WriteWhole(path, command_line, strlen(command_line)) || !CopyScripts(record)) {
        fprintf(stderr, "hwctl: cannot write the record of this run in %s/hwctl\n", machine);
        return 3;
    }
    return ChosenExitCode(machine);
}
