// Reading a registry value as a zero-terminated text of bounded size.
#pragma once

#include <windows.h>

// Reads the value's data into text (size bytes, terminator included) whatever type the
// registry reports. True when it fits: data that is missing its terminator gets one, and
// data that fills the whole buffer without one counts as one character too long. On false
// the text is empty and result (when given) holds the registry's error, ERROR_MORE_DATA for
// a text that is too long.
bool ReadRegistryText(HKEY key, LPCSTR name, char* text, DWORD size, LONG* result = NULL);

// Gives the text that RegEnumValueA wrote (data_size bytes into a buffer of size bytes) its
// terminator; false when it filled the buffer without one (too long).
bool TerminateRegistryText(char* text, DWORD data_size, DWORD size);
