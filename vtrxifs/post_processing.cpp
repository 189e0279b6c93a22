// The post-processing pass: reads the device's INF name from its driver key, records the INF
// and its precompiled .pnf in the uninstall information, starts the monitor applet and marks
// the installation finished. The first step that fails is reported and ends the pass; what
// the steps before it wrote stays.
//
// The registry functions return their error and leave the thread's last-error code alone. A
// failed registry step sets the last-error code to that error before it reports, so that the
// report shows the reason and the pass returns it rather than NO_ERROR.
#include "vtrxifs/coinstaller_passes.h"

#include "vtrxifs/coinstaller_failures.h"
#include "vtrxifs/setup_state.h"
#include "vtrxifs/start_program.h"

namespace {

// The InfPath text: 255 characters and the terminator. One byte more keeps the text
// terminated even when the value's data fills the 256 bytes without a terminator.
const DWORD kInfPathSize = 256;
// The composed value: 255 characters and the terminator. "%WIN_DIR%\Inf\" takes 14 of them.
const int kValueSize = 256;
const int kLongestInfPath = kValueSize - 1 - 14;

const char kInstalledFilesKey[] = "Software\\TessalyUninstallInfo\\InstalledFiles";
const char kValueFormat[] = "%%WIN_DIR%%\\Inf\\%s";
const char kAppletCommandLine[] = "VTRXMSG.exe";

// Reports a failed step with code (a registry function's result, say) as the last-error code.
DWORD ReportFailureWithCode(CoInstallerStep step, LONG error) {
    SetLastError(static_cast<DWORD>(error));
    return ReportCoInstallerFailure(step);
}

// Each step below returns true when it succeeded; on failure it has reported and *result
// holds the pass's result, which may be NO_ERROR when the thread holds no last-error code.

// Reads "InfPath" from the device's driver key into inf_path.
bool ReadInfPath(HDEVINFO device_info_set, PSP_DEVINFO_DATA device_info_data, char* inf_path,
                 DWORD* result) {
    HKEY driver_key = SetupDiOpenDevRegKey(device_info_set, device_info_data, DICS_FLAG_GLOBAL, 0,
                                           DIREG_DRV, KEY_READ);
    if (driver_key == INVALID_HANDLE_VALUE) {
        *result = ReportCoInstallerFailure(kPostOpenDriverKey);
        return false;
    }
    DWORD size = kInfPathSize;
    LONG rc = RegQueryValueExA(driver_key, "InfPath", NULL, NULL,
                               reinterpret_cast<LPBYTE>(inf_path), &size);
    if (rc != ERROR_SUCCESS) {
        RegCloseKey(driver_key);
        *result = ReportFailureWithCode(kPostReadInfPath, rc);
        return false;
    }
    inf_path[size] = '\0'; // size is at most 256
    rc = RegCloseKey(driver_key);
    if (rc != ERROR_SUCCESS) {
        *result = ReportFailureWithCode(kPostCloseDriverKey, rc);
        return false;
    }
    return true;
}

// Writes "%WIN_DIR%\Inf\<file>" as the REG_SZ value name; the file name fits (checked by
// the caller).
LONG WriteInfDirectoryPath(HKEY key, LPCSTR name, LPCSTR file) {
    char value[kValueSize];
    wsprintfA(value, kValueFormat, file);
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                          static_cast<DWORD>(lstrlenA(value) + 1));
}

// Writes "InfFile" and, when the name ends in ".inf", "PnfFile". inf_path ends up with the
// ".pnf" name.
bool WriteInfFiles(HKEY installed_files, char* inf_path, DWORD* result) {
    int length = lstrlenA(inf_path);
    if (length > kLongestInfPath) { // the composed value would not fit its buffer
        *result = ReportFailureWithCode(kPostWriteInfFile, ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    LONG rc = WriteInfDirectoryPath(installed_files, "InfFile", inf_path);
    if (rc != ERROR_SUCCESS) {
        *result = ReportFailureWithCode(kPostWriteInfFile, rc);
        return false;
    }
    // This report carries whatever last-error code the thread holds. A failed pass never
    // answers NO_ERROR, so with no code on the thread the name itself is the reason.
    if (length < 4 || lstrcmpiA(inf_path + length - 4, ".inf") != 0) {
        *result = ReportCoInstallerFailure(kPostCheckSuffix, inf_path);
        if (*result == NO_ERROR) {
            *result = ERROR_INVALID_NAME;
            SetLastError(ERROR_INVALID_NAME);
        }
        return false;
    }
    lstrcpynA(inf_path + length - 4, ".pnf", 5);
    rc = WriteInfDirectoryPath(installed_files, "PnfFile", inf_path);
    if (rc != ERROR_SUCCESS) {
        *result = ReportFailureWithCode(kPostWritePnfFile, rc);
        return false;
    }
    return true;
}

// Records the INF and PNF files in the uninstall information's InstalledFiles key, which the
// package's installer created; it is never created here.
bool RecordInfFiles(char* inf_path, DWORD* result) {
    HKEY installed_files = NULL;
    LONG rc = RegOpenKeyA(HKEY_LOCAL_MACHINE, kInstalledFilesKey, &installed_files);
    if (rc != ERROR_SUCCESS) {
        *result = ReportFailureWithCode(kPostOpenInstalledFiles, rc);
        return false;
    }
    if (!WriteInfFiles(installed_files, inf_path, result)) {
        RegCloseKey(installed_files);
        return false;
    }
    rc = RegCloseKey(installed_files);
    if (rc != ERROR_SUCCESS) {
        *result = ReportFailureWithCode(kPostCloseInstalledFiles, rc);
        return false;
    }
    return true;
}

} // namespace

DWORD RunPostProcessing(HDEVINFO device_info_set, PSP_DEVINFO_DATA device_info_data) {
    char inf_path[kInfPathSize + 1];
    DWORD result = NO_ERROR;
    if (!ReadInfPath(device_info_set, device_info_data, inf_path, &result) ||
        !RecordInfFiles(inf_path, &result))
        return result;
    if (StartProgram(kAppletCommandLine) != 0)
        return ReportCoInstallerFailure(kPostStartApplet);
    if (!WriteSetupState(kSetupStateKey, kSetupStateValue, "Finished install"))
        return ReportCoInstallerFailure(kPostSetupState);
    return NO_ERROR;
}
