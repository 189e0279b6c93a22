// Answers the message boxes of other programs, as a user would: boxanswer ANSWERS LOG
//
// ANSWERS is a comma list of OK and CANCEL, one per box in the order the boxes appear. Each
// box (a top-level dialog window, class "#32770", with the message text as item 0xFFFF) is
// written to LOG as "caption|text" and answered with WM_COMMAND IDOK or IDCANCEL. It ends
// when every answer is given (status 0) or after 60 seconds (status 1).
#include <windows.h>

#include <stdio.h>
#include <string.h>

namespace {

const int kMessageTextItem = 0xFFFF;

struct Search {
    HWND found;
};

BOOL CALLBACK FindMessageBox(HWND window, LPARAM param) {
    char class_name[16];
    if (GetClassNameA(window, class_name, sizeof class_name) == 0 ||
        strcmp(class_name, "#32770") != 0 || !IsWindowVisible(window) ||
        GetDlgItem(window, kMessageTextItem) == NULL)
        return TRUE;
    reinterpret_cast<Search*>(param)->found = window;
    return FALSE;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3)
        return 2;
    char answers[256];
    snprintf(answers, sizeof answers, "%s", argv[1]);
    int waited = 0;
    for (char* answer = strtok(answers, ","); answer != NULL; answer = strtok(NULL, ",")) {
        Search search = {NULL};
        for (; search.found == NULL; waited += 20) {
            if (waited > 60000)
                return 1;
            Sleep(20);
            EnumWindows(FindMessageBox, reinterpret_cast<LPARAM>(&search));
        }
        char caption[512], text[1024];
        GetWindowTextA(search.found, caption, sizeof caption);
        GetDlgItemTextA(search.found, kMessageTextItem, text, sizeof text);
        FILE* log = fopen(argv[2], "ab");
        if (log != NULL) {
            fprintf(log, "%s|%s\n", caption, text);
            fclose(log);
        }
        WPARAM id = strcmp(answer, "CANCEL") == 0 ? IDCANCEL : IDOK;
        PostMessageA(search.found, WM_COMMAND, id, 0);
        while (IsWindow(search.found) && waited <= 60000) {
            Sleep(20);
            waited += 20;
        }
    }
    return 0;
}
