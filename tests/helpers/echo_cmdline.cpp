// echo_cmdline: a plain host program that tests start through CreateProcessA to see what a
// child receives. It appends one record to the file named by ECHO_CMDLINE_OUTPUT:
//   exe=<its own host path>
//   command=<HOSTWIN_COMMAND_LINE: the exact Windows command line>
//   cwd=<its host working directory>
//   argc=<n>, then argv0=..., argv1=... (as split from the command line)
//   machine=<HOSTWIN_MACHINE>, module=<HOSTWIN_MODULE>, faults=<HOSTWIN_FAULTS>
//     (each "(unset)" when the variable is missing)
//   end
// An argument "sleep=MS" makes it sleep that long first; "exit=N" makes it exit with N.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <limits.h>

namespace {

const char* Variable(const char* name) {
    const char* value = getenv(name);
    return value != nullptr ? value : "(unset)";
}

} // namespace

int main(int argc, char** argv) {
    int exit_code = 0;
    for (int i = 1; i < argc; ++i) {
        if (strncmp(argv[i], "sleep=", 6) == 0) {
            long ms = atol(argv[i] + 6);
            struct timespec pause = {ms / 1000, (ms % 1000) * 1000000};
            nanosleep(&pause, nullptr);
        } else if (strncmp(argv[i], "exit=", 5) == 0) {
            exit_code = atoi(argv[i] + 5);
        }
    }
    const char* output = getenv("ECHO_CMDLINE_OUTPUT");
    FILE* file = output != nullptr ? fopen(output, "a") : nullptr;
    if (file == nullptr)
        return 125;
    char exe[PATH_MAX] = "";
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    exe[n > 0 ? n : 0] = '\0';
    char cwd[PATH_MAX] = "";
    if (getcwd(cwd, sizeof cwd) == nullptr)
        cwd[0] = '\0';
    fprintf(file, "exe=%s\ncommand=%s\ncwd=%s\nargc=%d\n", exe, Variable("HOSTWIN_COMMAND_LINE"),
            cwd, argc);
    for (int i = 0; i < argc; ++i)
        fprintf(file, "argv%d=%s\n", i, argv[i]);
    fprintf(file, "machine=%s\nmodule=%s\nfaults=%s\nend\n", Variable("HOSTWIN_MACHINE"),
            Variable("HOSTWIN_MODULE"), Variable("HOSTWIN_FAULTS"));
    fclose(file);
    return exit_code;
}
