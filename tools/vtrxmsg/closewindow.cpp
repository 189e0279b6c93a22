// Finds another program's top-level window by class and title and closes it the way the
// package does, with WM_DESTROY; with /find it only tells whether the window exists.
//
//   closewindow [/find] [/class NAME] [/title TEXT]   (default: the monitor applet's window)
//
// Exit status: 0 when the window was found (and sent WM_DESTROY), 1 when there is none,
// 2 for a bad command line.
#include "tools/vtrxmsg/arguments.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    (void)instance;
    (void)previous;
    (void)show;
    WindowOptions options =
        ReadWindowOptions(command_line, "VTRXMSG", "Veltrane Technologies Soft Modem Monitor");
    if (!options.valid)
        return 2;
    HWND window = FindWindowA(options.class_name, options.title);
    if (window == NULL)
        return 1;
    if (!options.find_only)
        SendMessageA(window, WM_DESTROY, 0, 0);
    return 0;
}
