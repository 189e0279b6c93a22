// The two removal steps that deal with the modem device: the in-use check before anything
// is removed, and the removal of devices and services by the device setup tool.
#pragma once

#include "softuninst/uninstall_info.h"
#include "softuninst/uninstall_status.h"

// The room for the Windows directory and the script path built on it, terminator included.
const UINT kScriptPathSize = 64;
// The room for the tool's command line, terminator included.
const UINT kToolCommandSize = 1024;

// 0 when the modem is idle or cannot be asked; 3 after the in-use warning when it is in use.
UninstallStatus CheckDeviceIdle(const UninstallInfo& info);

// Writes the device script <Windows directory>\<Device>.dms, runs the driver model's setup
// tool with "remove", waits for it and deletes the script: 0 when done; 2 when the script
// cannot be written or deleted, the Windows directory is unavailable or too long, or the
// driver model names no tool; 4 when the tool cannot be started or waited for.
UninstallStatus RemoveDevices(const UninstallInfo& info);
