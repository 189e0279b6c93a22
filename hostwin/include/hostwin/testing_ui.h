// Test controls of the user interface: the UI log, message-box answers, the desktop, foreign
// windows and the dialog templates that the program carries.
#pragma once

#include <hostwin/win_types.h>
#include <hostwin/win_user.h>

#include <string>
#include <vector>

namespace hostwin {

// One field of a UI log record as read back: a text, a number, true/false or null.
struct UiField {
    enum Kind { kText, kNumber, kBool, kNull };
    std::string name;
    Kind kind;
    std::string text; // kText: the unescaped bytes
    long long number; // kNumber; kBool: 1 or 0
};

// One record of the UI log (one line of ui.jsonl), its fields in the written order.
struct UiRecord {
    std::string json; // the line as written, without its line feed
    std::vector<UiField> fields;

    const UiField* Field(const char* name) const;
    std::string Event() const;                // the "event" field
    std::string Text(const char* name) const; // "" when absent or not a text
    long long Number(const char* name) const; // 0 when absent or not a number
    bool IsNull(const char* name) const;      // present and null
};

// Reads one JSON line of the log; false when it is not a flat JSON object.
bool ParseUiRecord(const std::string& line, UiRecord* record);

// Every record of the machine's UI log so far, oldest first (the in-memory log of the unit
// tests, or ui.jsonl of a machine directory).
std::vector<UiRecord> UiLog();

// The records of one event only, oldest first.
std::vector<UiRecord> UiLogOf(const char* event);

// Empties the UI log.
void ClearUiLog();

// Scripts the answers of the next message boxes: a comma list of OK, CANCEL and FAIL used in
// order, as HOSTWIN_MSGBOX does for a program. OK answers every box beyond the list.
void ScriptMessageBoxAnswers(const char* answers);

// Sets the size of the desktop window (1024 x 768 on a fresh machine).
void SetDesktopSize(LONG width, LONG height);

// Creates a top-level window that belongs to "another program": FindWindowA finds it, and
// SendMessageA logs what it sends to it and runs proc as that program would.
HWND CreateForeignWindow(const char* class_name, const char* title, WNDPROC proc);

// Ends a foreign window as its program would; FindWindowA no longer finds it.
void DestroyForeignWindow(HWND window);

// A dialog template as the program's resource script declares it.
struct ControlTemplateInfo {
    std::string text;
    int id;
    std::string class_name;
    DWORD style;
    DWORD ex_style;
    int x, y, cx, cy; // dialog units
};
struct DialogTemplateInfo {
    WORD language; // the LANGUAGE in force: primary | sublanguage << 10
    bool extended; // DIALOGEX rather than DIALOG
    DWORD style;
    DWORD ex_style;
    int x, y, cx, cy; // dialog units
    std::string caption;
    int font_size;
    std::string font_name;
    std::vector<ControlTemplateInfo> controls;
};

// Reads the dialog template with the integer id from the program's resource scripts.
bool ReadDialogTemplate(int id, DialogTemplateInfo* info);

} // namespace hostwin
