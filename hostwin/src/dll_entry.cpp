// The host's loader side of a product library, linked into the shared library itself: when
// dlopen maps the library its DllMain receives DLL_PROCESS_ATTACH, and DLL_PROCESS_DETACH when
// dlclose unmaps it, as Windows calls a DLL's entry point from LoadLibrary and FreeLibrary.
// The module handle is the library's load address, as a Windows module handle is its image
// base. A DllMain that refuses the attach would make LoadLibrary fail; dlopen cannot be made
// to fail from here, so the load is stopped loudly instead.
#include <windows.h>

#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);

namespace {

HINSTANCE ThisLibrary() {
    Dl_info info;
    if (dladdr(reinterpret_cast<void*>(&DllMain), &info) == 0)
        return nullptr;
    return static_cast<HINSTANCE>(info.dli_fbase);
}

__attribute__((constructor)) void AttachLibrary() {
    if (!DllMain(ThisLibrary(), DLL_PROCESS_ATTACH, nullptr)) {
        fputs("hostwin: the library's DllMain refused DLL_PROCESS_ATTACH\n", stderr);
        abort();
    }
}

__attribute__((destructor)) void DetachLibrary() {
    DllMain(ThisLibrary(), DLL_PROCESS_DETACH, nullptr);
}

} // namespace
