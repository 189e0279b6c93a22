// What a conformance program needs around the API under test that the product never calls:
// putting files in place, making and removing directories, the places that CreateProcessA
// searches. Each build links its own implementation: platform_windows.cpp calls the real API
// (under Wine or on Windows), platform_host.cpp works on hostwin's drive C with its test
// controls. Paths are Windows paths on drive C throughout.
#pragma once

#include <stddef.h>

namespace conformance {

// Creates a directory and every missing one above it; true when it exists afterwards.
bool MakeDirectory(const char* windows_path);

// Removes a directory with everything below it, read-only files included; nothing when it
// is not there.
void RemoveTree(const char* windows_path);

// Puts a copy of the child program (child_echo) at the path, replacing what is there.
bool InstallChild(const char* windows_path);

// The path under which the C runtime's fopen reaches the file of a Windows path, for the
// child's report: the path itself on Windows, the host path below drive C on the host.
bool NativePathOf(const char* windows_path, char* out, size_t size);

// The directory of the running program, where CreateProcessA looks first. Under Wine it is
// the build directory; the host build runs from outside drive C and so declares a place on
// drive C to hostwin as its own (and makes that directory).
const char* ApplicationDirectory();

// The process's current directory and its PATH, both searched by CreateProcessA, set for a
// case; RestoreSearchPlaces puts back what they were before the first change.
void SetCurrentDirectoryTo(const char* windows_path);
void SetSearchPath(const char* directories);
void RestoreSearchPlaces();

// Sets an environment variable of this process, inherited by the children it starts.
void SetVariable(const char* name, const char* value);

// The full path of the running program's executable (for the child: which copy ran).
bool ModuleFileName(char* out, size_t size);

} // namespace conformance
