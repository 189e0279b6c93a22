// GetVersionExA: Windows 2000 unless a test or the machine says otherwise. Only the basic
// record of 148 bytes is provided; other sizes fail as on the systems that know no other.
#include "internal.h"

#include <hostwin/testing.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace hostwin {

namespace {

struct VersionState {
    unsigned generation;
    DWORD platform;
    DWORD major;
    DWORD minor;
    DWORD build;
    char service_pack[128];
};

VersionState state;

// HOSTWIN_VERSION: "platform.major.minor" or "platform.major.minor.build".
void ReadMachineVersion(const char* text) {
    unsigned long parts[4] = {0, 0, 0, 0};
    int count = 0;
    const char* p = text;
    while (count < 4) {
        char* end = nullptr;
        parts[count++] = strtoul(p, &end, 10);
        if (end == p || (*end != '.' && *end != '\0')) {
            count = 0;
            break;
        }
        if (*end == '\0')
            break;
        p = end + 1;
    }
    if (count < 3) {
        fprintf(stderr, "hostwin: HOSTWIN_VERSION '%s' is not platform.major.minor[.build]\n",
                text);
        abort();
    }
    state.platform = static_cast<DWORD>(parts[0]);
    state.major = static_cast<DWORD>(parts[1]);
    state.minor = static_cast<DWORD>(parts[2]);
    state.build = static_cast<DWORD>(parts[3]);
}

void Refresh() {
    if (state.generation == MachineGeneration())
        return;
    state = VersionState{MachineGeneration(), VER_PLATFORM_WIN32_NT, 5, 0, 2195, ""};
    const char* text = MachineDirectory() != nullptr ? getenv("HOSTWIN_VERSION") : nullptr;
    if (text != nullptr)
        ReadMachineVersion(text);
}

} // namespace

void SetVersion(DWORD platform, DWORD major, DWORD minor, DWORD build, const char* service_pack) {
    Refresh();
    state.platform = platform;
    state.major = major;
    state.minor = minor;
    state.build = build;
    snprintf(state.service_pack, sizeof state.service_pack, "%s", service_pack);
}

} // namespace hostwin

BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA information) {
    DWORD error;
    if (hostwin::FaultHits("GetVersionExA", &error)) {
        SetLastError(error);
        return FALSE;
    }
    if (information == nullptr) {
        SetLastError(ERROR_NOACCESS);
        return FALSE;
    }
    if (information->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    hostwin::Refresh();
    information->dwMajorVersion = hostwin::state.major;
    information->dwMinorVersion = hostwin::state.minor;
    information->dwBuildNumber = hostwin::state.build;
    information->dwPlatformId = hostwin::state.platform;
    memcpy(information->szCSDVersion, hostwin::state.service_pack,
           sizeof information->szCSDVersion);
    return TRUE;
}
