// CheckDeviceIdle and RemoveDevices.
//
// The device script is written through a file handle with explicit CR LF line ends, so the
// same bytes come out of every build. Its path is held in kScriptPathSize bytes: a Windows
// directory, or a script path, that does not fit them ends the step with status 2 before
// anything is written, without a message, like a Windows directory that is unavailable.
#include "softuninst/device_removal.h"

#include "common/device_in_use.h"
#include "common/report_error_softuninst.h"
#include "softuninst/run_program.h"

#include <string.h>

namespace {

struct DriverModelRow {
    const char* device; // the driver's device asked; null: the Device field
    const char* tool;   // the device setup tool in the Windows directory; null: none
    bool asks;          // whether there is a device to ask
};

// Rows by DriverModel value. Columns: device name, setup tool, whether a device is asked.
const DriverModelRow kDriverModels[] = {
    {NULL, NULL, false},         // none
    {"sftmdm", "Hwctl9X", true}, // WDM98
    {"sftmdm", "Hwctl2k", true}, // WDM2k
    {"sftmdm", "HwctlNT", true}, // NT4
    {NULL, "Hwctl9X", true},     // VxD: the Device field names the device
};

const DriverModelRow& RowOf(DriverModel model) {
    int index = static_cast<int>(model);
    if (index < 0 || index >= static_cast<int>(sizeof kDriverModels / sizeof kDriverModels[0]))
        index = kDriverModelNone;
    return kDriverModels[index];
}

// The device path: "\\.\" and the name, cut to 32 characters.
const size_t kDevicePathLength = 32;

// Appends text to buffer (size bytes, holding a text); false, with the buffer unchanged,
// when the result would not fit.
bool Append(char* buffer, size_t size, const char* text) {
    size_t used = strlen(buffer);
    size_t length = strlen(text);
    if (used + length >= size)
        return false;
    memcpy(buffer + used, text, length + 1);
    return true;
}

// The Windows directory into buffer (size bytes); false when it is unavailable or too long.
bool FetchWindowsDirectory(char* buffer, UINT size) {
    UINT length = GetWindowsDirectoryA(buffer, size);
    return length != 0 && length < size;
}

void WriteLine(HANDLE script, const char* format, const char* value) {
    char line[kLongTextSize + 32]; // the longest value and the longest key, CR LF
    int length = wsprintfA(line, format, value);
    DWORD written;
    WriteFile(script, line, static_cast<DWORD>(length), &written, NULL);
}

// Classes from order 3 down to 0, each order in table order; the service; the descriptions.
// Write errors are not looked at: the tool reads what there is.
void WriteScript(HANDLE script, const UninstallInfo& info) {
    for (LONG order = 3; order >= 0; --order)
        for (DWORD i = 0; i < info.DeviceClassCount && i < kMaxDeviceClasses; ++i)
            if (info.DeviceClasses[i].Order == order)
                WriteLine(script, "Class=%s\r\n", info.DeviceClasses[i].ClassName);
    if (info.DeviceServiceName[0] != '\0')
        WriteLine(script, "ServiceName=%s\r\n", info.DeviceServiceName);
    for (DWORD i = 0; i < info.FriendlyNameCount && i < kMaxFriendlyNames; ++i)
        WriteLine(script, "Desc=%s\r\n", info.FriendlyNames[i]);
}

// The tool's command line: <Windows directory>\<tool> remove.
UninstallStatus BuildToolCommand(const UninstallInfo& info, char* command) {
    if (!FetchWindowsDirectory(command, kToolCommandSize) ||
        !Append(command, kToolCommandSize, "\\"))
        return kUninstallSystemFailure;
    const char* tool = RowOf(info.DriverModel).tool;
    if (tool == NULL)
        return kUninstallSystemFailure;
    if (!Append(command, kToolCommandSize, tool) || !Append(command, kToolCommandSize, " remove"))
        return kUninstallSystemFailure;
    return kUninstallDone;
}

} // namespace

UninstallStatus CheckDeviceIdle(const UninstallInfo& info) {
    const DriverModelRow& row = RowOf(info.DriverModel);
    if (!row.asks)
        return kUninstallDone;
    const char* name = row.device != NULL ? row.device : info.Device;
    char path[kDevicePathLength + 1] = "\\\\.\\";
    size_t used = strlen(path);
    size_t length = strlen(name);
    if (used + length > kDevicePathLength)
        length = kDevicePathLength - used;
    memcpy(path + used, name, length);
    path[used + length] = '\0';

    if (QueryDeviceInUse(path) == 0)
        return kUninstallDone;
    LPCSTR caption = LookupString(info, "SZ_INUSE_TITLE");
    LPCSTR text = LookupString(info, "SZ_INUSE_ERROR");
    MessageBoxA(NULL, text, caption, MB_OK | MB_ICONWARNING);
    return kUninstallDeviceInUse;
}

UninstallStatus RemoveDevices(const UninstallInfo& info) {
    char script_path[kScriptPathSize];
    if (!FetchWindowsDirectory(script_path, kScriptPathSize) ||
        !Append(script_path, kScriptPathSize, "\\") ||
        !Append(script_path, kScriptPathSize, info.Device) ||
        !Append(script_path, kScriptPathSize, ".dms"))
        return kUninstallSystemFailure;

    HANDLE script = CreateFileA(script_path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, NULL);
    if (script == INVALID_HANDLE_VALUE) {
        ReportError("Unable to create '%s'", script_path);
        return kUninstallSystemFailure;
    }
    WriteScript(script, info);
    CloseHandle(script);

    char command[kToolCommandSize];
    UninstallStatus status = BuildToolCommand(info, command);
    if (status == kUninstallDone)
        status = RunProgramToItsEnd(command);
    if (status != kUninstallDone)
        return status; // the script stays for whoever looks into the failure

    if (!DeleteFileA(script_path)) {
        ReportError("Unable to delete file '%s'", script_path);
        return kUninstallSystemFailure;
    }
    return kUninstallDone;
}
