// The command line options of the window tools: /class NAME and /title TEXT, a TEXT with
// blanks in double quotes, and flags such as /find.
#pragma once

#include <windows.h>

const int kOptionSize = 260;

struct WindowOptions {
    char class_name[kOptionSize];
    char title[kOptionSize];
    bool find_only; // /find
    bool valid;     // false: an unknown option or one without its value
};

// Reads the options; class and title start from the given defaults.
WindowOptions ReadWindowOptions(LPCSTR command_line, LPCSTR default_class, LPCSTR default_title);
