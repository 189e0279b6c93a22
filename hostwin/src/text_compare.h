// The system's case-insensitive comparison of ANSI texts, for hostwin's own use (lstrcmpiA
// and window class and title matching), without counting as a call of the API.
#pragma once

namespace hostwin {

// <0, 0 or >0 as lstrcmpiA orders the texts; a null text sorts first.
int CompareTextIgnoringCase(const char* a, const char* b);

inline bool SameTextIgnoringCase(const char* a, const char* b) {
    return CompareTextIgnoringCase(a, b) == 0;
}

} // namespace hostwin
