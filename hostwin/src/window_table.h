// The windows of this process: the table behind every HWND that the process owns, the
// registered window classes, the desktop, and the delivery of a message to a window of the
// process. Windows of other programs on a machine directory are reached through
// window_registry.h.
//
// A window handle names a top-level window by its number on the machine (unique across the
// programs that share a machine directory) and a child by that number and its index:
// 0x10000 + number * 16 + index. Number 0 is the desktop.
#pragma once

#include "internal.h"

#include <sys/types.h>

namespace hostwin {

constexpr size_t kWindowTextSize = 1024;
constexpr size_t kClassNameSize = 256;
constexpr unsigned kMaxChildren = 15;

enum class WindowKind {
    kOwn,      // made by CreateWindowExA from a class that the process registered
    kDialog,   // made by CreateDialogParamA
    kStatic,   // a dialog's static control
    kProgress, // a dialog's progress bar
    kForeign,  // a test's stand-in for another program's window
};

struct Window {
    bool used;
    unsigned number; // the top-level window's number (a child: its parent's)
    unsigned child;  // 0 for a top-level window, else 1..kMaxChildren
    WindowKind kind;
    pid_t owner; // the process that made it
    unsigned z;  // larger is nearer the top of the Z order (top-level windows)
    char class_name[kClassNameSize];
    char text[kWindowTextSize];
    DWORD style;
    DWORD ex_style;
    RECT rect;    // in screen coordinates
    int id;       // a control's id
    WNDPROC proc; // kOwn and kForeign
    DLGPROC dialog_proc;
    int progress_low, progress_high, progress_position, progress_step;
    int listen_fd;   // machine directory: where other programs' sends arrive, or -1
    bool destroying; // WM_DESTROY is on its way
};

HWND HandleOf(unsigned number, unsigned child);
HWND HandleOf(const Window* window);
unsigned NumberOf(HWND window); // 0 for a handle that names no window of the scheme
unsigned ChildOf(HWND window);

HWND DesktopHandle();
RECT DesktopRect();

// A fresh number for a top-level window or a Z-order position, unique on the machine.
unsigned NextWindowNumber();

// The window of this process behind a handle, or null.
Window* FindLocalWindow(HWND window);
Window* FindLocalChild(const Window* parent, unsigned child);
Window* NewLocalWindow();
void FreeLocalWindow(Window* window);

// Calls fn for every window of the table in use; stops when fn returns false.
void ForEachLocalWindow(bool (*fn)(Window*, void*), void* context);

// The client area's origin of a window in screen coordinates.
POINT ClientOrigin(const Window* window);

// Sets a window's text; a dialog's caption and its controls' texts are written to the UI log,
// and a top-level window's new title is published on the machine.
void SetWindowTextOf(Window* window, const char* text);

// The dialog records of the UI log.
void LogDialog(const char* action);
void LogDialogNumber(const char* action, const char* name, long long value);
void LogDialogItem(const char* action, int id, const char* name, const char* text, long long value);
void LogDialogMove(const RECT& rect);

// Delivers a message to a window of this process, as a send on its own thread does.
LRESULT DeliverLocal(Window* window, UINT message, WPARAM wparam, LPARAM lparam);

// Destroys a window of this process and its children, sending WM_DESTROY and WM_NCDESTROY.
void DestroyLocalWindow(Window* window);

// The kinds' own message handling (dialog.cpp, controls.cpp).
LRESULT DeliverToDialog(Window* dialog, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT DeliverToControl(Window* control, UINT message, WPARAM wparam, LPARAM lparam);

// Whether a control class can be created: "Static" always, the common controls after
// InitCommonControls. Names compare without regard to case.
bool ControlClassAvailable(const char* class_name, WindowKind* kind);

} // namespace hostwin
