// Where the machine's files live on the host, and how a Windows path names a host path.
// Shared by the file, device and process areas.
#pragma once

#include <windows.h>

namespace hostwin {

constexpr size_t kHostPathSize = 4096;

// The host directory that holds the machine's files (drive_c, devices, files_in_use): the
// machine directory, or for the in-memory machine a temporary directory made for the current
// generation (with drive_c/WINDOWS/system32 and devices) and removed at the next reset or exit.
const char* FilesRoot();

// Builds "<files root>/<name>"; false when it does not fit.
bool FilesPath(const char* name, char* out, size_t size);

struct MappedPath {
    char host[kHostPathSize];
    bool parent_exists; // every directory above the last component exists
    bool exists;        // the last component exists (following host links)
    bool is_directory;
    bool names_directory; // the path ends in a slash, so it can only name a directory
};

// Maps a Windows path, relative ones against the current directory, to the host path below
// drive_c: existing components matched without regard to case, missing ones as written.
// Returns 0, or the error Windows gives for a path that cannot name a file: the empty path,
// another drive or a network path (ERROR_PATH_NOT_FOUND), a character that no name may hold
// (ERROR_INVALID_NAME), a path longer than MAX_PATH (ERROR_FILENAME_EXCED_RANGE).
DWORD MapWindowsPath(const char* windows_path, MappedPath* out);

// The full Windows form of a path: "C:\" and its components, "." and ".." resolved, trailing
// dots and blanks of each component dropped. Returns 0 or an error as MapWindowsPath does.
DWORD FullWindowsPath(const char* windows_path, char* out, size_t size);

// The Windows path of an existing host path on drive C; false when it lies elsewhere.
bool WindowsPathOfHost(const char* host_path, char* out, size_t size);

// The process's current directory, a full Windows path.
const char* CurrentDirectory();

// The Win32 error for the errno of a failed host file operation.
DWORD ErrorOfErrno(int error);

} // namespace hostwin
