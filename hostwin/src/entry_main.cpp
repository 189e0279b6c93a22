// The host's main: hands WinMain what Windows hands it.
//
// The Windows command line is the exact text a host CreateProcessA handed over, or else one
// built from argv with the quoting rules that the C runtime undoes. WinMain receives the text
// after the program name and after the blanks and control characters that follow it.
#include "command_line.h"
#include "internal.h"

#include <stdlib.h>

int main(int argc, char** argv) {
    const char* handed = getenv(hostwin::kCommandLineVariable);
    if (handed != nullptr) {
        hostwin::SetCommandLine(handed);
        unsetenv(hostwin::kCommandLineVariable); // not inherited by the program's own children
    } else {
        hostwin::SetCommandLineFromArguments(argc, argv);
    }
    LPSTR arguments = hostwin::ArgumentsOf(GetCommandLineA());
    return WinMain(hostwin::kModuleInstance, nullptr, arguments, 10 /* SW_SHOWDEFAULT */);
}
