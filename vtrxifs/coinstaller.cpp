// DeroRiridCoInstaller: device installation calls it before and after the class installer
// for every request; it acts on DIF_INSTALLDEVICE alone and answers NO_ERROR to the rest.
#include "vtrxifs/exports.h"

#include "vtrxifs/coinstaller_failures.h"
#include "vtrxifs/coinstaller_passes.h"
#include "vtrxifs/setup_state.h"

const char kSetupStateKey[] = "Software\\Hwctl";
const char kSetupStateValue[] = "State";

DWORD WINAPI DeroRiridCoInstaller(DI_FUNCTION install_function, HDEVINFO device_info_set,
                                  PSP_DEVINFO_DATA device_info_data,
                                  PCOINSTALLER_CONTEXT_DATA context) {
    switch (install_function) {
    case DIF_INSTALLDEVICE:
        if (context == NULL) // device installation always hands a context
            return ERROR_INVALID_PARAMETER;
        if (!context->PostProcessing)
            return RunPreProcessing();
        return RunPostProcessing(device_info_set, device_info_data);
    default:
        return NO_ERROR;
    }
}

DWORD RunPreProcessing(void) {
    if (!WriteSetupState(kSetupStateKey, kSetupStateValue, "Found"))
        return ReportCoInstallerFailure(kPreSetupState);
    return ERROR_DI_POSTPROCESSING_REQUIRED;
}
