// The modeless dialog: CreateDialogParamA from a template of the program's resource scripts,
// its controls, and the dialog manager's handling of its messages (DefDlgProc).
//
// Dialog units become pixels through the dialog font's base units: 6 x 13 for 8-point
// "MS Sans Serif" (and "MS Shell Dlg", which maps to it) at 96 dpi, 8 x 16 for the system
// font of a template without a font; x * base_x / 4 and y * base_y / 8, rounded to the
// nearest as MulDiv does. The window is the client area plus the frame of a WS_CAPTION
// dialog with a modal frame (3 pixels a side, a 19-pixel caption): the product's template of
// 186 x 39 units is a window of 285 x 88 pixels. A new dialog is kept on the desktop: its
// template place (0, 0) puts the window at the desktop's top left corner.
//
// The dialog's state (caption, control texts, the progress position, visibility and place)
// is kept here and each change is written to the UI log as a Dialog record.
#include "resource_script.h"
#include "text_compare.h"
#include "window_registry.h"
#include "window_table.h"

#include <stdio.h>
#include <string.h>

namespace {

using hostwin::Window;
using hostwin::WindowKind;

struct FontUnits {
    const char* name;
    int points;
    int base_x;
    int base_y;
};

// Columns: face name, point size, horizontal and vertical base units in pixels at 96 dpi.
const FontUnits kFontUnits[] = {
    {"MS Sans Serif", 8, 6, 13},
    {"MS Shell Dlg", 8, 6, 13},
};

constexpr int kSystemFontBaseX = 8;
constexpr int kSystemFontBaseY = 16;

int MulDivRounded(int value, int numerator, int denominator) {
    long long product = static_cast<long long>(value) * numerator;
    long long half = denominator / 2;
    long long q = product >= 0 ? (product + half) / denominator : (product - half) / denominator;
    return static_cast<int>(q);
}

bool BaseUnits(const hostwin::DialogTemplate& t, int* base_x, int* base_y) {
    if (!t.has_font || (t.style & DS_SETFONT) == 0) {
        *base_x = kSystemFontBaseX;
        *base_y = kSystemFontBaseY;
        return true;
    }
    for (const FontUnits& f : kFontUnits) {
        if (f.points == t.font_size && hostwin::SameTextIgnoringCase(f.name, t.font_name)) {
            *base_x = f.base_x;
            *base_y = f.base_y;
            return true;
        }
    }
    return false;
}

RECT PixelRect(int x, int y, int cx, int cy, int base_x, int base_y) {
    int left = MulDivRounded(x, base_x, 4);
    int top = MulDivRounded(y, base_y, 8);
    return RECT{left, top, left + MulDivRounded(cx, base_x, 4), top + MulDivRounded(cy, base_y, 8)};
}

// The window rectangle around a client rectangle, as AdjustWindowRectEx gives it.
RECT WindowAround(RECT client, DWORD style, DWORD ex_style) {
    int frame = 0;
    if ((ex_style & WS_EX_DLGMODALFRAME) != 0 || (style & WS_DLGFRAME) != 0)
        frame = 3;
    else if ((style & WS_BORDER) != 0)
        frame = 1;
    client.left -= frame;
    client.right += frame;
    client.top -= frame;
    client.bottom += frame;
    if ((style & WS_CAPTION) == WS_CAPTION)
        client.top -= 19;
    return client;
}

// Keeps a new top-level dialog on the desktop, as the dialog manager does.
void KeepOnDesktop(RECT* r) {
    RECT desk = hostwin::DesktopRect();
    LONG width = r->right - r->left, height = r->bottom - r->top;
    if (r->right > desk.right)
        r->left = desk.right - width;
    if (r->left < desk.left)
        r->left = desk.left;
    if (r->bottom > desk.bottom)
        r->top = desk.bottom - height;
    if (r->top < desk.top)
        r->top = desk.top;
    r->right = r->left + width;
    r->bottom = r->top + height;
}

HWND Fail(DWORD error) {
    SetLastError(error);
    return nullptr;
}

Window* FindControl(HWND dialog, int id, DWORD* error) {
    Window* d = hostwin::FindLocalWindow(dialog);
    if (d == nullptr) {
        *error = ERROR_INVALID_WINDOW_HANDLE;
        return nullptr;
    }
    for (unsigned c = 1; c <= hostwin::kMaxChildren; ++c) {
        Window* child = hostwin::FindLocalChild(d, c);
        if (child != nullptr && child->id == id)
            return child;
    }
    *error = ERROR_CONTROL_ID_NOT_FOUND;
    return nullptr;
}

// The first control that takes the keyboard focus, for WM_INITDIALOG's wParam.
HWND FirstTabStop(const Window* dialog) {
    for (unsigned c = 1; c <= hostwin::kMaxChildren; ++c) {
        Window* child = hostwin::FindLocalChild(dialog, c);
        if (child != nullptr && (child->style & WS_TABSTOP) != 0)
            return hostwin::HandleOf(child);
    }
    return nullptr;
}

} // namespace

namespace hostwin {

LRESULT DeliverToDialog(Window* dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    HWND handle = HandleOf(dialog);
    INT_PTR handled = dialog->dialog_proc != nullptr
                          ? dialog->dialog_proc(handle, message, wparam, lparam)
                          : FALSE;
    if (message == WM_INITDIALOG)
        return handled; // its result is the procedure's own
    if (handled)
        return 0; // the procedure's message result, which it never sets here
    // Not handled: the default processing, so WM_SETTEXT sets the caption.
    if (FindLocalWindow(handle) == nullptr)
        return 0;
    return DefWindowProcA(handle, message, wparam, lparam);
}

} // namespace hostwin

