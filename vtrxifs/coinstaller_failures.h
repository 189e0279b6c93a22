// The co-installer's failures: each step that can fail, its message and its result.
#pragma once

#include <windows.h>

enum CoInstallerStep {
    kPreSetupState,
    kPostOpenDriverKey,
    kPostReadInfPath,
    kPostCloseDriverKey,
    kPostOpenInstalledFiles,
    kPostWriteInfFile,
    kPostCheckSuffix,
    kPostWritePnfFile,
    kPostCloseInstalledFiles,
    kPostStartApplet,
    kPostSetupState,
};

// Shows the step's message in the error report (caption "CoInstaller Error"), with argument
// for a message that names the INF file, and returns the step's result: -1, or the thread's
// last-error code, which is the same before the report and after it.
DWORD ReportCoInstallerFailure(CoInstallerStep step, LPCSTR argument = NULL);
