// Which file CreateProcessA runs: the module name taken from the command line and the
// directories searched for it.
#pragma once

#include "path_map.h"

namespace hostwin {

struct FoundProgram {
    char windows_path[1024]; // full Windows path of the file found
    char host_path[kHostPathSize];
};

// With no application name: the first token of the command line, quoted, or else each
// blank-ended prefix in turn ("c:\program files\x y" tries "c:\program", "c:\program files\x",
// then the whole), with ".exe" added to a name without extension and searched in the
// application directory, the current directory, the system directory, the Windows directory
// and the Windows PATH. Returns 0 or ERROR_FILE_NOT_FOUND.
DWORD FindProgramOfCommandLine(const char* command_line, FoundProgram* found);

// With an application name: that file, relative to the current directory, no extension added.
DWORD FindApplication(const char* application_name, FoundProgram* found);

} // namespace hostwin
