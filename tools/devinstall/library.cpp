// Loading the co-installer library: found by name in the system directory, then the Windows
// directory, as LoadLibrary finds a library named without a path, and loaded with dlopen,
// which calls its DllMain. It keeps its own copy of hostwin, so everything it does goes
// through the machine directory, as a DLL's work goes through the system.
#include "tools/devinstall/devinstall.h"

#include <hostwin/testing.h>

#include <dlfcn.h>
#include <sys/stat.h>

namespace {

bool HostFileOf(UINT (*directory_of)(LPSTR, UINT), const std::string& name, std::string* out) {
    char directory[MAX_PATH];
    UINT length = directory_of(directory, sizeof directory);
    if (length == 0 || length >= sizeof directory)
        return false;
    std::string windows_path = std::string(directory) + "\\" + name;
    char host[4096];
    struct stat st;
    if (!hostwin::HostPathOf(windows_path.c_str(), host, sizeof host) || stat(host, &st) != 0 ||
        !S_ISREG(st.st_mode))
        return false;
    *out = host;
    return true;
}

UINT SystemDirectory(LPSTR buffer, UINT size) {
    return GetSystemDirectoryA(buffer, size);
}

UINT WindowsDirectory(LPSTR buffer, UINT size) {
    return GetWindowsDirectoryA(buffer, size);
}

} // namespace

bool LoadLibraryByName(const std::string& name, LoadedLibrary* library, std::string* error) {
    library->handle = nullptr;
    if (!HostFileOf(SystemDirectory, name, &library->host_path) &&
        !HostFileOf(WindowsDirectory, name, &library->host_path)) {
        *error = name + " is in neither the system directory nor the Windows directory";
        return false;
    }
    library->handle = dlopen(library->host_path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library->handle == nullptr) {
        const char* reason = dlerror();
        *error = name + " cannot be loaded: " + (reason != nullptr ? reason : "?");
        return false;
    }
    return true;
}

void* FindExport(const LoadedLibrary& library, const std::string& export_name) {
    std::string name = export_name;
    size_t at = name.rfind('@');
    if (name.size() > 1 && name[0] == '_' && at != std::string::npos && at + 1 < name.size() &&
        name.find_first_not_of("0123456789", at + 1) == std::string::npos)
        name = name.substr(1, at - 1);
    return dlsym(library.handle, name.c_str());
}

void UnloadLibrary(LoadedLibrary* library) {
    if (library->handle != nullptr)
        dlclose(library->handle);
    library->handle = nullptr;
}
