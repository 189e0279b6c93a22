// RunWithProgressDialog and ProgressDialogProc.
//
// The program has no message loop: the dialog only gets the messages of its creation,
// showing and destruction and the progress commands, all sent on this thread. The dialog
// holds nothing of its own; it reads the run's one UninstallInfo.
#include "softuninst/progress_dialog.h"

#include "common/report_error_softuninst.h"
#include "softuninst/resource.h"
#include "softuninst/step_error.h"
#include "softuninst/uninstall_info.h"
#include "softuninst/uninstall_sequence.h"

#include <commctrl.h>

namespace {

// The text for a command's tag: a literal for a null tag, else the looked-up text, which is
// empty when the tag is not stored (LookupString has reported that).
LPCSTR TextForTag(LPARAM lparam) {
    if (lparam == 0)
        return "<NULL tag>";
    LPCSTR text = LookupString(g_uninstall_info, reinterpret_cast<LPCSTR>(lparam));
    return text != NULL ? text : "";
}

BOOL CentreOnDesktop(HWND dialog) {
    HWND desktop = GetDesktopWindow();
    if (desktop == NULL) {
        ReportStepError(g_uninstall_info);
        return FALSE;
    }
    RECT desktop_rect = {0, 0, 0, 0};
    RECT dialog_rect = {0, 0, 0, 0};
    GetWindowRect(desktop, &desktop_rect);
    GetWindowRect(dialog, &dialog_rect);
    POINT at = CentredPosition(desktop_rect, dialog_rect);
    SetWindowPos(dialog, NULL, at.x, at.y, 0, 0, SWP_NOSIZE);
    return TRUE;
}

INT_PTR CarryOutCommand(HWND dialog, WPARAM command, LPARAM lparam) {
    switch (command) {
    case ProgressTitle:
        SendMessageA(dialog, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(TextForTag(lparam)));
        return TRUE;
    case ProgressText:
        if (!SetDlgItemTextA(dialog, IDC_DESCRIPTION, TextForTag(lparam))) {
            ReportStepError(g_uninstall_info);
            return FALSE;
        }
        return TRUE;
    case ProgressPosition: {
        HWND bar = GetDlgItem(dialog, IDC_PROGRESS);
        if (bar == NULL) {
            ReportStepError(g_uninstall_info);
            return FALSE;
        }
        SendMessageA(bar, PBM_SETPOS, static_cast<WPARAM>(lparam), 0);
        return TRUE;
    }
    default: // other commands, and notifications with a code in the high word
        return FALSE;
    }
}

} // namespace

POINT CentredPosition(const RECT& desktop, const RECT& window) {
    LONG desktop_width = desktop.right - desktop.left;
    LONG desktop_height = desktop.bottom - desktop.top;
    LONG window_width = window.right - window.left;
    LONG window_height = window.bottom - window.top;
    POINT at;
    at.x = desktop.left + (desktop_width - window_width) / 2;
    at.y = desktop.top + (desktop_height - window_height) / 2;
    return at;
}

INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        return CentreOnDesktop(dialog);
    case WM_DESTROY:
        return TRUE; // no message loop to end
    case WM_COMMAND:
        return CarryOutCommand(dialog, wparam, lparam);
    default:
        return FALSE;
    }
}

UninstallStatus RunWithProgressDialog(HINSTANCE instance) {
    InitCommonControls();
    HWND dialog =
        CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_PROGRESS), NULL, ProgressDialogProc, 0);
    if (dialog == NULL) {
        ReportError("Unable to create progress dialog");
        return kUninstallSystemFailure;
    }
    UninstallStatus status = RunUninstall(dialog);
    DestroyWindow(dialog);
    return status;
}
