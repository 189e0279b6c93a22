// Sending messages, the message loop's calls, and the quit message.
//
// A message sent to a window of this process runs its procedure at once. A message to another
// program's window (on a machine directory) travels to that program, which handles it inside
// its GetMessageA; only messages whose parameters are plain numbers can travel (WM_NULL,
// WM_DESTROY, WM_CLOSE, WM_COMMAND and WM_USER and above), others are not implemented. Every
// message that reaches another program's window, or a test's stand-in for one, is written to
// the UI log.
#include "ui_log.h"
#include "window_registry.h"
#include "window_table.h"

namespace {

using hostwin::Window;
using hostwin::WindowKind;

struct QuitState {
    unsigned generation;
    bool posted;
    int exit_code;
};

thread_local QuitState quit_state;

QuitState& Quit() {
    if (quit_state.generation != hostwin::MachineGeneration())
        quit_state = QuitState{hostwin::MachineGeneration(), false, 0};
    return quit_state;
}

bool CanTravel(UINT message) {
    return message == WM_NULL || message == WM_DESTROY || message == WM_CLOSE ||
           message == WM_COMMAND || message >= WM_USER;
}

void LogForeignSend(const Window* w, UINT message) {
    hostwin::UiEntry entry;
    hostwin::UiBegin(&entry, "SendMessage");
    hostwin::UiAddText(&entry, "class", w->class_name);
    hostwin::UiAddText(&entry, "title", w->text);
    hostwin::UiAddNumber(&entry, "message", message);
    hostwin::UiAppend(&entry);
}

} // namespace

LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    DWORD error;
    if (hostwin::FaultHits("SendMessageA", &error)) {
        SetLastError(error);
        return 0;
    }
    if (window == hostwin::DesktopHandle())
        return 0;
    if (Window* w = hostwin::FindLocalWindow(window)) {
        if (w->kind == WindowKind::kForeign)
            LogForeignSend(w, message);
        return hostwin::DeliverLocal(w, message, wparam, lparam);
    }
    hostwin::WindowEntry entry;
    if (hostwin::MachineDirectory() != nullptr &&
        hostwin::ReadWindowEntry(hostwin::NumberOf(window), &entry)) {
        if (!CanTravel(message)) {
            SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
            return 0;
        }
        LRESULT result = 0;
        if (hostwin::SendToOtherProgram(entry, window, message, wparam, lparam, &result))
            return result;
    }
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
}

BOOL WINAPI GetMessageA(LPMSG msg, HWND window, UINT filter_min, UINT filter_max) {
    (void)window;
    (void)filter_min;
    (void)filter_max;
    DWORD error;
    if (hostwin::FaultHits("GetMessageA", &error)) {
        SetLastError(error);
        return -1;
    }
    if (msg == nullptr) {
        SetLastError(ERROR_NOACCESS);
        return -1;
    }
    for (;;) {
        if (Quit().posted) {
            Quit().posted = false;
            *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(Quit().exit_code), 0, 0, POINT{0, 0}};
            return FALSE;
        }
        if (hostwin::MachineDirectory() == nullptr) {
            // Nothing can be sent to the in-memory machine by anyone else: the wait would
            // never end.
            SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
            return -1;
        }
        // Sent messages are handled while waiting; nothing is ever posted but the quit.
        hostwin::ServeSentMessage();
    }
}

BOOL WINAPI TranslateMessage(const MSG* msg) {
    DWORD error;
    hostwin::FaultHits("TranslateMessage", &error); // counted only: it has no failure
    (void)msg;
    return FALSE; // no keyboard messages exist to translate
}

LRESULT WINAPI DispatchMessageA(const MSG* msg) {
    DWORD error;
    hostwin::FaultHits("DispatchMessageA", &error); // counted only: it has no failure
    if (msg == nullptr)
        return 0;
    Window* w = hostwin::FindLocalWindow(msg->hwnd);
    return w != nullptr ? hostwin::DeliverLocal(w, msg->message, msg->wParam, msg->lParam) : 0;
}

void WINAPI PostQuitMessage(int exit_code) {
    DWORD error;
    hostwin::FaultHits("PostQuitMessage", &error); // counted only: it has no failure
    Quit().posted = true;
    Quit().exit_code = exit_code;
}
