// StartProgram. CreateProcessA may write to its command line, so it gets a copy; nothing
// waits for the new process, and its handles are closed at once.
#include "vtrxifs/start_program.h"

namespace {
const int kCommandLineSize = MAX_PATH;
} // namespace

DWORD StartProgram(LPCSTR command_line) {
    char line[kCommandLineSize];
    if (lstrlenA(command_line) >= kCommandLineSize) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return ERROR_FILENAME_EXCED_RANGE;
    }
    lstrcpynA(line, command_line, kCommandLineSize);

    STARTUPINFOA startup;
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    PROCESS_INFORMATION process;
    if (!CreateProcessA(NULL, line, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
        return GetLastError();
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}
