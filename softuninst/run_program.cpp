#include "softuninst/run_program.h"

UninstallStatus RunProgramToItsEnd(char* command_line) {
    STARTUPINFOA startup;
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    PROCESS_INFORMATION process;
    if (!CreateProcessA(NULL, command_line, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
        return kUninstallCannotStart;
    DWORD waited = WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return waited == WAIT_FAILED ? kUninstallCannotStart : kUninstallDone;
}
