// Test controls of the version area.
//
// GetVersionExA reports Windows 2000 (platform VER_PLATFORM_WIN32_NT, version 5.0, build
// 2195, no service pack text) unless told otherwise. On a machine directory the environment
// variable HOSTWIN_VERSION sets it as "platform.major.minor" or "platform.major.minor.build".
#pragma once

#include <hostwin/win_types.h>

namespace hostwin {

void SetVersion(DWORD platform, DWORD major, DWORD minor, DWORD build,
                const char* service_pack = "");

} // namespace hostwin
