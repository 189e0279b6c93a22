// winrun: a Windows program for end-to-end tests that starts its whole argument text as a
// command line with CreateProcessA (no application name, as the product does), waits for it
// and exits with its exit code. When the process cannot be started or waited for it prints
// "winrun: <function> failed: <error>" on stderr and exits with 255.
#include <windows.h>

#include <stdio.h>
#include <string.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR arguments, int) {
    static char command_line[32768];
    strncpy(command_line, arguments, sizeof command_line - 1);
    STARTUPINFOA startup;
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    PROCESS_INFORMATION process;
    if (!CreateProcessA(NULL, command_line, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
        fprintf(stderr, "winrun: CreateProcessA failed: %lu\n",
                static_cast<unsigned long>(GetLastError()));
        return 255;
    }
    DWORD exit_code = 0;
    if (WaitForSingleObject(process.hProcess, INFINITE) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process.hProcess, &exit_code)) {
        fprintf(stderr, "winrun: waiting failed: %lu\n",
                static_cast<unsigned long>(GetLastError()));
        exit_code = 255;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(exit_code);
}
