// The uninstaller's result codes: the result of every step, of the sequence and of the
// program (its exit status).
#pragma once

enum UninstallStatus {
    kUninstallDone = 0,          // complete, nothing installed, or handed over and waited for
    kUninstallInfoInvalid = 1,   // the uninstall information cannot be loaded
    kUninstallSystemFailure = 2, // a system operation failed, or the information changed
    kUninstallDeviceInUse = 3,   // the modem device is in use
    kUninstallCannotStart = 4,   // a program the step starts cannot be started or waited for
    kUninstallNotConfirmed = 5,  // the user did not confirm
};
