// Reading the window tools' command line.
#include "tools/vtrxmsg/arguments.h"

namespace {

// Copies the next word (blank-separated, or a double-quoted text) into word; returns where
// the rest of the line starts, or null at the end of the line.
LPCSTR NextWord(LPCSTR p, char* word, int size) {
    while (*p == ' ' || *p == '\t')
        ++p;
    if (*p == '\0')
        return NULL;
    int n = 0;
    bool quoted = false;
    for (; *p != '\0'; ++p) {
        if (*p == '"') {
            quoted = !quoted;
            continue;
        }
        if (!quoted && (*p == ' ' || *p == '\t'))
            break;
        if (n < size - 1)
            word[n++] = *p;
    }
    word[n] = '\0';
    return p;
}

} // namespace

WindowOptions ReadWindowOptions(LPCSTR command_line, LPCSTR default_class, LPCSTR default_title) {
    WindowOptions options;
    lstrcpynA(options.class_name, default_class, kOptionSize);
    lstrcpynA(options.title, default_title, kOptionSize);
    options.find_only = false;
    options.valid = true;
    char word[kOptionSize];
    LPCSTR p = command_line;
    while ((p = NextWord(p, word, kOptionSize)) != NULL) {
        if (lstrcmpiA(word, "/find") == 0) {
            options.find_only = true;
        } else if (lstrcmpiA(word, "/class") == 0) {
            p = NextWord(p, options.class_name, kOptionSize);
        } else if (lstrcmpiA(word, "/title") == 0) {
            p = NextWord(p, options.title, kOptionSize);
        } else {
            options.valid = false;
            return options;
        }
        if (p == NULL) { // an option without its value
            options.valid = false;
            return options;
        }
    }
    return options;
}
