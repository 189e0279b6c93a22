// The monitor applet as the machine has it: a top-level window of class "VTRXMSG" and title
// "Veltrane Technologies Soft Modem Monitor" that ends the program when it receives
// WM_DESTROY. /class NAME and /title TEXT play the package's other applets.
//
// Exit status: 0 after WM_DESTROY; 1 for a bad command line; 2 when the window cannot be made.
#include "tools/vtrxmsg/arguments.h"

#include <windows.h>

namespace {

LRESULT CALLBACK AppletWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    (void)previous;
    (void)show;
    WindowOptions options =
        ReadWindowOptions(command_line, "VTRXMSG", "Veltrane Technologies Soft Modem Monitor");
    if (!options.valid || options.find_only)
        return 1;

    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = AppletWindowProc;
    window_class.hInstance = instance;
    window_class.lpszClassName = options.class_name;
    if (RegisterClassA(&window_class) == 0)
        return 2;
    // The applet runs without a visible window of its own, as a monitor in the background.
    HWND window =
        CreateWindowExA(0, options.class_name, options.title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, NULL, NULL, instance, NULL);
    if (window == NULL)
        return 2;

    MSG msg;
    BOOL got;
    while ((got = GetMessageA(&msg, NULL, 0, 0)) != 0) {
        if (got == -1)
            return 2;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
