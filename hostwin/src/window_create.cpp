// Window classes, creating and destroying windows, finding top-level windows, and the tests'
// stand-ins for other programs' windows.
#include "text_compare.h"
#include "window_registry.h"
#include "window_table.h"

#include <hostwin/testing.h>

#include <stdio.h>
#include <string.h>

namespace {

using hostwin::Window;
using hostwin::WindowKind;

constexpr size_t kMaxClasses = 32;
constexpr ATOM kFirstClassAtom = 0xC000;

struct WindowClass {
    bool used;
    char name[hostwin::kClassNameSize];
    WNDPROC proc;
    HINSTANCE instance;
};

struct ClassTable {
    unsigned generation;
    WindowClass classes[kMaxClasses];
};

ClassTable class_table;

void RefreshClasses() {
    if (class_table.generation == hostwin::MachineGeneration())
        return;
    memset(&class_table, 0, sizeof class_table);
    class_table.generation = hostwin::MachineGeneration();
}

bool IsAtom(LPCSTR name) {
    return (reinterpret_cast<uintptr_t>(name) >> 16) == 0;
}

WindowClass* FindClass(LPCSTR name) {
    RefreshClasses();
    for (WindowClass& c : class_table.classes)
        if (c.used && hostwin::SameTextIgnoringCase(c.name, name))
            return &c;
    return nullptr;
}

void CopyText(char* out, size_t size, const char* text) {
    snprintf(out, size, "%s", text != nullptr ? text : "");
}

// Makes a top-level window known: numbered, at the top of the Z order, published on the
// machine directory.
bool AddTopLevel(Window* w) {
    w->number = hostwin::NextWindowNumber();
    w->z = w->number;
    if (hostwin::MachineDirectory() != nullptr && !hostwin::PublishWindow(w))
        return false;
    return true;
}

struct FindContext {
    LPCSTR class_name;
    LPCSTR title;
    Window* found;
};

bool MatchTopLevel(Window* w, void* context) {
    FindContext* f = static_cast<FindContext*>(context);
    if (w->child != 0 || w->destroying)
        return true;
    if (f->class_name != nullptr && !hostwin::SameTextIgnoringCase(f->class_name, w->class_name))
        return true;
    if (f->title != nullptr && !hostwin::SameTextIgnoringCase(f->title, w->text))
        return true;
    if (f->found == nullptr || w->z > f->found->z)
        f->found = w;
    return true;
}

} // namespace

ATOM WINAPI RegisterClassA(const WNDCLASSA* window_class) {
    DWORD error;
    if (hostwin::FaultHits("RegisterClassA", &error)) {
        SetLastError(error);
        return 0;
    }
    if (window_class == nullptr || window_class->lpszClassName == nullptr ||
        IsAtom(window_class->lpszClassName) || window_class->lpszClassName[0] == '\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (FindClass(window_class->lpszClassName) != nullptr) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    for (size_t i = 0; i < kMaxClasses; ++i) {
        WindowClass& c = class_table.classes[i];
        if (!c.used) {
            c.used = true;
            CopyText(c.name, sizeof c.name, window_class->lpszClassName);
            c.proc = window_class->lpfnWndProc;
            c.instance = window_class->hInstance;
            return static_cast<ATOM>(kFirstClassAtom + i);
        }
    }
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
}

