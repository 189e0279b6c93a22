// Starting a program without waiting for it.
#pragma once

#include <windows.h>

// Starts the command line with the calling process's own start-up information; the system's
// search for executables decides which file runs. 0 when the process was created, else the
// thread's last-error code from the failed creation.
DWORD StartProgram(LPCSTR command_line);
