// The Windows and system directories of the machine, as full Windows paths.
#pragma once

namespace hostwin {

const char* WindowsDirectory();
const char* SystemDirectory();

} // namespace hostwin
