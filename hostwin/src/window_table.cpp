// The table of this process's windows, their numbering, texts and message delivery.
#include "window_table.h"

#include "ui_log.h"
#include "window_registry.h"

#include <hostwin/testing.h>

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hostwin {

namespace {

constexpr uintptr_t kHandleBase = 0x10000;
constexpr size_t kMaxWindows = 128;
constexpr LONG kDefaultDesktopWidth = 1024;
constexpr LONG kDefaultDesktopHeight = 768;

struct WindowTable {
    unsigned generation;
    Window windows[kMaxWindows];
    unsigned next_number; // the in-memory machine's numbering
    LONG desktop_width;
    LONG desktop_height;
};

WindowTable table;

void Refresh() {
    if (table.generation == MachineGeneration())
        return;
    for (Window& w : table.windows)
        if (w.used && w.listen_fd >= 0)
            close(w.listen_fd);
    memset(&table, 0, sizeof table);
    table.generation = MachineGeneration();
    table.next_number = 1;
    table.desktop_width = kDefaultDesktopWidth;
    table.desktop_height = kDefaultDesktopHeight;
    // A program on a machine directory may be given another desktop size: "WIDTHxHEIGHT".
    const char* size = MachineDirectory() != nullptr ? getenv("HOSTWIN_DESKTOP") : nullptr;
    long w = 0, h = 0;
    if (size != nullptr && sscanf(size, "%ldx%ld", &w, &h) == 2 && w > 0 && h > 0) {
        table.desktop_width = static_cast<LONG>(w);
        table.desktop_height = static_cast<LONG>(h);
    }
}

// The machine directory's counter, shared by its programs under a lock.
unsigned NextMachineNumber() {
    char dir[4096], path[4096];
    if (!MachinePath("windows", dir, sizeof dir) ||
        !MachinePath("windows/.counter", path, sizeof path))
        abort();
    mkdir(dir, 0755);
    int fd = open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        fprintf(stderr, "hostwin: cannot open %s\n", path);
        abort(); // windows cannot be numbered, so none can be made
    }
    flock(fd, LOCK_EX);
    char text[32] = {0};
    ssize_t n = pread(fd, text, sizeof text - 1, 0);
    unsigned last = n > 0 ? static_cast<unsigned>(strtoul(text, nullptr, 10)) : 0;
    unsigned next = last + 1;
    int len = snprintf(text, sizeof text, "%u\n", next);
    if (pwrite(fd, text, static_cast<size_t>(len), 0) != len || ftruncate(fd, len) != 0) {
        fprintf(stderr, "hostwin: cannot write %s\n", path);
        abort();
    }
    flock(fd, LOCK_UN);
    close(fd);
    return next;
}

} // namespace

HWND HandleOf(unsigned number, unsigned child) {
    return reinterpret_cast<HWND>(kHandleBase + static_cast<uintptr_t>(number) * 16 + child);
}

HWND HandleOf(const Window* window) {
    return HandleOf(window->number, window->child);
}

unsigned NumberOf(HWND window) {
    uintptr_t v = reinterpret_cast<uintptr_t>(window);
    if (v < kHandleBase)
        return 0;
    return static_cast<unsigned>((v - kHandleBase) / 16);
}

unsigned ChildOf(HWND window) {
    uintptr_t v = reinterpret_cast<uintptr_t>(window);
    return v < kHandleBase ? 0 : static_cast<unsigned>((v - kHandleBase) % 16);
}

HWND DesktopHandle() {
    return HandleOf(0u, 0u);
}

RECT DesktopRect() {
    Refresh();
    return RECT{0, 0, table.desktop_width, table.desktop_height};
}

void SetDesktopSize(LONG width, LONG height) {
    Refresh();
    table.desktop_width = width;
    table.desktop_height = height;
}

unsigned NextWindowNumber() {
    Refresh();
    if (MachineDirectory() != nullptr)
        return NextMachineNumber();
    return table.next_number++;
}

Window* FindLocalWindow(HWND handle) {
    Refresh();
    unsigned number = NumberOf(handle);
    if (number == 0)
        return nullptr;
    unsigned child = ChildOf(handle);
    for (Window& w : table.windows)
        if (w.used && w.number == number && w.child == child)
            return &w;
    return nullptr;
}

Window* FindLocalChild(const Window* parent, unsigned child) {
    return FindLocalWindow(HandleOf(parent->number, child));
}

Window* NewLocalWindow() {
    Refresh();
    for (Window& w : table.windows) {
        if (!w.used) {
            memset(&w, 0, sizeof w);
            w.used = true;
            w.owner = getpid();
            w.listen_fd = -1;
            return &w;
        }
    }
    return nullptr;
}

