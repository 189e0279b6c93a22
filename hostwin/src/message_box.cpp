// MessageBoxA: the user's answers come from a script and every box is written to the UI log.
//
// A program run on a machine directory takes its script from HOSTWIN_MSGBOX, a comma list of
// OK, CANCEL and FAIL consumed in order by the boxes of that run (one process); unit tests
// script the in-memory machine through ScriptMessageBoxAnswers. OK answers every box beyond
// the list. FAIL makes the box fail: no box, the result 0 and ERROR_NOT_ENOUGH_MEMORY, the
// reason Windows gives when it cannot create the box's window.
#include "internal.h"
#include "ui_log.h"

#include <hostwin/testing.h>

#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

namespace {

enum class Answer { kOk, kCancel, kFail };

constexpr size_t kMaxAnswers = 256;

struct Script {
    unsigned generation;
    Answer answers[kMaxAnswers];
    size_t count;
    size_t next;
};

Script script;

void Parse(const char* list) {
    script.count = 0;
    script.next = 0;
    while (list != nullptr && *list != '\0') {
        while (isspace(static_cast<unsigned char>(*list)))
            ++list;
        size_t n = strcspn(list, ",");
        size_t end = n;
        while (end > 0 && isspace(static_cast<unsigned char>(list[end - 1])))
            --end;
        if (end > 0) {
            Answer a;
            if (end == 2 && strncasecmp(list, "OK", 2) == 0) {
                a = Answer::kOk;
            } else if (end == 6 && strncasecmp(list, "CANCEL", 6) == 0) {
                a = Answer::kCancel;
            } else if (end == 4 && strncasecmp(list, "FAIL", 4) == 0) {
                a = Answer::kFail;
            } else {
                fprintf(stderr, "hostwin: message-box answer '%.*s' is none of OK, CANCEL, FAIL\n",
                        static_cast<int>(end), list);
                abort(); // a scenario that scripts nonsense must not pass by accident
            }
            if (script.count == kMaxAnswers)
                abort();
            script.answers[script.count++] = a;
        }
        list += n;
        if (*list == ',')
            ++list;
    }
}

void Refresh() {
    if (script.generation == hostwin::MachineGeneration())
        return;
    script.generation = hostwin::MachineGeneration();
    Parse(hostwin::MachineDirectory() != nullptr ? getenv("HOSTWIN_MSGBOX") : nullptr);
}

Answer NextAnswer() {
    Refresh();
    return script.next < script.count ? script.answers[script.next++] : Answer::kOk;
}

bool HasCancelButton(UINT type) {
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
    case MB_YESNOCANCEL:
    case MB_RETRYCANCEL:
        return true;
    default:
        return false;
    }
}

void Log(LPCSTR caption, LPCSTR text, UINT type, int answer) {
    hostwin::UiEntry entry;
    hostwin::UiBegin(&entry, "MessageBox");
    hostwin::UiAddText(&entry, "caption", caption);
    hostwin::UiAddText(&entry, "text", text);
    hostwin::UiAddNumber(&entry, "type", type);
    hostwin::UiAddNumber(&entry, "answer", answer);
    hostwin::UiAppend(&entry);
}

} // namespace

namespace hostwin {

void ScriptMessageBoxAnswers(const char* answers) {
    Refresh();
    Parse(answers);
}

} // namespace hostwin

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    (void)owner;
    DWORD error;
    if (hostwin::FaultHits("MessageBoxA", &error)) {
        Log(caption, text, type, 0);
        SetLastError(error);
        return 0;
    }
    UINT buttons = type & MB_TYPEMASK;
    if (buttons != MB_OK && buttons != MB_OKCANCEL) {
        // Only the OK and OK/Cancel boxes are answered; others would need more answers.
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return 0;
    }
    int answer = IDOK;
    switch (NextAnswer()) {
    case Answer::kOk:
        answer = IDOK;
        break;
    case Answer::kCancel:
        // Escape closes a box; without a Cancel button it answers OK.
        answer = HasCancelButton(type) ? IDCANCEL : IDOK;
        break;
    case Answer::kFail:
        answer = 0;
        break;
    }
    Log(caption, text, type, answer);
    if (answer == 0)
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return answer;
}
