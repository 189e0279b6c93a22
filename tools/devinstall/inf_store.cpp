// The Windows INF directory: an INF from outside is stored as oemN.inf, with N the lowest
// number not taken, and its precompiled form oemN.pnf beside it. An INF whose bytes equal an
// oemN.inf already there is not stored twice: it keeps that name.
#include "tools/devinstall/devinstall.h"

#include <hostwin/testing.h>

#include <ctype.h>
#include <stdlib.h>
#include <strings.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

namespace {

// The precompiled form: a header that names the INF, then the INF's bytes.
const char kPnfHeader[] = "PNF\r\nprecompiled from ";

bool ReadWhole(const fs::path& path, std::string* text) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream s;
    s << in.rdbuf();
    *text = s.str();
    return true;
}

bool WriteWhole(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out.flush());
}

// N of a name "oemN.inf" (any case), or -1.
long OemNumber(const std::string& name) {
    if (name.size() < 8 || strncasecmp(name.c_str(), "oem", 3) != 0 ||
        strcasecmp(name.c_str() + name.size() - 4, ".inf") != 0)
        return -1;
    std::string digits = name.substr(3, name.size() - 7);
    for (char c : digits)
        if (!isdigit(static_cast<unsigned char>(c)))
            return -1;
    return strtol(digits.c_str(), nullptr, 10);
}

bool InfDirectory(fs::path* out) {
    char windows[MAX_PATH];
    UINT length = GetWindowsDirectoryA(windows, sizeof windows);
    char host[4096];
    if (length == 0 || length >= sizeof windows ||
        !hostwin::HostPathOf((std::string(windows) + "\\Inf").c_str(), host, sizeof host))
        return false;
    *out = host;
    return true;
}

} // namespace

bool StoreOemInf(const char* windows_path, std::string* stored_name, std::string* inf_text,
                 std::string* error) {
    char host[4096];
    if (!hostwin::HostPathOf(windows_path, host, sizeof host) || !ReadWhole(host, inf_text)) {
        *error = std::string("cannot read the INF ") + windows_path;
        return false;
    }
    fs::path directory;
    std::error_code ignored;
    if (!InfDirectory(&directory) || (!fs::create_directories(directory, ignored) && ignored)) {
        *error = "cannot make the Windows INF directory";
        return false;
    }
    std::set<long> taken;
    for (const fs::directory_entry& entry : fs::directory_iterator(directory, ignored)) {
        long n = OemNumber(entry.path().filename().string());
        if (n < 0)
            continue;
        taken.insert(n);
        std::string text;
        if (ReadWhole(entry.path(), &text) && text == *inf_text) {
            *stored_name = entry.path().filename().string();
            return true;
        }
    }
    long n = 0;
    while (taken.count(n) != 0)
        ++n;
    *stored_name = "oem" + std::to_string(n) + ".inf";
    std::string pnf_name = "oem" + std::to_string(n) + ".pnf";
    if (!WriteWhole(directory / *stored_name, *inf_text) ||
        !WriteWhole(directory / pnf_name,
                    kPnfHeader + std::string(windows_path) + "\r\n" + *inf_text)) {
        *error = "cannot write " + *stored_name + " and " + pnf_name;
        return false;
    }
    return true;
}

bool FindCoInstaller(const std::string& inf_text, std::string* library, std::string* entry) {
    std::istringstream lines(inf_text);
    std::string line;
    while (std::getline(lines, line)) {
        std::string upper = line;
        for (char& c : upper)
            c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
        size_t at = upper.find("COINSTALLERS32");
        if (at == std::string::npos || upper.find_first_of(";") < at)
            continue;
        size_t open = line.find('"', at);
        size_t close = open != std::string::npos ? line.find('"', open + 1) : open;
        size_t comma = close != std::string::npos ? line.find(',', open) : close;
        if (comma == std::string::npos || comma > close)
            continue;
        *library = line.substr(open + 1, comma - open - 1);
        *entry = line.substr(comma + 1, close - comma - 1);
        return !library->empty() && !entry->empty();
    }
    return false;
}
