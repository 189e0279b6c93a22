// softuninst: removes the whole package. "verbose" runs with the progress dialog and asks
// for confirmation; "silent" runs without a window of its own. The exit status is the
// UninstallStatus of the run.
//
// Any other command line, an empty one included, does nothing and shows nothing, and ends
// with ERROR_INVALID_PARAMETER (87): a status that no uninstall run gives, so an installer
// that checks the status does not take a mistyped command for a finished uninstall.
#include "softuninst/progress_dialog.h"
#include "softuninst/uninstall_sequence.h"

#include <string.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
    // The whole text after the program name, compared with letter case and as a whole.
    if (strcmp(command_line, "verbose") == 0)
        return RunWithProgressDialog(instance);
    if (strcmp(command_line, "silent") == 0)
        return RunUninstall(NULL);
    return ERROR_INVALID_PARAMETER;
}
