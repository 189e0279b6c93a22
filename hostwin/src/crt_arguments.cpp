// The C runtime's reading of a command line, so that a host program started by CreateProcessA
// gets the argv that the same program built for Windows would get.
#include "crt_arguments.h"

namespace hostwin {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

const char* ReadProgramName(const char* p, std::string* name) {
    bool quoted = false;
    for (; *p != '\0'; ++p) {
        if (*p == '"') {
            quoted = !quoted;
            continue;
        }
        if (!quoted && IsBlank(*p))
            break;
        *name += *p;
    }
    return p;
}

const char* ReadArgument(const char* p, std::string* argument) {
    bool quoted = false;
    for (;;) {
        size_t backslashes = 0;
        while (*p == '\\') {
            ++backslashes;
            ++p;
        }
        bool literal = true;
        if (*p == '"') {
            if (backslashes % 2 == 0) {
                if (quoted && p[1] == '"') {
                    ++p; // two quotes inside quotes: one literal quote
                } else {
                    literal = false;
                    quoted = !quoted;
                }
            }
            backslashes /= 2;
        }
        argument->append(backslashes, '\\');
        if (*p == '\0' || (!quoted && IsBlank(*p)))
            return p;
        if (literal)
            *argument += *p;
        ++p;
    }
}

} // namespace

std::vector<std::string> SplitArguments(const char* command_line) {
    std::vector<std::string> arguments(1);
    const char* p = ReadProgramName(command_line, &arguments[0]);
    for (;;) {
        while (IsBlank(*p))
            ++p;
        if (*p == '\0')
            break;
        arguments.emplace_back();
        p = ReadArgument(p, &arguments.back());
    }
    return arguments;
}

} // namespace hostwin
