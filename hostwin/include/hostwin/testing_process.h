// Test controls of the process area.
//
// CreateProcessA starts the host executable that the Windows command line names (a copy of,
// or link to, a built host program lying on drive C) with posix_spawn. The child receives:
// - the exact Windows command line in HOSTWIN_COMMAND_LINE, which hostwin's main reads;
// - argv split from that command line by the C runtime's rules, as a Windows program's main
//   would see it;
// - the parent's environment (or the given environment block), the parent's machine
//   (HOSTWIN_MACHINE), without the parent's HOSTWIN_FAULTS: faults aim at the program a test
//   runs, not at the programs it starts;
// - HOSTWIN_MODULE, the Windows path of its executable, from which it knows its application
//   directory;
// - as host working directory the directory that the Windows current directory maps to.
// A child that dies of signal n has the exit code 128 + n.
#pragma once

#include <hostwin/win_types.h>

namespace hostwin {

// The Windows path of the running program; its directory is the first place CreateProcessA
// searches. A program started by CreateProcessA knows it from HOSTWIN_MODULE; otherwise it
// is the host executable's place on drive C, or none when it lies elsewhere (a null path).
void SetModulePath(const char* windows_path);

// The Windows PATH: directories separated by ";", searched last by CreateProcessA. Empty
// by default; on a machine directory the environment variable HOSTWIN_PATH sets it (the
// host's own PATH lists host directories, not Windows ones).
void SetSearchPath(const char* directories);

} // namespace hostwin
