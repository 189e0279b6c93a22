// The module name of a command line and the search for it, as CreateProcessA does them.
#include "program_search.h"

#include "directories.h"
#include "internal.h"

#include <hostwin/testing.h>

#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

namespace hostwin {

namespace {

constexpr size_t kListSize = 4096;

struct SearchState {
    unsigned generation;
    bool module_known;
    char module[1024]; // the running program's Windows path; empty when it is not on drive C
    char path_list[kListSize];
};

SearchState state;

void Refresh() {
    if (state.generation == MachineGeneration())
        return;
    memset(&state, 0, sizeof state);
    state.generation = MachineGeneration();
    const char* list = MachineDirectory() != nullptr ? getenv("HOSTWIN_PATH") : nullptr;
    if (list != nullptr)
        snprintf(state.path_list, sizeof state.path_list, "%s", list);
}

// A HOSTWIN_MODULE from the parent counts only when it names this very executable.
bool HandedModuleIsOurs(const char* windows_path) {
    MappedPath mapped;
    struct stat handed, running;
    return MapWindowsPath(windows_path, &mapped) == 0 && stat(mapped.host, &handed) == 0 &&
           stat("/proc/self/exe", &running) == 0 && handed.st_dev == running.st_dev &&
           handed.st_ino == running.st_ino;
}

const char* ModulePath() {
    Refresh();
    if (!state.module_known) {
        state.module_known = true;
        const char* handed = getenv("HOSTWIN_MODULE");
        if (handed != nullptr && strlen(handed) < sizeof state.module && HandedModuleIsOurs(handed))
            strcpy(state.module, handed);
        else if (!WindowsPathOfHost("/proc/self/exe", state.module, sizeof state.module))
            state.module[0] = '\0';
    }
    return state.module;
}

bool IsSlash(char c) {
    return c == '\\' || c == '/';
}

// Whether the name says where it lies, so that no directory is searched for it.
bool HasExplicitPath(const char* name) {
    if (isalpha(static_cast<unsigned char>(name[0])) && name[1] == ':')
        return true;
    if (IsSlash(name[0]))
        return true;
    return name[0] == '.' && (IsSlash(name[1]) || (name[1] == '.' && IsSlash(name[2])));
}

bool HasExtension(const char* name) {
    const char* last = name;
    for (const char* p = name; *p != '\0'; ++p)
        if (IsSlash(*p) || *p == ':')
            last = p + 1;
    return strchr(last, '.') != nullptr;
}

// A regular file (or a link to one) at the Windows path.
bool TryFile(const char* windows_path, FoundProgram* found) {
    MappedPath mapped;
    if (MapWindowsPath(windows_path, &mapped) != 0 || !mapped.exists || mapped.is_directory)
        return false;
    if (FullWindowsPath(windows_path, found->windows_path, sizeof found->windows_path) != 0)
        return false;
    strcpy(found->host_path, mapped.host);
    return true;
}

bool TryInDirectory(const char* directory, const char* file, FoundProgram* found) {
    size_t length = strlen(directory);
    if (length == 0)
        return false;
    char path[2048];
    int n = snprintf(path, sizeof path, "%s%s%s", directory,
                     IsSlash(directory[length - 1]) ? "" : "\\", file);
    return n > 0 && static_cast<size_t>(n) < sizeof path && TryFile(path, found);
}

bool SearchName(const char* name, FoundProgram* found) {
    if (name[0] == '\0')
        return false;
    char file[MAX_PATH + 8];
    if (snprintf(file, sizeof file, "%s%s", name, HasExtension(name) ? "" : ".exe") >=
        static_cast<int>(sizeof file))
        return false;
    if (HasExplicitPath(name))
        return TryFile(file, found);

    char application_directory[1024];
    snprintf(application_directory, sizeof application_directory, "%s", ModulePath());
    char* last_slash = strrchr(application_directory, '\\');
    if (last_slash != nullptr)
        *last_slash = '\0';
    else
        application_directory[0] = '\0';
    // The 16-bit system directory, between the system and the Windows directory, is skipped.
    const char* directories[] = {application_directory, CurrentDirectory(), SystemDirectory(),
                                 WindowsDirectory()};
    for (const char* directory : directories)
        if (TryInDirectory(directory, file, found))
            return true;

    const char* p = state.path_list;
    while (*p != '\0') {
        size_t length = strcspn(p, ";");
        char directory[1024];
        if (length < sizeof directory) {
            memcpy(directory, p, length);
            directory[length] = '\0';
            if (TryInDirectory(directory, file, found))
                return true;
        }
        p += length;
        if (*p == ';')
            ++p;
    }
    return false;
}

} // namespace

DWORD FindProgramOfCommandLine(const char* command_line, FoundProgram* found) {
    Refresh();
    char name[MAX_PATH + 1];
    const char* p = command_line;
    if (*p == '"') {
        size_t length = strcspn(p + 1, "\"");
        if (length >= sizeof name)
            return ERROR_FILE_NOT_FOUND;
        memcpy(name, p + 1, length);
        name[length] = '\0';
        return SearchName(name, found) ? 0 : ERROR_FILE_NOT_FOUND;
    }
    // Unquoted, a name may hold blanks: try each prefix that ends before a blank, then all.
    for (size_t end = 0;; ++end) {
        while (p[end] != '\0' && p[end] != ' ' && p[end] != '\t')
            ++end;
        if (end >= sizeof name)
            break;
        memcpy(name, p, end);
        name[end] = '\0';
        if (SearchName(name, found))
            return 0;
        if (p[end] == '\0')
            break;
    }
    return ERROR_FILE_NOT_FOUND;
}

DWORD FindApplication(const char* application_name, FoundProgram* found) {
    Refresh();
    return TryFile(application_name, found) ? 0 : ERROR_FILE_NOT_FOUND;
}

void SetModulePath(const char* windows_path) {
    Refresh();
    state.module_known = true;
    snprintf(state.module, sizeof state.module, "%s", windows_path != nullptr ? windows_path : "");
}

void SetSearchPath(const char* directories) {
    Refresh();
    snprintf(state.path_list, sizeof state.path_list, "%s", directories);
}

} // namespace hostwin