HWND WINAPI CreateWindowExA(DWORD ex_style, LPCSTR class_name, LPCSTR window_name, DWORD style,
                            int x, int y, int width, int height, HWND parent, HMENU menu,
                            HINSTANCE instance, LPVOID param) {
    DWORD error;
    if (hostwin::FaultHits("CreateWindowExA", &error)) {
        SetLastError(error);
        return nullptr;
    }
    if (class_name == nullptr || IsAtom(class_name) || parent != nullptr ||
        (style & WS_CHILD) != 0) {
        // Only top-level windows of a class registered by name are made here.
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return nullptr;
    }
    WindowClass* c = FindClass(class_name);
    if (c == nullptr) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    Window* w = hostwin::NewLocalWindow();
    if (w == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    RECT desktop = hostwin::DesktopRect();
    // CW_USEDEFAULT: the top left corner, three quarters of the desktop.
    if (x == CW_USEDEFAULT) {
        x = 0;
        y = 0;
    }
    if (width == CW_USEDEFAULT) {
        width = desktop.right * 3 / 4;
        height = desktop.bottom * 3 / 4;
    }
    w->kind = WindowKind::kOwn;
    CopyText(w->class_name, sizeof w->class_name, c->name);
    CopyText(w->text, sizeof w->text, window_name);
    w->style = style & ~static_cast<DWORD>(WS_VISIBLE);
    w->ex_style = ex_style;
    w->rect = RECT{x, y, x + width, y + height};
    w->proc = c->proc;
    if (!AddTopLevel(w)) {
        hostwin::FreeLocalWindow(w);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    HWND handle = hostwin::HandleOf(w);
    CREATESTRUCTA create{
        param,       instance,   menu,    parent, height, width, y, x, static_cast<LONG>(style),
        window_name, class_name, ex_style};
    LPARAM create_param = reinterpret_cast<LPARAM>(&create);
    if (!hostwin::DeliverLocal(w, WM_NCCREATE, 0, create_param) ||
        (w = hostwin::FindLocalWindow(handle)) == nullptr ||
        hostwin::DeliverLocal(w, WM_CREATE, 0, create_param) == -1) {
        w = hostwin::FindLocalWindow(handle);
        if (w != nullptr)
            hostwin::DestroyLocalWindow(w);
        return nullptr;
    }
    w = hostwin::FindLocalWindow(handle);
    if (w == nullptr)
        return nullptr;
    if ((style & WS_VISIBLE) != 0)
        w->style |= WS_VISIBLE;
    return handle;
}

BOOL WINAPI DestroyWindow(HWND window) {
    DWORD error;
    if (hostwin::FaultHits("DestroyWindow", &error)) {
        SetLastError(error);
        return FALSE;
    }
    Window* w = hostwin::FindLocalWindow(window);
    if (w == nullptr) {
        hostwin::WindowEntry entry;
        bool other_program = hostwin::MachineDirectory() != nullptr &&
                             hostwin::ChildOf(window) == 0 &&
                             hostwin::ReadWindowEntry(hostwin::NumberOf(window), &entry);
        // Only the thread that made a window may destroy it.
        SetLastError(other_program ? ERROR_ACCESS_DENIED : ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (w->kind == WindowKind::kForeign) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    hostwin::DestroyLocalWindow(w);
    return TRUE;
}

LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    DWORD error;
    hostwin::FaultHits("DefWindowProcA", &error); // counted only: it has no failure
    (void)wparam;
    Window* w = hostwin::FindLocalWindow(window);
    if (w == nullptr)
        return 0;
    switch (message) {
    case WM_NCCREATE:
        return TRUE;
    case WM_SETTEXT:
        hostwin::SetWindowTextOf(w, reinterpret_cast<LPCSTR>(lparam));
        return TRUE;
    case WM_GETTEXT: {
        size_t max = static_cast<size_t>(wparam);
        LPSTR out = reinterpret_cast<LPSTR>(lparam);
        if (max == 0 || out == nullptr)
            return 0;
        size_t n = strlen(w->text);
        if (n > max - 1)
            n = max - 1;
        memcpy(out, w->text, n);
        out[n] = '\0';
        return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(strlen(w->text));
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    default:
        return 0;
    }
}

HWND WINAPI FindWindowA(LPCSTR class_name, LPCSTR window_name) {
    DWORD error;
    if (hostwin::FaultHits("FindWindowA", &error)) {
        SetLastError(error);
        return nullptr;
    }
    if (class_name != nullptr && IsAtom(class_name)) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED); // a class atom: not implemented
        return nullptr;
    }
    // Class and title both compare without regard to case; the window nearest the top of
    // the Z order wins. Hidden windows are found too.
    if (hostwin::MachineDirectory() != nullptr) {
        hostwin::WindowEntry entry;
        if (hostwin::FindWindowEntry(class_name, window_name, &entry))
            return hostwin::HandleOf(entry.number, 0);
        return nullptr;
    }
    FindContext context{class_name, window_name, nullptr};
    hostwin::ForEachLocalWindow(MatchTopLevel, &context);
    return context.found != nullptr ? hostwin::HandleOf(context.found) : nullptr;
}

namespace hostwin {

HWND CreateForeignWindow(const char* class_name, const char* title, WNDPROC proc) {
    Window* w = NewLocalWindow();
    if (w == nullptr)
        return nullptr;
    w->kind = WindowKind::kForeign;
    CopyText(w->class_name, sizeof w->class_name, class_name);
    CopyText(w->text, sizeof w->text, title);
    w->proc = proc;
    w->rect = RECT{0, 0, 200, 100};
    if (!AddTopLevel(w)) {
        FreeLocalWindow(w);
        return nullptr;
    }
    return HandleOf(w);
}

void DestroyForeignWindow(HWND window) {
    Window* w = FindLocalWindow(window);
    if (w == nullptr || w->kind != WindowKind::kForeign)
        return;
    if (MachineDirectory() != nullptr)
        WithdrawWindow(w);
    FreeLocalWindow(w);
}

} // namespace hostwin
