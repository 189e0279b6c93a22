// ReportErrorText: the one way the uninstaller and the co-installer show a failure.
//
// The text never leaves its 1024 bytes. wvsprintfA may write 1024 characters and then its
// terminator, so it formats into a buffer one byte longer and the message is then cut to the
// 1023 characters that leave room for the terminator. What follows the message (":\n", the
// system's text and the code) is appended only as far as it fits, so a long message shows
// less of the system's text, or none. An absent format (the text of a missing string tag)
// shows as an empty message.
#include "common/error_report.h"

namespace {

// Appends text to buffer (holding size bytes), cutting it where the buffer ends.
void AppendCut(char* buffer, int size, const char* text) {
    int at = lstrlenA(buffer);
    while (*text != '\0' && at < size - 1)
        buffer[at++] = *text++;
    buffer[at] = '\0';
}

} // namespace

void ReportErrorText(LPCSTR caption, LPCSTR code_format, LPCSTR format, va_list args) {
    char text[kMessageTextSize + 1]; // + 1: the terminator after wvsprintfA's 1024 characters
    text[0] = '\0';
    if (format != NULL)
        wvsprintfA(text, format, args);
    text[kMessageTextSize - 1] = '\0';

    DWORD code = GetLastError();
    if (code != 0) {
        LPSTR system_text = NULL;
        DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                                          FORMAT_MESSAGE_ALLOCATE_BUFFER,
                                      NULL, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                      reinterpret_cast<LPSTR>(&system_text), 0, NULL);
        AppendCut(text, kMessageTextSize, ":\n");
        if (length != 0 && system_text != NULL)
            AppendCut(text, kMessageTextSize, system_text);
        if (system_text != NULL)
            LocalFree(system_text);
        char code_text[kCodeTextSize];
        wsprintfA(code_text, code_format, code);
        AppendCut(text, kMessageTextSize, code_text);
    }
    MessageBoxA(NULL, text, caption, MB_ICONWARNING);
}
