// Test controls of the file area.
//
// Drive C of a machine directory is <machine>/drive_c. The in-memory machine gets a fresh
// temporary directory as its drive C at the first file operation after each reset, holding
// the directories WINDOWS and WINDOWS\system32; it is removed at the next reset and at exit.
//
// A Windows path names a host path below drive C: each component is matched against the
// existing host entries without regard to case, and a component that does not exist yet is
// created as written. Both slashes separate components; drives other than C: do not exist.
//
// File attributes: the read-only attribute is the absence of every write permission bit on
// the host file, checked by hostwin itself (tests run as root, whose writes the host would
// allow). So `chmod a-w` on the host makes a file read-only for the programs.
//
// Files in use: a file is in use while a hostwin handle, in this or any other process on the
// machine, holds it open with a share mode that excludes the requested access (the handles'
// share modes are published as host file locks). A file can also be marked as held open,
// without sharing, by a program outside: the file "files_in_use" next to drive_c lists such
// files, one Windows path a line.
#pragma once

#include <hostwin/win_types.h>

namespace hostwin {

// Writes into host_path the host path that a Windows path names (it need not exist yet);
// false when the path cannot name a file on drive C or does not fit.
bool HostPathOf(const char* windows_path, char* host_path, size_t size);

// The directories that GetWindowsDirectoryA and GetSystemDirectoryA report, by default
// C:\WINDOWS and C:\WINDOWS\system32. They need not exist. On a machine directory the
// environment variables HOSTWIN_WINDOWS_DIR and HOSTWIN_SYSTEM_DIR set them.
void SetWindowsDirectory(const char* windows_path);
void SetSystemDirectory(const char* windows_path);

// The process's current directory, the base of relative paths. It starts as the host
// working directory when that lies on drive C, else as C:\.
void SetWorkingDirectory(const char* windows_path);

// Adds a file to "files_in_use": from now on it is held open without sharing by a program
// outside, so that opening or deleting it fails with ERROR_SHARING_VIOLATION.
void MarkFileInUse(const char* windows_path);

} // namespace hostwin
