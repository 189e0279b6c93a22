// The device setup tool (Hwctl9X, Hwctl2k, HwctlNT) under Wine: it changes nothing and records
// what it was handed, in the layout of the host machine's tool, below C:\hwctl:
//
//   C:\hwctl\<n>\command_line   the exact command line of run n (1, 2, ...), no line end
//   C:\hwctl\<n>\scripts\NAME   a byte-exact copy of every *.dms file in the Windows directory
//
// While C:\hwctl\hold exists it waits (up to a minute) before it ends, so that a run can be
// looked at half-way. Exit status 0; 3 when the record cannot be written.
#include <windows.h>

#include <stdio.h>
#include <string.h>

namespace {

const char kBase[] = "C:\\hwctl";

bool MakeRecord(char* record, size_t size) {
    CreateDirectoryA(kBase, NULL);
    for (int n = 1; n < 1000; ++n) {
        snprintf(record, size, "%s\\%d", kBase, n);
        if (CreateDirectoryA(record, NULL))
            return true;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    return false;
}

bool WriteWhole(const char* path, const char* data, DWORD size) {
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(file, data, size, &written, NULL) && written == size;
    return CloseHandle(file) && ok;
}

bool CopyScripts(const char* record) {
    char scripts[MAX_PATH], pattern[MAX_PATH], windows[MAX_PATH];
    snprintf(scripts, sizeof scripts, "%s\\scripts", record);
    if (!CreateDirectoryA(scripts, NULL) || GetWindowsDirectoryA(windows, MAX_PATH) == 0)
        return false;
    snprintf(pattern, sizeof pattern, "%s\\*.dms", windows);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return true; // no scripts
    bool ok = true;
    do {
        char from[MAX_PATH], to[MAX_PATH];
        snprintf(from, sizeof from, "%s\\%s", windows, found.cFileName);
        snprintf(to, sizeof to, "%s\\%s", scripts, found.cFileName);
        ok = CopyFileA(from, to, FALSE) && ok;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return ok;
}

} // namespace

int main() {
    char record[MAX_PATH], path[MAX_PATH];
    const char* command_line = GetCommandLineA();
    if (!MakeRecord(record, sizeof record))
        return 3;
    snprintf(path, sizeof path, "%s\\command_line", record);
    if (!WriteWhole(path, command_line, static_cast<DWORD>(strlen(command_line))) ||
        !CopyScripts(record))
        return 3;
    for (int waited = 0;
         waited < 60000 && GetFileAttributesA("C:\\hwctl\\hold") != INVALID_FILE_ATTRIBUTES;
         waited += 100)
        Sleep(100);
    return 0;
}
