// devinstall's entry: a table of commands, each run by its own file.
//
//   devinstall install INF          installs a modem device from the INF (a Windows path)
//   devinstall isdeviceinuse        calls IsDeviceInUse of VTRXIFS.dll and prints the result
//   devinstall killmessagedaemon    calls KillMessageDaemon of VTRXIFS.dll and prints the result
#include "tools/devinstall/devinstall.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

namespace {

struct Command {
    const char* name;
    int (*run)(int argc, char** argv); // argv[0] is the command's first argument
    const char* usage;
};

const Command kCommands[] = {
    {"install", RunInstall, "install INF      install a modem from INF (a Windows path)"},
    {"isdeviceinuse", RunIsDeviceInUse, "isdeviceinuse    print VTRXIFS.dll's IsDeviceInUse()"},
    {"killmessagedaemon", RunKillMessageDaemon,
     "killmessagedaemon  print VTRXIFS.dll's KillMessageDaemon()"},
};

int PrintUsage(FILE* out, int status) {
    fputs("usage: devinstall COMMAND [ARGUMENTS], on the machine in HOSTWIN_MACHINE\n", out);
    for (const Command& c : kCommands)
        fprintf(out, "  devinstall %s\n", c.usage);
    fputs("exit status: 0 done, 1 the co-installer answered otherwise than expected,\n"
          "2 nothing to install or call (command line, INF, library, device)\n",
          out);
    return status;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "/?") == 0))
        return PrintUsage(stdout, kExitDone);
    const char* machine = getenv("HOSTWIN_MACHINE");
    if (machine == nullptr || machine[0] == '\0') {
        fputs("devinstall: HOSTWIN_MACHINE names no machine\n", stderr);
        return kExitCannotPlay;
    }
    for (const Command& c : kCommands)
        if (argc >= 2 && strcasecmp(argv[1], c.name) == 0)
            return c.run(argc - 2, argv + 2);
    return PrintUsage(stderr, kExitCannotPlay);
}
