// GetWindowsDirectoryA and GetSystemDirectoryA. The system directory follows the Windows
// directory (its system32) unless it is set on its own.
#include "directories.h"

#include "internal.h"

#include <hostwin/testing.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace hostwin {

namespace {

constexpr size_t kDirectorySize = 1024; // room for the long directories tests try

struct DirectoryState {
    unsigned generation;
    char windows[kDirectorySize];
    char system[kDirectorySize]; // empty: the Windows directory's system32
    char derived[kDirectorySize + 16];
};

DirectoryState state;

void Copy(char* out, const char* text, const char* what) {
    if (text == nullptr || strlen(text) >= kDirectorySize) {
        fprintf(stderr, "hostwin: the %s directory must be a text of fewer than %zu bytes\n", what,
                kDirectorySize);
        abort();
    }
    strcpy(out, text);
}

void Refresh() {
    if (state.generation == MachineGeneration())
        return;
    state.generation = MachineGeneration();
    strcpy(state.windows, "C:\\WINDOWS");
    state.system[0] = '\0';
    if (MachineDirectory() == nullptr)
        return;
    if (const char* windows = getenv("HOSTWIN_WINDOWS_DIR"))
        Copy(state.windows, windows, "Windows");
    if (const char* system = getenv("HOSTWIN_SYSTEM_DIR"))
        Copy(state.system, system, "system");
}

// Copies a directory out by the rules both functions share: the length without the
// terminator when it fits, else the size needed with the terminator and the buffer untouched.
UINT Report(const char* directory, LPSTR buffer, UINT size) {
    size_t length = strlen(directory);
    if (buffer == nullptr || size < length + 1)
        return static_cast<UINT>(length + 1);
    memcpy(buffer, directory, length + 1);
    return static_cast<UINT>(length);
}

} // namespace

const char* WindowsDirectory() {
    Refresh();
    return state.windows;
}

const char* SystemDirectory() {
    Refresh();
    if (state.system[0] != '\0')
        return state.system;
    snprintf(state.derived, sizeof state.derived, "%s\\system32", state.windows);
    return state.derived;
}

void SetWindowsDirectory(const char* windows_path) {
    Refresh();
    Copy(state.windows, windows_path, "Windows");
}

void SetSystemDirectory(const char* windows_path) {
    Refresh();
    Copy(state.system, windows_path, "system");
}

} // namespace hostwin

UINT WINAPI GetWindowsDirectoryA(LPSTR buffer, UINT size) {
    DWORD error;
    if (hostwin::FaultHits("GetWindowsDirectoryA", &error)) {
        SetLastError(error);
        return 0;
    }
    return hostwin::Report(hostwin::WindowsDirectory(), buffer, size);
}

UINT WINAPI GetSystemDirectoryA(LPSTR buffer, UINT size) {
    DWORD error;
    if (hostwin::FaultHits("GetSystemDirectoryA", &error)) {
        SetLastError(error);
        return 0;
    }
    return hostwin::Report(hostwin::SystemDirectory(), buffer, size);
}
