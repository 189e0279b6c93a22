// StopApplets, RemoveConfiguration, RemoveInstalledFiles, RemoveUninstallEntry,
// RemoveUninstallInfo, DeleteKeyTree and ExpandPathMacro.
//
// The reports show the "SZ_ERROR" text. Those of the key deletions keep the thread's
// last-error code, so that the system's text for it follows; that of a file that cannot be
// deleted clears it and shows the text alone.
#include "softuninst/leftovers.h"

#include "softuninst/step_error.h"
#include "softuninst/uninstall_sequence.h"

#include <string.h>

namespace {

// Room for the Windows and the system directory, terminator included.
const UINT kDirectorySize = 513;

// The open-close test of a key before its tree is deleted: 0 when it was there and closed
// again, 1 when it cannot be opened (nothing to remove), 2 after a report when it cannot be
// closed.
int ProbeKey(const UninstallInfo& info, LPCSTR path) {
    HKEY key;
    if (RegOpenKeyA(HKEY_LOCAL_MACHINE, path, &key) != ERROR_SUCCESS)
        return 1;
    if (RegCloseKey(key) != ERROR_SUCCESS) {
        ReportStepError(info);
        return 2;
    }
    return 0;
}

// Fails one level of DeleteKeyTree: reports, closes the level's key and passes status on.
UninstallStatus FailLevel(HKEY key, UninstallStatus status) {
    ReportStepError(g_uninstall_info);
    RegCloseKey(key);
    return status;
}

bool FetchDirectory(UINT(WINAPI* fetch)(LPSTR, UINT), char* buffer) {
    UINT length = fetch(buffer, kDirectorySize);
    return length != 0 && length < kDirectorySize;
}

} // namespace

UninstallStatus StopApplets(const UninstallInfo& info) {
    HKEY run;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &run) !=
        ERROR_SUCCESS)
        return kUninstallSystemFailure;
    for (DWORD i = 0; i < info.AppletCount && i < kMaxApplets; ++i) {
        const AppletEntry& applet = info.Applets[i];
        if (applet.Class[0] == '\0' || applet.Name[0] == '\0')
            continue; // not even its autorun value is looked at
        HWND window = FindWindowA(applet.Class, applet.Name);
        if (window != NULL)
            SendMessageA(window, WM_DESTROY, 0, 0); // returns once the applet has handled it
        if (applet.AutoRunValue[0] == '\0')
            continue;
        if (RegQueryValueExA(run, applet.AutoRunValue, NULL, NULL, NULL, NULL) == ERROR_SUCCESS &&
            RegDeleteValueA(run, applet.AutoRunValue) != ERROR_SUCCESS) {
            RegCloseKey(run);
            return kUninstallSystemFailure;
        }
    }
    if (RegCloseKey(run) != ERROR_SUCCESS)
        return kUninstallSystemFailure;
    return kUninstallDone;
}

UninstallStatus RemoveConfiguration(const UninstallInfo& info) {
    if (info.SoftwareKey[0] == '\0')
        return kUninstallDone;
    int probe = ProbeKey(info, info.SoftwareKey);
    if (probe == 1)
        return kUninstallDone;
    if (probe == 2)
        return kUninstallSystemFailure;
    if (DeleteKeyTree(HKEY_LOCAL_MACHINE, info.SoftwareKey) != kUninstallDone) {
        ReportStepError(info);
        return kUninstallSystemFailure;
    }
    return kUninstallDone;
}

