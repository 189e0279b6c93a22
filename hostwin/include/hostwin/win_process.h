// Processes: the command line, creating and waiting for processes, handles.
#pragma once

#include <hostwin/win_types.h>

LPSTR WINAPI GetCommandLineA(void);
