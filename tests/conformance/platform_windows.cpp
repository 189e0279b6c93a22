// The conformance programs' surroundings with the real API (MinGW build, run under Wine or on
// Windows). The child program child_echo.exe is built beside the programs and copied from
// there.
#include "platform.h"

#include <windows.h>

#include <stdio.h>
#include <string.h>

namespace conformance {

namespace {

constexpr DWORD kVariableSize = 32767; // the longest environment variable

struct SavedPlaces {
    bool directory_saved;
    char directory[MAX_PATH];
    bool path_saved;
    bool path_existed;
    char path[kVariableSize];
};

SavedPlaces saved;

// The directory part of a full path, without the last backslash.
void CutToDirectory(char* path) {
    char* last = strrchr(path, '\\');
    if (last != nullptr)
        *last = '\0';
}

} // namespace

bool MakeDirectory(const char* windows_path) {
    char path[MAX_PATH];
    if (snprintf(path, sizeof path, "%s", windows_path) >= static_cast<int>(sizeof path))
        return false;
    // Each prefix that ends before a backslash, after the drive's own "C:\".
    for (char* p = path + 3; *p != '\0'; ++p) {
        if (*p != '\\')
            continue;
        *p = '\0';
        CreateDirectoryA(path, nullptr);
        *p = '\\';
    }
    CreateDirectoryA(path, nullptr);
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void RemoveTree(const char* windows_path) {
    char pattern[MAX_PATH];
    snprintf(pattern, sizeof pattern, "%s\\*", windows_path);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (strcmp(found.cFileName, ".") == 0 || strcmp(found.cFileName, "..") == 0)
                continue;
            char child[MAX_PATH];
            snprintf(child, sizeof child, "%s\\%s", windows_path, found.cFileName);
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                RemoveTree(child);
            } else {
                SetFileAttributesA(child, FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child);
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(windows_path);
}

bool InstallChild(const char* windows_path) {
    char source[MAX_PATH];
    if (!ModuleFileName(source, sizeof source))
        return false;
    CutToDirectory(source);
    if (strlen(source) + sizeof "\\child_echo.exe" > sizeof source)
        return false;
    strcat(source, "\\child_echo.exe");
    char directory[MAX_PATH];
    snprintf(directory, sizeof directory, "%s", windows_path);
    CutToDirectory(directory);
    return MakeDirectory(directory) && CopyFileA(source, windows_path, FALSE);
}

bool NativePathOf(const char* windows_path, char* out, size_t size) {
    return snprintf(out, size, "%s", windows_path) < static_cast<int>(size);
}

const char* ApplicationDirectory() {
    static char directory[MAX_PATH];
    if (directory[0] == '\0' && ModuleFileName(directory, sizeof directory))
        CutToDirectory(directory);
    return directory;
}

void SetCurrentDirectoryTo(const char* windows_path) {
    if (!saved.directory_saved) {
        GetCurrentDirectoryA(sizeof saved.directory, saved.directory);
        saved.directory_saved = true;
    }
    SetCurrentDirectoryA(windows_path);
}

void SetSearchPath(const char* directories) {
    if (!saved.path_saved) {
        DWORD n = GetEnvironmentVariableA("PATH", saved.path, sizeof saved.path);
        saved.path_existed = n != 0 && n < sizeof saved.path;
        saved.path_saved = true;
    }
    SetEnvironmentVariableA("PATH", directories);
}

void RestoreSearchPlaces() {
    if (saved.directory_saved)
        SetCurrentDirectoryA(saved.directory);
    if (saved.path_saved)
        SetEnvironmentVariableA("PATH", saved.path_existed ? saved.path : nullptr);
    saved.directory_saved = false;
    saved.path_saved = false;
}

void SetVariable(const char* name, const char* value) {
    SetEnvironmentVariableA(name, value);
}

bool ModuleFileName(char* out, size_t size) {
    DWORD n = GetModuleFileNameA(nullptr, out, static_cast<DWORD>(size));
    return n != 0 && n < size;
}

} // namespace conformance