UninstallStatus RemoveInstalledFiles(const UninstallInfo& info) {
    char windows_directory[kDirectorySize];
    char system_directory[kDirectorySize];
    if (!FetchDirectory(GetWindowsDirectoryA, windows_directory) ||
        !FetchDirectory(GetSystemDirectoryA, system_directory))
        return kUninstallSystemFailure;

    UninstallStatus status = kUninstallDone;
    for (DWORD i = 0; i < info.InstalledFileCount && i < kMaxInstalledFiles; ++i) {
        char with_windows[kExpandedPathLength + 1];
        char path[kExpandedPathLength + 1];
        if (!ExpandPathMacro(info.InstalledFiles[i], "%WIN_DIR%", windows_directory, with_windows,
                             kExpandedPathLength) ||
            !ExpandPathMacro(with_windows, "%WIN_SYS_DIR%", system_directory, path,
                             kExpandedPathLength))
            return kUninstallSystemFailure;
        if (DeleteFileA(path))
            continue;
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            continue; // what does not exist counts as deleted
        SetLastError(0);
        ReportStepError(info);
        status = kUninstallSystemFailure;
    }
    return status;
}

UninstallStatus RemoveUninstallEntry(const UninstallInfo& info) {
    if (info.UninstallKey[0] == '\0')
        return kUninstallDone;
    // The uninstall key, "\" and a name of at most 128 characters.
    char path[sizeof kWindowsUninstallKey + kLongTextSize];
    size_t key_length = strlen(kWindowsUninstallKey);
    size_t name_length = strnlen(info.UninstallKey, kLongTextSize - 1);
    memcpy(path, kWindowsUninstallKey, key_length);
    path[key_length] = '\\';
    memcpy(path + key_length + 1, info.UninstallKey, name_length);
    path[key_length + 1 + name_length] = '\0';
    int probe = ProbeKey(info, path);
    if (probe == 1)
        return kUninstallDone;
    if (probe == 2)
        return kUninstallSystemFailure;
    return DeleteKeyTree(HKEY_LOCAL_MACHINE, path);
}

UninstallStatus RemoveUninstallInfo() {
    return DeleteKeyTree(HKEY_LOCAL_MACHINE, kUninstallInfoKey);
}

UninstallStatus DeleteKeyTree(HKEY parent, LPCSTR subkey) {
    HKEY key;
    if (RegOpenKeyA(parent, subkey, &key) != ERROR_SUCCESS) {
        ReportStepError(g_uninstall_info);
        return kUninstallSystemFailure;
    }
    // Always index 0: each deletion moves the next entry to the front.
    char name[kRegistryNameSize];
    for (;;) {
        LONG rc = RegEnumKeyA(key, 0, name, sizeof name);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc != ERROR_SUCCESS)
            return FailLevel(key, kUninstallSystemFailure);
        UninstallStatus status = DeleteKeyTree(key, name);
        if (status != kUninstallDone)
            return FailLevel(key, status);
    }
    for (;;) {
        DWORD name_size = sizeof name;
        LONG rc = RegEnumValueA(key, 0, name, &name_size, NULL, NULL, NULL, NULL);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc != ERROR_SUCCESS || RegDeleteValueA(key, name) != ERROR_SUCCESS)
            return FailLevel(key, kUninstallSystemFailure);
    }
    if (RegCloseKey(key) != ERROR_SUCCESS) {
        ReportStepError(g_uninstall_info);
        return kUninstallSystemFailure;
    }
    if (RegDeleteKeyA(parent, subkey) != ERROR_SUCCESS) {
        ReportStepError(g_uninstall_info);
        return kUninstallSystemFailure;
    }
    return kUninstallDone;
}

BOOL ExpandPathMacro(LPCSTR source, LPCSTR macro, LPCSTR replacement, LPSTR destination,
                     UINT limit) {
    size_t macro_length = strlen(macro);
    size_t replacement_length = strlen(replacement);
    size_t room = limit;
    while (*source != '\0') {
        if (macro_length != 0 && strncmp(source, macro, macro_length) == 0) {
            if (room < replacement_length)
                return FALSE;
            memcpy(destination, replacement, replacement_length);
            destination += replacement_length;
            room -= replacement_length;
            source += macro_length;
        } else {
            if (room == 0)
                return FALSE;
            *destination++ = *source++;
            --room;
        }
    }
    *destination = '\0';
    return TRUE;
}
