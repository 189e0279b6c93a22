// The failure table of the co-installer.
#include "vtrxifs/coinstaller_failures.h"

#include "common/report_error_vtrxifs.h"

namespace {

const char kCaption[] = "CoInstaller Error";

enum FailureResult { kAllBitsSet, kLastError };

struct FailureRow {
    CoInstallerStep step;
    const char* message;
    FailureResult result;
};

// Columns: the pass and step, its message, its result.
const FailureRow kFailureRows[] = {
    {kPreSetupState, "Unable to set state for setup", kAllBitsSet},
    {kPostOpenDriverKey, "Unable to open device registry key", kLastError},
    {kPostReadInfPath, "Unable to retrieve .INF file name from registry", kLastError},
    {kPostCloseDriverKey, "Unable to close device registry key", kLastError},
    {kPostOpenInstalledFiles, "Unable to open TSLU installed files registry key", kLastError},
    {kPostWriteInfFile, "Unable to set TSLU InfPath registry value", kLastError},
    {kPostCheckSuffix, "Unexpected .INF file suffix in '%s'", kLastError},
    {kPostWritePnfFile, "Unable to set TSLU PnfPath registry value", kLastError},
    {kPostCloseInstalledFiles, "Unable to close TSLU installed files registry key", kLastError},
    {kPostStartApplet, "Unable to launch message applet", kLastError},
    {kPostSetupState, "Unable to set state for setup", kAllBitsSet},
};

} // namespace

DWORD ReportCoInstallerFailure(CoInstallerStep step, LPCSTR argument) {
    for (const FailureRow& row : kFailureRows) {
        if (row.step != step)
            continue;
        DWORD code = GetLastError();
        ReportError(kCaption, row.message, argument);
        // The report may change the code: the system has no text for device installation's
        // own codes, and asking for one leaves ERROR_MR_MID_NOT_FOUND. The step's code is
        // what the thread holds again afterwards, and what a failed step returns.
        SetLastError(code);
        return row.result == kAllBitsSet ? 0xFFFFFFFF : code;
    }
    return 0xFFFFFFFF; // every step has its row
}
