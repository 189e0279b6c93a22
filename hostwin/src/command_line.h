// The process's Windows command line.
#pragma once

#include <windows.h>

namespace hostwin {

// The module handle that the host's main hands WinMain.
extern const HINSTANCE kModuleInstance;

// Sets the process's command line; one longer than Windows allows (32767) is cut.
void SetCommandLine(const char* text);

// Builds the command line from argv, quoting each argument the way the C runtime reads it.
void SetCommandLineFromArguments(int argc, char** argv);

// The text after the program name, skipping the blanks and control characters after it.
LPSTR ArgumentsOf(LPSTR command_line);

} // namespace hostwin
