// The error report shared by softuninst and VTRXIFS: a warning box with the caller's message
// and, when the thread has a last-error code, the system's text for it and the code itself.
// Each deliverable links its own variant of ReportError (report_error_softuninst.h,
// report_error_vtrxifs.h); both are built on ReportErrorText.
#pragma once

#include <windows.h>

#include <stdarg.h>

// The message text, terminator included, and the code text.
const int kMessageTextSize = 1024;
const int kCodeTextSize = 64;

// Formats the message (wsprintf dialect) and shows it, with the system's text for the
// thread's last-error code and the code in code_format when that code is not 0, in a warning
// box with the given caption. Returns when the user has closed the box.
void ReportErrorText(LPCSTR caption, LPCSTR code_format, LPCSTR format, va_list args);
