// RunUninstall and its table of removal steps.
//
// The notifications are synchronous sends to the dialog on this thread; nothing pumps
// messages. Each step's result is looked at before the next pause: the first that is not 0
// ends the run at once, with no further pause or notification and nothing undone.
#include "softuninst/uninstall_sequence.h"

#include "softuninst/device_removal.h"
#include "softuninst/leftovers.h"
#include "softuninst/registry_text.h"
#include "softuninst/run_program.h"

namespace {

enum PauseRule {
    kNoPause,
    kPauseWithWindow, // verbose mode only
    kPauseAlways,     // both modes: the applets get time to end before the devices go
};

typedef UninstallStatus (*RemovalStep)(const UninstallInfo& info);

UninstallStatus RemoveUninstallInfoStep(const UninstallInfo&) {
    return RemoveUninstallInfo();
}

struct SequenceRow {
    PauseRule pause;  // 500 ms before the row
    const char* tag;  // ProgressText
    LPARAM position;  // ProgressPosition, per cent
    RemovalStep step; // null: the final row
};

const DWORD kStepPauseMs = 500;
const DWORD kFinalPauseMs = 1000;

// Columns: pause before, progress text tag, progress position, step.
const SequenceRow kSequence[] = {
    {kNoPause, "SZ_CHECKING_IF_BUSY", 10, CheckDeviceIdle},
    {kPauseWithWindow, "SZ_STOPPING_SUPPORT_APPLICATIONS", 30, StopApplets},
    {kPauseAlways, "SZ_REMOVING_DEVICES_AND_SERVICES", 50, RemoveDevices},
    {kPauseWithWindow, "SZ_REMOVING_CONFIGURATION", 60, RemoveConfiguration},
    {kPauseWithWindow, "SZ_REMOVING_FILES", 70, RemoveInstalledFiles},
    {kPauseWithWindow, "SZ_REMOVING_UNINSTALL_INFORMATION", 80, RemoveUninstallEntry},
    {kPauseWithWindow, "SZ_REMOVING_UNINSTALL_INFORMATION", 90, RemoveUninstallInfoStep},
    {kPauseWithWindow, "SZ_DONE", 100, NULL},
};

void Notify(HWND window, ProgressCommand command, LPARAM argument) {
    SendMessageA(window, WM_COMMAND, static_cast<WPARAM>(command), argument);
}

LPARAM TagArgument(const char* tag) {
    return reinterpret_cast<LPARAM>(tag);
}

// The confirmation box, without owner; the caption is looked up before the text.
bool UserConfirms(const UninstallInfo& info) {
    LPCSTR caption = LookupString(info, "SZ_CONFIRM_TITLE");
    LPCSTR question = LookupString(info, "SZ_CONFIRM_QUESTION");
    return MessageBoxA(NULL, question, caption, MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
}

UninstallStatus RunSteps(HWND window, const UninstallInfo& info) {
    if (window != NULL) {
        Notify(window, ProgressTitle, TagArgument("SZ_PROGRESS_TITLE"));
        ShowWindow(window, SW_SHOW);
    }
    for (const SequenceRow& row : kSequence) {
        if (row.pause == kPauseAlways || (row.pause == kPauseWithWindow && window != NULL))
            Sleep(kStepPauseMs);
        if (window != NULL) {
            Notify(window, ProgressText, TagArgument(row.tag));
            Notify(window, ProgressPosition, row.position);
        }
        if (row.step == NULL)
            continue;
        UninstallStatus status = row.step(info);
        if (status != kUninstallDone)
            return status;
    }
    if (window != NULL) {
        Sleep(kFinalPauseMs);
        ShowWindow(window, SW_HIDE);
    }
    return kUninstallDone;
}

// Room for a registered command line: 512 characters and the terminator.
const DWORD kCommandLineSize = 513;

// Reads the command line, the mode's own value first, then the other one.
bool ReadRegisteredCommand(HKEY entry, HWND window, char* command) {
    const char* first = window != NULL ? "UninstallString" : "QuietUninstallString";
    const char* second = window != NULL ? "QuietUninstallString" : "UninstallString";
    return ReadRegistryText(entry, first, command, kCommandLineSize) ||
           ReadRegistryText(entry, second, command, kCommandLineSize);
}

// Sets the marker unless it is set already; 1 when it was set before or cannot be written.
UninstallStatus SetRemovalMarker(HKEY entry) {
    if (RegQueryValueExA(entry, kRemovalMarker, NULL, NULL, NULL, NULL) == ERROR_SUCCESS)
        return kUninstallInfoInvalid; // handed over before: this run removes
    static const BYTE kEmptyText[1] = {0};
    if (RegSetValueExA(entry, kRemovalMarker, 0, REG_SZ, kEmptyText, sizeof kEmptyText) !=
        ERROR_SUCCESS)
        return kUninstallInfoInvalid;
    return kUninstallDone;
}

} // namespace

UninstallStatus RunRegisteredUninstall(HWND window, const UninstallInfo& info) {
    HKEY uninstall;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kWindowsUninstallKey, 0, KEY_READ, &uninstall) !=
        ERROR_SUCCESS)
        return kUninstallSystemFailure;
    // An empty name would open the uninstall key itself and mark that: it names no entry.
    HKEY entry;
    if (info.UninstallKey[0] == '\0' ||
        RegOpenKeyExA(uninstall, info.UninstallKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &entry) !=
            ERROR_SUCCESS) {
        RegCloseKey(uninstall);
        return kUninstallInfoInvalid;
    }
    char command[kCommandLineSize];
    UninstallStatus status = ReadRegisteredCommand(entry, window, command) ? SetRemovalMarker(entry)
                                                                           : kUninstallInfoInvalid;
    if (status != kUninstallDone) {
        RegCloseKey(entry);
        RegCloseKey(uninstall);
        return status;
    }
    if (RegCloseKey(entry) != ERROR_SUCCESS) {
        RegCloseKey(uninstall);
        return kUninstallSystemFailure;
    }
    if (RegCloseKey(uninstall) != ERROR_SUCCESS)
        return kUninstallSystemFailure;
    return RunProgramToItsEnd(command);
}

UninstallStatus RunUninstall(HWND window) {
    UninstallStatus present = UninstallInfoPresent();
    if (present == kUninstallInfoInvalid)
        return kUninstallDone; // nothing is installed
    if (present != kUninstallDone)
        return present;
    UninstallStatus status = LoadUninstallInfo(&g_uninstall_info);
    if (status != kUninstallDone)
        return status;
    if (RunRegisteredUninstall(window, g_uninstall_info) == kUninstallDone)
        return kUninstallDone; // the registered command has done the uninstall
    if (window != NULL && !UserConfirms(g_uninstall_info))
        return kUninstallNotConfirmed;
    return RunSteps(window, g_uninstall_info);
}
