// The conformance programs' surroundings on the host: files are put on hostwin's drive C
// directly on the host side (the machine directory's drive_c, or the in-memory machine's
// temporary one), and the places that CreateProcessA searches are set with hostwin's test
// controls. The child program is the host build of child_echo, copied under the names a case
// needs, as hostwin runs any host executable that a Windows path names.
#include "platform.h"

#include <windows.h>

#include <hostwin/testing.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace conformance {

namespace {

// Where the host build says it stands on drive C: it runs from the build tree, outside
// drive C, where it would have no application directory at all.
const char kApplicationDirectory[] = "C:\\HostwinConformance\\Processes\\Application";

bool HostPath(const char* windows_path, std::string* host) {
    char path[4096];
    if (!hostwin::HostPathOf(windows_path, path, sizeof path))
        return false;
    *host = path;
    return true;
}

} // namespace

bool MakeDirectory(const char* windows_path) {
    std::string host;
    std::error_code error;
    if (!HostPath(windows_path, &host))
        return false;
    fs::create_directories(host, error);
    return fs::is_directory(host, error);
}

void RemoveTree(const char* windows_path) {
    std::string host;
    std::error_code ignored;
    if (HostPath(windows_path, &host))
        fs::remove_all(host, ignored);
}

bool InstallChild(const char* windows_path) {
    std::string host;
    std::error_code error;
    if (!HostPath(windows_path, &host))
        return false;
    fs::create_directories(fs::path(host).parent_path(), error);
    fs::copy_file(CONFORMANCE_CHILD_PROGRAM, host, fs::copy_options::overwrite_existing, error);
    if (error)
        return false;
    fs::permissions(host, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec,
                    fs::perm_options::replace, error);
    return !error;
}

bool NativePathOf(const char* windows_path, char* out, size_t size) {
    return hostwin::HostPathOf(windows_path, out, size);
}

const char* ApplicationDirectory() {
    static bool declared = false;
    if (!declared) {
        char module[MAX_PATH];
        snprintf(module, sizeof module, "%s\\conformance.exe", kApplicationDirectory);
        hostwin::SetModulePath(module);
        declared = true;
    }
    MakeDirectory(kApplicationDirectory);
    return kApplicationDirectory;
}

void SetCurrentDirectoryTo(const char* windows_path) {
    hostwin::SetWorkingDirectory(windows_path);
}

void SetSearchPath(const char* directories) {
    hostwin::SetSearchPath(directories);
}

// What a program started outside drive C, with no HOSTWIN_PATH, begins with.
void RestoreSearchPlaces() {
    hostwin::SetWorkingDirectory("C:\\");
    hostwin::SetSearchPath("");
}

void SetVariable(const char* name, const char* value) {
    if (value != nullptr)
        setenv(name, value, 1);
    else
        unsetenv(name);
}

// hostwin hands a program that CreateProcessA started the Windows path of its executable.
bool ModuleFileName(char* out, size_t size) {
    const char* module = getenv("HOSTWIN_MODULE");
    return module != nullptr && snprintf(out, size, "%s", module) < static_cast<int>(size);
}

} // namespace conformance
