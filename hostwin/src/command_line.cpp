// The process's Windows command line and how WinMain's part of it is found.
#include "command_line.h"

#include <string.h>

namespace hostwin {

const HINSTANCE kModuleInstance = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000));

namespace {
constexpr size_t kCommandLineSize = 32768; // Windows limits a command line to 32767 characters
char command_line[kCommandLineSize];

// Appends one argument quoted so that the C runtime's parser gives it back unchanged.
size_t AppendQuoted(size_t at, const char* arg) {
    auto put = [&at](char c) {
        if (at + 1 < kCommandLineSize)
            command_line[at++] = c;
    };
    bool needs_quotes = arg[0] == '\0' || strpbrk(arg, " \t\"") != nullptr;
    if (!needs_quotes) {
        for (const char* p = arg; *p != '\0'; ++p)
            put(*p);
        return at;
    }
    put('"');
    size_t backslashes = 0;
    for (const char* p = arg;; ++p) {
        if (*p == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes are literal unless a quote follows them (here or at the closing quote).
        size_t copies = (*p == '"' || *p == '\0') ? backslashes * 2 : backslashes;
        for (size_t i = 0; i < copies; ++i)
            put('\\');
        backslashes = 0;
        if (*p == '\0')
            break;
        if (*p == '"')
            put('\\');
        put(*p);
    }
    put('"');
    return at;
}
} // namespace

void SetCommandLine(const char* text) {
    strncpy(command_line, text, kCommandLineSize - 1);
    command_line[kCommandLineSize - 1] = '\0';
}

void SetCommandLineFromArguments(int argc, char** argv) {
    size_t at = 0;
    for (int i = 0; i < argc; ++i) {
        if (i > 0 && at + 1 < kCommandLineSize)
            command_line[at++] = ' ';
        at = AppendQuoted(at, argv[i]);
    }
    command_line[at] = '\0';
}

LPSTR ArgumentsOf(LPSTR line) {
    unsigned char* p = reinterpret_cast<unsigned char*>(line);
    if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"')
            ++p;
        if (*p == '"')
            ++p;
    } else {
        while (*p > ' ')
            ++p;
    }
    while (*p != '\0' && *p <= ' ')
        ++p;
    return reinterpret_cast<LPSTR>(p);
}

} // namespace hostwin

LPSTR WINAPI GetCommandLineA(void) {
    return hostwin::command_line;
}