HWND WINAPI CreateDialogParamA(HINSTANCE instance, LPCSTR template_name, HWND owner,
                               DLGPROC dialog_proc, LPARAM init_param) {
    (void)instance; // a program has one module, whose scripts are all embedded
    DWORD error;
    if (hostwin::FaultHits("CreateDialogParamA", &error))
        return Fail(error);
    if (template_name == nullptr)
        return Fail(ERROR_RESOURCE_NAME_NOT_FOUND);
    if (owner != nullptr)
        return Fail(ERROR_CALL_NOT_IMPLEMENTED); // owned dialogs: not implemented

    hostwin::DialogTemplate t;
    switch (hostwin::LookUpDialogTemplate(template_name, &t)) {
    case hostwin::TemplateLookup::kFound:
        break;
    case hostwin::TemplateLookup::kMissing:
        return Fail(ERROR_RESOURCE_NAME_NOT_FOUND);
    case hostwin::TemplateLookup::kUnreadable:
        return Fail(ERROR_CALL_NOT_IMPLEMENTED);
    }
    int base_x, base_y;
    if (t.extended || (t.style & WS_CHILD) != 0 || !BaseUnits(t, &base_x, &base_y)) {
        fprintf(stderr, "hostwin: dialog template: only classic top-level dialogs in a known "
                        "font are implemented\n");
        return Fail(ERROR_CALL_NOT_IMPLEMENTED);
    }
    WindowKind kinds[hostwin::kMaxDialogControls];
    for (size_t i = 0; i < t.control_count; ++i)
        if (!hostwin::ControlClassAvailable(t.controls[i].class_name, &kinds[i]))
            return Fail(ERROR_CANNOT_FIND_WND_CLASS);

    Window* d = hostwin::NewLocalWindow();
    if (d == nullptr)
        return Fail(ERROR_NOT_ENOUGH_MEMORY);
    d->kind = WindowKind::kDialog;
    snprintf(d->class_name, sizeof d->class_name, "#32770");
    snprintf(d->text, sizeof d->text, "%s", t.caption);
    d->style = t.style & ~static_cast<DWORD>(WS_VISIBLE);
    d->ex_style = t.ex_style | ((t.style & DS_MODALFRAME) != 0 ? WS_EX_DLGMODALFRAME : 0);
    RECT client = PixelRect(t.x, t.y, t.cx, t.cy, base_x, base_y);
    d->rect = WindowAround(client, d->style, d->ex_style);
    KeepOnDesktop(&d->rect);
    d->dialog_proc = dialog_proc;
    d->number = hostwin::NextWindowNumber();
    d->z = d->number;
    if (hostwin::MachineDirectory() != nullptr && !hostwin::PublishWindow(d)) {
        hostwin::FreeLocalWindow(d);
        return Fail(ERROR_NOT_ENOUGH_MEMORY);
    }
    HWND handle = hostwin::HandleOf(d);
    if (t.named)
        hostwin::LogDialogItem("create", 0, "name", t.name, 0);
    else
        hostwin::LogDialogNumber("create", "id", t.id);

    POINT origin = hostwin::ClientOrigin(d);
    for (size_t i = 0; i < t.control_count; ++i) {
        const hostwin::ControlTemplate& ct = t.controls[i];
        Window* c = hostwin::NewLocalWindow();
        if (c == nullptr) {
            hostwin::DestroyLocalWindow(hostwin::FindLocalWindow(handle));
            return Fail(ERROR_NOT_ENOUGH_MEMORY);
        }
        c->kind = kinds[i];
        c->number = d->number;
        c->child = static_cast<unsigned>(i + 1);
        snprintf(c->class_name, sizeof c->class_name, "%s", ct.class_name);
        snprintf(c->text, sizeof c->text, "%s", ct.text);
        c->style = ct.style;
        c->ex_style = ct.ex_style;
        c->id = ct.id;
        RECT r = PixelRect(ct.x, ct.y, ct.cx, ct.cy, base_x, base_y);
        c->rect =
            RECT{origin.x + r.left, origin.y + r.top, origin.x + r.right, origin.y + r.bottom};
        c->progress_low = 0;
        c->progress_high = 100;
        c->progress_step = 10;
    }

    hostwin::DeliverToDialog(d, WM_INITDIALOG, reinterpret_cast<WPARAM>(FirstTabStop(d)),
                             init_param);
    d = hostwin::FindLocalWindow(handle);
    if (d == nullptr)
        return nullptr; // the procedure destroyed it
    if ((t.style & WS_VISIBLE) != 0)
        ShowWindow(handle, SW_SHOWNORMAL);
    return handle;
}

HWND WINAPI GetDlgItem(HWND dialog, int id) {
    DWORD error;
    if (hostwin::FaultHits("GetDlgItem", &error))
        return Fail(error);
    Window* c = FindControl(dialog, id, &error);
    if (c == nullptr)
        return Fail(error);
    return hostwin::HandleOf(c);
}

BOOL WINAPI SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
    DWORD error;
    if (hostwin::FaultHits("SetDlgItemTextA", &error)) {
        SetLastError(error);
        return FALSE;
    }
    Window* c = FindControl(dialog, id, &error);
    if (c == nullptr) {
        SetLastError(error);
        return FALSE;
    }
    return hostwin::DeliverLocal(c, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}
