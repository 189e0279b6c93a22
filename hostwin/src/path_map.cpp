// Drive C on the host. A Windows path is resolved the way Windows resolves it (relative to the
// current directory, "." and ".." folded, trailing dots and blanks of a name dropped) and its
// components are then looked up below drive_c without regard to case.
#include "path_map.h"

#include "internal.h"

#include <hostwin/testing.h>

#include <ctype.h>
#include <dirent.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace hostwin {

namespace {

constexpr size_t kFullPathSize = 1024; // a relative path of MAX_PATH below a deep current one
constexpr size_t kMaxComponents = 256;

struct PathState {
    unsigned generation;
    char root[kHostPathSize];
    bool temporary_root;
    char current[kFullPathSize]; // empty until first asked for
};

PathState state;

void RemoveTemporaryRoot() {
    if (!state.temporary_root)
        return;
    std::error_code ignored;
    std::filesystem::remove_all(state.root, ignored);
    state.temporary_root = false;
    state.root[0] = '\0';
}

void MakeTemporaryRoot() {
    std::error_code error;
    std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error)
        base = ".";
    std::string pattern = (base / "hostwin-machine-XXXXXX").string();
    bool made = pattern.size() < sizeof state.root;
    if (made) {
        strcpy(state.root, pattern.c_str());
        made = mkdtemp(state.root) != nullptr;
    }
    if (!made) {
        fprintf(stderr, "hostwin: cannot make a temporary drive C in %s\n", base.c_str());
        abort();
    }
    state.temporary_root = true;
    std::filesystem::create_directories(std::string(state.root) + "/drive_c/WINDOWS/system32");
    std::filesystem::create_directories(std::string(state.root) + "/devices");
}

void RemoveAtExit() {
    RemoveTemporaryRoot();
}

void Refresh() {
    if (state.generation == MachineGeneration() && state.root[0] != '\0')
        return;
    static bool exit_hook = false;
    if (!exit_hook) {
        atexit(RemoveAtExit);
        exit_hook = true;
    }
    RemoveTemporaryRoot();
    state.generation = MachineGeneration();
    state.current[0] = '\0';
    const char* machine = MachineDirectory();
    if (machine != nullptr && strlen(machine) < sizeof state.root)
        strcpy(state.root, machine);
    else
        MakeTemporaryRoot();
}

bool InvalidNameCharacter(unsigned char c) {
    return c < 32 || strchr("<>:\"|?*", c) != nullptr;
}

bool IsSlash(char c) {
    return c == '\\' || c == '/';
}

// The components of a full path, each a zero-terminated name inside text.
struct Components {
    char text[kFullPathSize];
    size_t used;
    const char* names[kMaxComponents];
    size_t count;
};

// Appends the components of a path text (relative, or the part after "C:\"), folding "."
// and ".." as Windows does: ".." never climbs above the root.
DWORD AppendComponents(const char* path, Components* c) {
    const char* p = path;
    while (*p != '\0') {
        while (IsSlash(*p))
            ++p;
        size_t length = 0;
        while (p[length] != '\0' && !IsSlash(p[length]))
            ++length;
        if (length == 0)
            break;
        const char* name = p;
        p += length;
        if (length == 1 && name[0] == '.')
            continue;
        if (length == 2 && name[0] == '.' && name[1] == '.') {
            if (c->count > 0)
                c->used = static_cast<size_t>(c->names[--c->count] - c->text);
            continue;
        }
        while (length > 0 && (name[length - 1] == '.' || name[length - 1] == ' '))
            --length; // Windows drops trailing dots and blanks of a name
        if (length == 0)
            continue;
        for (size_t i = 0; i < length; ++i)
            if (InvalidNameCharacter(static_cast<unsigned char>(name[i])))
                return ERROR_INVALID_NAME;
        if (c->count == kMaxComponents || c->used + length + 1 > sizeof c->text)
            return ERROR_FILENAME_EXCED_RANGE;
        char* at = c->text + c->used;
        memcpy(at, name, length);
        at[length] = '\0';
        c->names[c->count++] = at;
        c->used += length + 1;
    }
    return 0;
}

DWORD SplitFullPath(const char* path, Components* c) {
    c->used = 0;
    c->count = 0;
    if (path == nullptr || path[0] == '\0')
        return ERROR_PATH_NOT_FOUND;
    if (strlen(path) > MAX_PATH)
        return ERROR_FILENAME_EXCED_RANGE; // the ANSI functions hold a name in MAX_PATH + 1
    const char* rest = path;
    bool relative = true;
    if (isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':') {
        if (toupper(static_cast<unsigned char>(path[0])) != 'C')
            return ERROR_PATH_NOT_FOUND;
        rest = path + 2;
        relative = !IsSlash(rest[0]); // "C:name" is relative to the current directory on C
    } else if (IsSlash(path[0]) && IsSlash(path[1])) {
        return ERROR_PATH_NOT_FOUND; // network and device paths name nothing on drive C
    } else if (IsSlash(path[0])) {
        relative = false;
    }
    if (relative) {
        DWORD error = AppendComponents(CurrentDirectory() + 2, c);
        if (error != 0)
            return error;
    }
    return AppendComponents(rest, c);
}

