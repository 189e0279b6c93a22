// IsDeviceInUse and KillMessageDaemon called the way an outside program calls them: load
// VTRXIFS.dll, look the export up by name, call it, print its result.
#include "tools/devinstall/devinstall.h"

#include <stdio.h>

namespace {

typedef LONG (*Utility)(void);

int CallUtility(const char* name, int argc) {
    if (argc != 0) {
        fprintf(stderr, "devinstall: %s takes no arguments\n", name);
        return kExitCannotPlay;
    }
    LoadedLibrary library;
    std::string error;
    if (!LoadLibraryByName("VTRXIFS.dll", &library, &error)) {
        fprintf(stderr, "devinstall: %s\n", error.c_str());
        return kExitCannotPlay;
    }
    Utility utility = reinterpret_cast<Utility>(FindExport(library, name));
    if (utility == nullptr) {
        fprintf(stderr, "devinstall: VTRXIFS.dll exports no %s\n", name);
        UnloadLibrary(&library);
        return kExitCannotPlay;
    }
    LONG result = utility();
    printf("%s: %ld\n", name, static_cast<long>(result));
    UnloadLibrary(&library);
    return kExitDone;
}

} // namespace

int RunIsDeviceInUse(int argc, char**) {
    return CallUtility("IsDeviceInUse", argc);
}

int RunKillMessageDaemon(int argc, char**) {
    return CallUtility("KillMessageDaemon", argc);
}
