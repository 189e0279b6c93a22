// Starting another program and waiting for it to end.
#pragma once

#include "softuninst/uninstall_status.h"

#include <windows.h>

// Starts the command line (the system takes the program from it) with this process's
// environment, current directory and startup information, and waits for it without a time
// limit: 0 when it has ended, 4 when it cannot be started or the wait fails. Its exit code
// is not read.
UninstallStatus RunProgramToItsEnd(char* command_line);
