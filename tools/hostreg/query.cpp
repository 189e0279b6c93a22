// "query": prints a key's values and subkeys exactly as reg.exe prints them.
//
// A key's block is its full name, one row per value ("    NAME    TYPE    DATA") and a blank
// line; a key without values prints no block of its own. Without /s the full names of the
// subkeys follow; with /s each subkey's block does, all the way down. Looking for a value
// (/v, /ve) with /s prints every key that has it and ends with the number of matches.
#include "reg.h"

#include <stdio.h>

namespace {

struct QueryRequest {
    KeyName key;
    const char* value_name; // null: every value
    bool default_value;     // /ve
    bool recurse;           // /s
};

std::string HexBytes(const std::string& data) {
    std::string text;
    char pair[3];
    for (char c : data) {
        snprintf(pair, sizeof pair, "%02X", static_cast<unsigned char>(c));
        text += pair;
    }
    return text;
}

// Data the way reg.exe shows it: text up to its terminator, the strings of a multi-string
// joined by "\0", a DWORD in hexadecimal, anything else as upper-case hex bytes.
std::string DisplayData(const Value& value) {
    const std::string& data = value.data;
    switch (value.type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        return data.substr(0, data.find('\0'));
    case REG_MULTI_SZ: {
        std::string text;
        size_t at = 0;
        while (at < data.size() && data[at] != '\0') {
            size_t end = data.find('\0', at);
            if (end == std::string::npos)
                end = data.size();
            if (!text.empty())
                text += "\\0";
            text += data.substr(at, end - at);
            at = end + 1;
        }
        return text;
    }
    case REG_DWORD:
        if (data.size() == 4) {
            DWORD number = static_cast<DWORD>(
                static_cast<unsigned char>(data[0]) | static_cast<unsigned char>(data[1]) << 8 |
                static_cast<unsigned char>(data[2]) << 16 |
                static_cast<DWORD>(static_cast<unsigned char>(data[3])) << 24);
            char text[16];
            snprintf(text, sizeof text, "0x%lx", static_cast<unsigned long>(number));
            return text;
        }
        return HexBytes(data);
    default:
        return HexBytes(data);
    }
}

void PrintValueRow(const Value& value) {
    std::string name = value.name.empty() ? "(Default)" : value.name;
    PrintLine("    " + name + "    " + TypeName(value.type) + "    " + DisplayData(value));
}

void QueryAll(HKEY key, const std::string& full, bool recurse, bool nested) {
    Value value;
    DWORD values = 0;
    while (ReadValueAt(key, values, &value) == ERROR_SUCCESS) {
        if (values == 0)
            PrintLine(full);
        PrintValueRow(value);
        ++values;
    }
    if (values == 0 && nested)
        PrintLine(full);
    if (values != 0 || nested)
        PrintLine("");
    std::string child;
    for (DWORD i = 0; ReadSubkeyAt(key, i, &child) == ERROR_SUCCESS; ++i) {
        std::string child_full = full + "\\" + child;
        if (!recurse) {
            PrintLine(child_full);
            continue;
        }
        HKEY sub = nullptr;
        if (RegOpenKeyExA(key, child.c_str(), 0, KEY_READ, &sub) == ERROR_SUCCESS) {
            QueryAll(sub, child_full, true, true);
            RegCloseKey(sub);
        }
    }
}

// Prints the key's block for the one value when it has it; returns the matches found.
unsigned QueryValueTree(HKEY key, const std::string& full, const char* name, bool recurse) {
    unsigned found = 0;
    Value value;
    if (ReadValue(key, name, &value) == ERROR_SUCCESS) {
        PrintLine(full);
        PrintValueRow(value);
        PrintLine("");
        found = 1;
    }
    if (!recurse)
        return found;
    std::string child;
    for (DWORD i = 0; ReadSubkeyAt(key, i, &child) == ERROR_SUCCESS; ++i) {
        HKEY sub = nullptr;
        if (RegOpenKeyExA(key, child.c_str(), 0, KEY_READ, &sub) == ERROR_SUCCESS) {
            found += QueryValueTree(sub, full + "\\" + child, name, true);
            RegCloseKey(sub);
        }
    }
    return found;
}

int RunRequest(const QueryRequest& request) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(request.key.root, request.key.path.c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return ReportNotFound();
    PrintLine("");
    int status = 0;
    if (request.value_name == nullptr && !request.default_value) {
        QueryAll(key, request.key.full, request.recurse, false);
    } else {
        const char* name = request.default_value ? "" : request.value_name;
        unsigned found = QueryValueTree(key, request.key.full, name, request.recurse);
        if (request.recurse) {
            char line[64];
            snprintf(line, sizeof line, "End of search: %u match(es) found.", found);
            PrintLine(line);
        } else if (found == 0 && request.default_value) {
            // An unset default value is still shown, as "(value not set)".
            PrintLine(request.key.full);
            PrintLine("    (Default)    REG_SZ    (value not set)");
            PrintLine("");
        } else if (found == 0) {
            status = ReportNotFound();
        }
    }
    RegCloseKey(key);
    return status;
}

} // namespace

int RunQuery(int argc, char** argv) {
    if (argc < 1)
        return ReportInvalidSyntax("QUERY");
    QueryRequest request{{nullptr, "", ""}, nullptr, false, false};
    for (int i = 1; i < argc; ++i) {
        if (IsOption(argv[i], "v") && i + 1 < argc && request.value_name == nullptr)
            request.value_name = argv[++i];
        else if (IsOption(argv[i], "ve") && !request.default_value)
            request.default_value = true;
        else if (IsOption(argv[i], "s") && !request.recurse)
            request.recurse = true;
        else
            return ReportInvalidSyntax("QUERY");
    }
    if (request.value_name != nullptr && request.default_value)
        return ReportInvalidSyntax("QUERY");
    if (!ParseKeyName(argv[0], &request.key))
        return ReportError("Invalid key name.\r\nType \"REG QUERY /?\" for usage.");
    return RunRequest(request);
}
