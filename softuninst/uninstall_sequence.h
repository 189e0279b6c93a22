// The removal sequence: loading, the hand-over to the registered uninstall command, the
// confirmation and the seven removal steps with their progress notifications.
#pragma once

#include "softuninst/uninstall_info.h"
#include "softuninst/uninstall_status.h"

#include <windows.h>

// The progress commands: WM_COMMAND sent to the progress dialog with the command as the
// whole wParam and its argument as lParam.
enum ProgressCommand {
    ProgressTitle = 0,    // lParam: a tag; the caption becomes its text
    ProgressText = 1,     // lParam: a tag; the description line becomes its text
    ProgressPosition = 2, // lParam: the bar's position in per cent
};

const char kWindowsUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char kRemovalMarker[] = "RemovalInProgress";

// Runs the whole uninstall on the run's UninstallInfo, with the progress dialog window
// (verbose) or none (silent). The result is the program's exit status.
UninstallStatus RunUninstall(HWND window);

// Hands the uninstall over once to the command registered in the Windows uninstall entry:
// 0 when the command was started and waited for; 1 when there is no entry, no command, the
// marker is set already or cannot be written; 2 when the uninstall key cannot be opened or a
// key cannot be closed after marking; 4 when the command cannot be started or waited for.
// The window only selects the mode: UninstallString first with one, QuietUninstallString
// first without. Shows nothing.
UninstallStatus RunRegisteredUninstall(HWND window, const UninstallInfo& info);
