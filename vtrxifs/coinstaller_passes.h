// The two passes of the co-installer around the class installer's DIF_INSTALLDEVICE.
#pragma once

#include <windows.h>
#include <setupapi.h>

// The setup state every pass writes: "Found" before the installation, "Finished install"
// after it.
extern const char kSetupStateKey[];
extern const char kSetupStateValue[];

// Before the class installer: ERROR_DI_POSTPROCESSING_REQUIRED, or -1 after a reported failure.
DWORD RunPreProcessing(void);

// After the class installer, whatever its result: NO_ERROR, or the result of the reported
// failure.
DWORD RunPostProcessing(HDEVINFO device_info_set, PSP_DEVINFO_DATA device_info_data);
