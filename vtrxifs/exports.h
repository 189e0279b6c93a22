// The library's entry points: the three exports, by name, and the entry point that the loader
// calls. The export directory names them IsDeviceInUse, KillMessageDaemon and
// _DeroRiridCoInstaller@16 (VTRXIFS32.def, VTRXIFS64.def; the host's names: host_exports.map).
#pragma once

#include <windows.h>
#include <setupapi.h>

extern "C" {

// 1 when the modem driver reports the modem in use, else 0 (no device asked, none opened).
LONG IsDeviceInUse(void);

// Closes the monitor applet's window when there is one; always 0.
LONG KillMessageDaemon(void);

// The modem's device co-installer: acts on DIF_INSTALLDEVICE alone, before and after the
// class installer.
DWORD WINAPI DeroRiridCoInstaller(DI_FUNCTION install_function, HDEVINFO device_info_set,
                                  PSP_DEVINFO_DATA device_info_data,
                                  PCOINSTALLER_CONTEXT_DATA context);

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);
}
