// KillMessageDaemon: the monitor applet ends when its window receives WM_DESTROY. Only the
// one window that FindWindowA returns gets the message.
#include "vtrxifs/exports.h"

namespace {
const char kAppletClass[] = "VTRXMSG";
const char kAppletTitle[] = "Veltrane Technologies Soft Modem Monitor";
} // namespace

LONG KillMessageDaemon(void) {
    HWND applet = FindWindowA(kAppletClass, kAppletTitle);
    if (applet != NULL)
        SendMessageA(applet, WM_DESTROY, 0, 0);
    return 0;
}
