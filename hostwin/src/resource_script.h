// The program's resource scripts (.rc), embedded by the build (cmake/HostResources.cmake),
// and the dialog templates read from them when a dialog is created.
//
// The reader understands what this product's scripts use: #define lines, LANGUAGE, classic
// DIALOG and DIALOGEX statements with STYLE, EXSTYLE, CAPTION and FONT, and CONTROL, LTEXT,
// CTEXT and RTEXT lines; style expressions with |, + and NOT over numbers, #define names and
// the window, dialog, static and progress-bar style names. Anything else makes the script
// unreadable, which is reported on stderr and makes dialog creation fail as not implemented.
#pragma once

#include "internal.h"

namespace hostwin {

constexpr size_t kMaxDialogControls = 15;

struct ControlTemplate {
    char text[256];
    int id;
    char class_name[64];
    DWORD style;
    DWORD ex_style;
    int x, y, cx, cy;
};

struct DialogTemplate {
    bool named; // named by text rather than by an integer id
    int id;
    char name[64];
    WORD language;
    bool extended; // DIALOGEX
    DWORD style;
    DWORD ex_style;
    int x, y, cx, cy;
    char caption[256];
    bool has_font;
    int font_size;
    char font_name[64];
    size_t control_count;
    ControlTemplate controls[kMaxDialogControls];
};

enum class TemplateLookup { kFound, kMissing, kUnreadable };

// Looks up a dialog template by integer id (MAKEINTRESOURCE) or by name.
TemplateLookup LookUpDialogTemplate(LPCSTR name, DialogTemplate* result);

// Called by the generated source of each embedded script, before main.
bool RegisterResourceScript(const char* name, const unsigned char* text, unsigned long size);

} // namespace hostwin
