// child_echo: the program that the process conformance suite starts. It writes what it was
// given to the file named by the environment variable CHILD_ECHO_OUTPUT (a path for the C
// runtime), in binary mode, replacing what was there:
//   command=<GetCommandLineA()>
//   module=<the full path of the executable that ran>
// A word "sleep=MS" on its command line makes it wait that long first; "exit=N" makes N its
// exit code (0 without). Without the variable, or when the file cannot be written, it exits
// with 125.
#include "platform.h"

#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

// The number after the first "name=" on the command line, or the fallback.
unsigned long NumberAfter(const char* command_line, const char* name, unsigned long fallback) {
    const char* at = strstr(command_line, name);
    return at != nullptr ? strtoul(at + strlen(name), nullptr, 10) : fallback;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const char* command_line = GetCommandLineA();
    unsigned long pause = NumberAfter(command_line, "sleep=", 0);
    if (pause != 0)
        Sleep(static_cast<DWORD>(pause));

    const char* output = getenv("CHILD_ECHO_OUTPUT");
    FILE* file = output != nullptr ? fopen(output, "wb") : nullptr;
    if (file == nullptr)
        return 125;
    char module[MAX_PATH * 2] = "";
    if (!conformance::ModuleFileName(module, sizeof module))
        strcpy(module, "(unknown)");
    fprintf(file, "command=%s\nmodule=%s\n", command_line, module);
    fclose(file);
    return static_cast<int>(NumberAfter(command_line, "exit=", 0));
}
