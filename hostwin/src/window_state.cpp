// A window's place, size, visibility and text, and the desktop window.
//
// Another program's window is known here by its class and title only: its text can be read,
// its place and visibility cannot (not implemented).
#include "window_registry.h"
#include "window_table.h"

#include <string.h>

namespace {

using hostwin::Window;
using hostwin::WindowKind;

bool IsDesktop(HWND window) {
    return window == hostwin::DesktopHandle();
}

bool IsOtherProgramsWindow(HWND window) {
    hostwin::WindowEntry entry;
    return hostwin::MachineDirectory() != nullptr && hostwin::ChildOf(window) == 0 &&
           hostwin::ReadWindowEntry(hostwin::NumberOf(window), &entry);
}

// The error for a handle that names no window of this process.
DWORD ErrorForMissing(HWND window) {
    return IsOtherProgramsWindow(window) ? ERROR_CALL_NOT_IMPLEMENTED : ERROR_INVALID_WINDOW_HANDLE;
}

void MoveBy(Window* w, LONG dx, LONG dy) {
    w->rect.left += dx;
    w->rect.right += dx;
    w->rect.top += dy;
    w->rect.bottom += dy;
}

void SetVisible(Window* w, bool visible) {
    if (visible)
        w->style |= WS_VISIBLE;
    else
        w->style &= ~static_cast<DWORD>(WS_VISIBLE);
    if (w->kind == WindowKind::kDialog)
        hostwin::LogDialog(visible ? "show" : "hide");
}

} // namespace

HWND WINAPI GetDesktopWindow(void) {
    DWORD error;
    if (hostwin::FaultHits("GetDesktopWindow", &error)) {
        SetLastError(error);
        return nullptr;
    }
    return hostwin::DesktopHandle();
}

BOOL WINAPI GetWindowRect(HWND window, LPRECT rect) {
    DWORD error;
    if (hostwin::FaultHits("GetWindowRect", &error)) {
        SetLastError(error);
        return FALSE;
    }
    if (rect == nullptr) {
        SetLastError(ERROR_NOACCESS);
        return FALSE;
    }
    if (IsDesktop(window)) {
        *rect = hostwin::DesktopRect();
        return TRUE;
    }
    Window* w = hostwin::FindLocalWindow(window);
    if (w == nullptr) {
        SetLastError(ErrorForMissing(window));
        return FALSE;
    }
    *rect = w->rect;
    return TRUE;
}

BOOL WINAPI SetWindowPos(HWND window, HWND insert_after, int x, int y, int cx, int cy, UINT flags) {
    DWORD error;
    if (hostwin::FaultHits("SetWindowPos", &error)) {
        SetLastError(error);
        return FALSE;
    }
    Window* w = hostwin::FindLocalWindow(window);
    if (w == nullptr) {
        SetLastError(ErrorForMissing(window));
        return FALSE;
    }
    bool reorder = (flags & SWP_NOZORDER) == 0 && w->child == 0;
    if (reorder && insert_after != HWND_TOP && insert_after != HWND_TOPMOST &&
        insert_after != HWND_NOTOPMOST && insert_after != HWND_BOTTOM) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED); // placing below a given window
        return FALSE;
    }
    RECT before = w->rect;
    if ((flags & SWP_NOMOVE) == 0) {
        // A child's place is given in its parent's client coordinates.
        POINT origin{0, 0};
        if (w->child != 0) {
            Window* parent = hostwin::FindLocalWindow(hostwin::HandleOf(w->number, 0));
            if (parent != nullptr)
                origin = hostwin::ClientOrigin(parent);
        }
        MoveBy(w, origin.x + x - w->rect.left, origin.y + y - w->rect.top);
        // A dialog's controls move with it.
        if (w->child == 0)
            for (unsigned c = 1; c <= hostwin::kMaxChildren; ++c)
                if (Window* child = hostwin::FindLocalChild(w, c))
                    MoveBy(child, w->rect.left - before.left, w->rect.top - before.top);
    }
    if ((flags & SWP_NOSIZE) == 0) {
        w->rect.right = w->rect.left + cx;
        w->rect.bottom = w->rect.top + cy;
    }
    if (reorder) {
        w->z = insert_after == HWND_BOTTOM ? 0 : hostwin::NextWindowNumber();
        if (hostwin::MachineDirectory() != nullptr)
            hostwin::RepublishWindow(w);
    }
    if (w->kind == WindowKind::kDialog &&
        (flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE))
        hostwin::LogDialogMove(w->rect);
    if ((flags & SWP_SHOWWINDOW) != 0)
        SetVisible(w, true);
    else if ((flags & SWP_HIDEWINDOW) != 0)
        SetVisible(w, false);
    return TRUE;
}

BOOL WINAPI ShowWindow(HWND window, int command) {
    DWORD error;
    if (hostwin::FaultHits("ShowWindow", &error)) {
        SetLastError(error);
        return FALSE;
    }
    Window* w = hostwin::FindLocalWindow(window);
    if (w == nullptr) {
        SetLastError(ErrorForMissing(window));
        return FALSE;
    }
    if (command < SW_HIDE || command > SW_FORCEMINIMIZE) {
        SetLastError(1449); // ERROR_INVALID_SHOWWIN_COMMAND
        return FALSE;
    }
    BOOL was_visible = (w->style & WS_VISIBLE) != 0;
    SetVisible(w, command != SW_HIDE);
    return was_visible;
}

BOOL WINAPI IsWindowVisible(HWND window) {
    DWORD error;
    if (hostwin::FaultHits("IsWindowVisible", &error)) {
        SetLastError(error);
        return FALSE;
    }
    Window* w = hostwin::FindLocalWindow(window);
    if (w == nullptr)
        return FALSE;
    if ((w->style & WS_VISIBLE) == 0)
        return FALSE;
    if (w->child != 0) {
        Window* parent = hostwin::FindLocalWindow(hostwin::HandleOf(w->number, 0));
        return parent != nullptr && (parent->style & WS_VISIBLE) != 0;
    }
    return TRUE;
}

int WINAPI GetWindowTextA(HWND window, LPSTR text, int max_count) {
    DWORD error;
    if (hostwin::FaultHits("GetWindowTextA", &error)) {
        SetLastError(error);
        if (text != nullptr && max_count > 0)
            text[0] = '\0';
        return 0;
    }
    if (text == nullptr || max_count <= 0)
        return 0;
    text[0] = '\0';
    const char* source = nullptr;
    hostwin::WindowEntry entry;
    if (Window* w = hostwin::FindLocalWindow(window)) {
        source = w->text;
    } else if (IsOtherProgramsWindow(window) &&
               hostwin::ReadWindowEntry(hostwin::NumberOf(window), &entry)) {
        source = entry.title;
    } else {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    size_t n = strlen(source);
    if (n > static_cast<size_t>(max_count - 1))
        n = static_cast<size_t>(max_count - 1);
    memcpy(text, source, n);
    text[n] = '\0';
    return static_cast<int>(n);
}