// Finds the host entry of a name in a directory: the exact name first, else the first that
// equals it without regard to case.
bool FindEntry(const char* directory, const char* name, char* found, size_t size) {
    char exact[kHostPathSize];
    struct stat st;
    if (snprintf(exact, sizeof exact, "%s/%s", directory, name) < static_cast<int>(sizeof exact) &&
        lstat(exact, &st) == 0) {
        snprintf(found, size, "%s", name);
        return true;
    }
    DIR* dir = opendir(directory);
    if (dir == nullptr)
        return false;
    bool matched = false;
    while (struct dirent* entry = readdir(dir)) {
        if (strcasecmp(entry->d_name, name) == 0 && strlen(entry->d_name) < size) {
            strcpy(found, entry->d_name);
            matched = true;
            break;
        }
    }
    closedir(dir);
    return matched;
}

bool Append(char* path, size_t size, const char* name) {
    size_t length = strlen(path);
    int n = snprintf(path + length, size - length, "/%s", name);
    return n > 0 && static_cast<size_t>(n) < size - length;
}

} // namespace

const char* FilesRoot() {
    Refresh();
    return state.root;
}

bool FilesPath(const char* name, char* out, size_t size) {
    int n = snprintf(out, size, "%s/%s", FilesRoot(), name);
    return n > 0 && static_cast<size_t>(n) < size;
}

DWORD FullWindowsPath(const char* windows_path, char* out, size_t size) {
    Components c;
    DWORD error = SplitFullPath(windows_path, &c);
    if (error != 0)
        return error;
    size_t at = 0;
    int n = snprintf(out, size, "C:\\");
    if (n < 0 || static_cast<size_t>(n) >= size)
        return ERROR_FILENAME_EXCED_RANGE;
    at = static_cast<size_t>(n);
    for (size_t i = 0; i < c.count; ++i) {
        n = snprintf(out + at, size - at, i == 0 ? "%s" : "\\%s", c.names[i]);
        if (n < 0 || static_cast<size_t>(n) >= size - at)
            return ERROR_FILENAME_EXCED_RANGE;
        at += static_cast<size_t>(n);
    }
    return 0;
}

DWORD MapWindowsPath(const char* windows_path, MappedPath* out) {
    Components c;
    DWORD error = SplitFullPath(windows_path, &c);
    if (error != 0)
        return error;
    if (!FilesPath("drive_c", out->host, sizeof out->host))
        return ERROR_FILENAME_EXCED_RANGE;
    out->parent_exists = true;
    bool matching = true; // false once a directory on the way is missing
    for (size_t i = 0; i < c.count; ++i) {
        char entry[256];
        const char* name = c.names[i];
        if (matching) {
            struct stat st;
            if (stat(out->host, &st) != 0 || !S_ISDIR(st.st_mode)) {
                matching = false;
                out->parent_exists = false;
            } else if (FindEntry(out->host, name, entry, sizeof entry)) {
                name = entry;
            }
        }
        if (!Append(out->host, sizeof out->host, name))
            return ERROR_FILENAME_EXCED_RANGE;
    }
    struct stat st;
    out->exists = out->parent_exists && stat(out->host, &st) == 0;
    out->is_directory = out->exists && S_ISDIR(st.st_mode);
    size_t length = strlen(windows_path);
    out->names_directory = c.count > 0 && IsSlash(windows_path[length - 1]);
    return 0;
}

bool WindowsPathOfHost(const char* host_path, char* out, size_t size) {
    char drive[kHostPathSize];
    char real_drive[PATH_MAX];
    char real_path[PATH_MAX];
    if (!FilesPath("drive_c", drive, sizeof drive) || realpath(drive, real_drive) == nullptr ||
        realpath(host_path, real_path) == nullptr)
        return false;
    size_t length = strlen(real_drive);
    if (strncmp(real_path, real_drive, length) != 0 ||
        (real_path[length] != '\0' && real_path[length] != '/'))
        return false;
    const char* rest = real_path + length;
    while (*rest == '/')
        ++rest;
    if (strlen(rest) + 4 > size)
        return false;
    snprintf(out, size, "C:\\%s", rest);
    for (char* p = out; *p != '\0'; ++p)
        if (*p == '/')
            *p = '\\';
    return true;
}

const char* CurrentDirectory() {
    Refresh();
    if (state.current[0] == '\0') {
        char cwd[PATH_MAX];
        if (getcwd(cwd, sizeof cwd) == nullptr ||
            !WindowsPathOfHost(cwd, state.current, sizeof state.current))
            strcpy(state.current, "C:\\");
    }
    return state.current;
}

void SetWorkingDirectory(const char* windows_path) {
    char full[kFullPathSize];
    if (FullWindowsPath(windows_path, full, sizeof full) != 0) {
        fprintf(stderr, "hostwin: SetWorkingDirectory: '%s' is no path on drive C\n", windows_path);
        abort();
    }
    strcpy(state.current, full);
}

DWORD ErrorOfErrno(int error) {
    switch (error) {
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return ERROR_ACCESS_DENIED;
    case EBUSY:
    case ETXTBSY:
        return ERROR_SHARING_VIOLATION;
    case EEXIST:
        return ERROR_FILE_EXISTS;
    case ENOSPC:
        return ERROR_DISK_FULL;
    case ENAMETOOLONG:
        return ERROR_FILENAME_EXCED_RANGE;
    case ENOMEM:
    case EMFILE:
    case ENFILE:
        return ERROR_NOT_ENOUGH_MEMORY;
    default:
        return ERROR_GEN_FAILURE;
    }
}

} // namespace hostwin

namespace hostwin {

bool HostPathOf(const char* windows_path, char* host_path, size_t size) {
    MappedPath mapped;
    if (MapWindowsPath(windows_path, &mapped) != 0 || strlen(mapped.host) >= size)
        return false;
    strcpy(host_path, mapped.host);
    return true;
}

} // namespace hostwin
