// Strings: the system's formatting (wsprintf dialect, 1024-character limit) and the lstr*
// helpers with the system's ANSI comparison.
#pragma once

#include <hostwin/win_types.h>

#include <stdarg.h>

#define WINAPIV

// Format into buffer with the wsprintf dialect: %[-][#][0][width][.precision][size]type with
// the types c C d i u x X s S p and the sizes h l w I I32 I64. At most 1024 characters are
// written, then the terminator; the result is the number of characters written.
int WINAPI wvsprintfA(LPSTR buffer, LPCSTR format, va_list args);
int WINAPIV wsprintfA(LPSTR buffer, LPCSTR format, ...);

int WINAPI lstrlenA(LPCSTR text);
int WINAPI lstrcmpiA(LPCSTR first, LPCSTR second);
LPSTR WINAPI lstrcpynA(LPSTR destination, LPCSTR source, int max_length);