void FreeLocalWindow(Window* window) {
    memset(window, 0, sizeof *window);
    window->listen_fd = -1;
}

void ForEachLocalWindow(bool (*fn)(Window*, void*), void* context) {
    Refresh();
    for (Window& w : table.windows)
        if (w.used && !fn(&w, context))
            return;
}

POINT ClientOrigin(const Window* window) {
    // A dialog frame is 3 pixels wide on each side and a caption 19 pixels high (the classic
    // look at 96 dpi; Wine's defaults agree). Controls have no frame of their own here.
    POINT origin{window->rect.left, window->rect.top};
    if (window->child != 0)
        return origin;
    if ((window->style & WS_CAPTION) == WS_CAPTION)
        origin.y += 19;
    if ((window->ex_style & WS_EX_DLGMODALFRAME) != 0 || (window->style & WS_DLGFRAME) != 0) {
        origin.x += 3;
        origin.y += 3;
    } else if ((window->style & WS_BORDER) != 0) {
        origin.x += 1;
        origin.y += 1;
    }
    return origin;
}

void SetWindowTextOf(Window* window, const char* text) {
    if (text == nullptr)
        text = "";
    size_t n = strlen(text);
    if (n >= kWindowTextSize)
        n = kWindowTextSize - 1;
    memcpy(window->text, text, n);
    window->text[n] = '\0';
    if (window->kind == WindowKind::kDialog) {
        UiEntry entry;
        UiBegin(&entry, "Dialog");
        UiAddText(&entry, "action", "caption");
        UiAddText(&entry, "text", window->text);
        UiAppend(&entry);
    } else if (window->kind == WindowKind::kStatic || window->kind == WindowKind::kProgress) {
        LogDialogItem("item-text", window->id, "text", window->text, 0);
    }
    if (window->child == 0 && MachineDirectory() != nullptr)
        RepublishWindow(window);
}

void LogDialog(const char* action) {
    UiEntry entry;
    UiBegin(&entry, "Dialog");
    UiAddText(&entry, "action", action);
    UiAppend(&entry);
}

void LogDialogNumber(const char* action, const char* name, long long value) {
    UiEntry entry;
    UiBegin(&entry, "Dialog");
    UiAddText(&entry, "action", action);
    UiAddNumber(&entry, name, value);
    UiAppend(&entry);
}

void LogDialogItem(const char* action, int id, const char* name, const char* text,
                   long long value) {
    UiEntry entry;
    UiBegin(&entry, "Dialog");
    UiAddText(&entry, "action", action);
    UiAddNumber(&entry, "id", id);
    if (text != nullptr)
        UiAddText(&entry, name, text);
    else
        UiAddNumber(&entry, name, value);
    UiAppend(&entry);
}

void LogDialogMove(const RECT& rect) {
    UiEntry entry;
    UiBegin(&entry, "Dialog");
    UiAddText(&entry, "action", "move");
    UiAddNumber(&entry, "x", rect.left);
    UiAddNumber(&entry, "y", rect.top);
    UiAddNumber(&entry, "width", rect.right - rect.left);
    UiAddNumber(&entry, "height", rect.bottom - rect.top);
    UiAppend(&entry);
}

LRESULT DeliverLocal(Window* window, UINT message, WPARAM wparam, LPARAM lparam) {
    HWND handle = HandleOf(window);
    switch (window->kind) {
    case WindowKind::kOwn:
    case WindowKind::kForeign:
        if (window->proc != nullptr)
            return window->proc(handle, message, wparam, lparam);
        return DefWindowProcA(handle, message, wparam, lparam);
    case WindowKind::kDialog:
        return DeliverToDialog(window, message, wparam, lparam);
    case WindowKind::kStatic:
    case WindowKind::kProgress:
        return DeliverToControl(window, message, wparam, lparam);
    }
    return 0;
}

void DestroyLocalWindow(Window* window) {
    if (window->destroying)
        return;
    window->destroying = true;
    HWND handle = HandleOf(window);
    bool dialog = window->kind == WindowKind::kDialog;
    DeliverLocal(window, WM_DESTROY, 0, 0);
    for (unsigned c = 1; c <= kMaxChildren; ++c) {
        Window* child = FindLocalChild(window, c);
        if (child != nullptr)
            DestroyLocalWindow(child);
    }
    // The procedure may have destroyed the window itself meanwhile.
    window = FindLocalWindow(handle);
    if (window == nullptr)
        return;
    DeliverLocal(window, WM_NCDESTROY, 0, 0);
    window = FindLocalWindow(handle);
    if (window == nullptr)
        return;
    if (dialog)
        LogDialog("destroy");
    if (window->child == 0 && MachineDirectory() != nullptr)
        WithdrawWindow(window);
    FreeLocalWindow(window);
}

} // namespace hostwin
