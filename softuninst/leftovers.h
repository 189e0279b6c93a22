// The removal steps after the devices: the support applets, the configuration key tree, the
// installed files, the Windows uninstall entry and the uninstall information key; and the
// two operations they use, DeleteKeyTree and ExpandPathMacro.
#pragma once

#include "softuninst/uninstall_info.h"
#include "softuninst/uninstall_status.h"

#include <windows.h>

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// The room for an expanded installed file path, in characters without the terminator.
const UINT kExpandedPathLength = 512;

// Closes each applet's window (WM_DESTROY to the one window of its class and title) and
// deletes its autorun value: 0, or 2 without a message when the Run key cannot be opened or
// closed or an existing autorun value cannot be deleted.
UninstallStatus StopApplets(const UninstallInfo& info);

// Deletes the SoftwareKey tree: 0 when it is gone or was never there, 2 after a report.
UninstallStatus RemoveConfiguration(const UninstallInfo& info);

// Deletes every installed file after expanding %WIN_DIR% and %WIN_SYS_DIR%. A file that
// cannot be deleted (other than not found) is reported and the rest still go: 2 at the
// end. 2 at once, without a message, when a directory is unavailable or a path too long.
UninstallStatus RemoveInstalledFiles(const UninstallInfo& info);

// Deletes the Windows uninstall entry named by UninstallKey: 0 when it is gone or was never
// there, 2 after DeleteKeyTree's reports.
UninstallStatus RemoveUninstallEntry(const UninstallInfo& info);

// Deletes the uninstall information key, which must exist: 0, or 2 after the reports.
UninstallStatus RemoveUninstallInfo();

// Deletes subkey below parent with every subkey and value: 0, or 2 after reporting the
// "SZ_ERROR" text at every level that fails (a key that does not exist included).
UninstallStatus DeleteKeyTree(HKEY parent, LPCSTR subkey);

// Copies source to destination (room for limit characters and the terminator) with every
// occurrence of macro (matched byte for byte, letter case included) replaced. 1 when the
// whole source was copied, 0 when it would exceed the limit (destination then unfinished).
BOOL ExpandPathMacro(LPCSTR source, LPCSTR macro, LPCSTR replacement, LPSTR destination,
                     UINT limit);
