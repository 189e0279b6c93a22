// How a Windows program's C runtime splits its command line into argv.
#pragma once

#include <string>
#include <vector>

namespace hostwin {

// The program name ends at the first blank or tab outside quotes, its quotes dropped; each
// further argument likewise, where 2n backslashes before a quote give n backslashes and a
// quote that toggles quoting, 2n + 1 give n backslashes and a literal quote, and two quotes
// inside quotes give one literal quote.
std::vector<std::string> SplitArguments(const char* command_line);

} // namespace hostwin
