// Calls the library's two utilities the way outside programs do (LoadLibraryA, GetProcAddress)
// and prints their results: "IsDeviceInUse: N", "KillMessageDaemon: N". Exit status 2 when
// the library or a name is missing.
#include <windows.h>

#include <stdio.h>

typedef LONG (*Utility)(void);

int main() {
    HMODULE library = LoadLibraryA("VTRXIFS.dll");
    if (library == NULL)
        return 2;
    Utility in_use = reinterpret_cast<Utility>(
        reinterpret_cast<void*>(GetProcAddress(library, "IsDeviceInUse")));
    Utility kill = reinterpret_cast<Utility>(
        reinterpret_cast<void*>(GetProcAddress(library, "KillMessageDaemon")));
    if (in_use == NULL || kill == NULL)
        return 2;
    printf("IsDeviceInUse: %ld\n", in_use());
    printf("KillMessageDaemon: %ld\n", kill());
    FreeLibrary(library);
    return 0;
}
