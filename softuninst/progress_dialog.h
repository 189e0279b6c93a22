// The progress dialog of verbose mode: a caption, one line naming the current step and a
// progress bar, driven by the progress commands of the sequence.
#pragma once

#include "softuninst/uninstall_status.h"

#include <windows.h>

// Creates the hidden, centred dialog from template 101, runs RunUninstall with it and
// destroys it: RunUninstall's status, or 2 after "Unable to create progress dialog" when the
// dialog cannot be created (then nothing is removed).
UninstallStatus RunWithProgressDialog(HINSTANCE instance);

// The dialog procedure: centres the dialog on WM_INITDIALOG and carries out the progress
// commands, looking their tags up in the run's UninstallInfo. TRUE for what it handled.
INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// Where a window of the given rectangle goes to be centred on the desktop's rectangle: half
// the difference of the sizes, each halving truncated toward zero.
POINT CentredPosition(const RECT& desktop, const RECT& window);
