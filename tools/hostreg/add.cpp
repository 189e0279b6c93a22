// "add": creates the key with every missing level and writes the value named by /v, or the
// default value when none is named: "add KEY" alone leaves the key with an empty default
// value, as reg.exe does.
//
// Over an existing value without /f, reg.exe asks; so does this program, reading the answer
// from standard input: anything but yes, including no input at all, cancels with status 1.
#include "reg.h"

#include <ctype.h>
#include <stdlib.h>

namespace {

struct AddRequest {
    KeyName key;
    const char* value_name;
    bool default_value;
    const char* type_name;
    const char* data;
    bool force;
};

bool IsHexDigit(char c) {
    return isxdigit(static_cast<unsigned char>(c)) != 0;
}

// Turns /d's text into the bytes the type stores; false with a message when it does not fit.
bool EncodeData(DWORD type, const std::string& text, std::string* out, std::string* problem) {
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        *out = text + '\0';
        return true;
    case REG_MULTI_SZ: {
        // The strings are separated by "\0" on the command line.
        out->clear();
        size_t at = 0;
        while (at <= text.size() && !text.empty()) {
            size_t end = text.find("\\0", at);
            if (end == std::string::npos)
                end = text.size();
            *out += text.substr(at, end - at) + '\0';
            at = end + 2;
        }
        *out += '\0';
        return true;
    }
    case REG_DWORD: {
        char* end = nullptr;
        unsigned long long number = strtoull(text.c_str(), &end, 0);
        if (text.empty() || text[0] == '-' || *end != '\0' || number > 0xFFFFFFFFull) {
            *problem = "The data '" + text + "' is not a valid number for REG_DWORD.";
            return false;
        }
        out->clear();
        for (int shift = 0; shift < 32; shift += 8)
            out->push_back(static_cast<char>((number >> shift) & 0xFF));
        return true;
    }
    default: {
        if (text.size() % 2 != 0) {
            *problem = "The data '" + text + "' is not a valid hexadecimal byte string.";
            return false;
        }
        out->clear();
        for (size_t i = 0; i < text.size(); i += 2) {
            if (!IsHexDigit(text[i]) || !IsHexDigit(text[i + 1])) {
                *problem = "The data '" + text + "' is not a valid hexadecimal byte string.";
                return false;
            }
            out->push_back(static_cast<char>(strtoul(text.substr(i, 2).c_str(), nullptr, 16)));
        }
        return true;
    }
    }
}

// Writes the value, asking first when it exists and /f was not given.
int WriteValue(HKEY key, const AddRequest& request, DWORD type, const std::string& bytes) {
    const char* name = request.value_name != nullptr ? request.value_name : "";
    Value existing;
    if (!request.force && ReadValue(key, name, &existing) == ERROR_SUCCESS) {
        std::string shown = name[0] != '\0' ? name : "(Default)";
        if (!AskYesNo("Value " + shown + " exists, overwrite(Yes/No)? "))
            return ReportError("The operation was cancelled by the user.");
    }
    LONG rc = RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                             static_cast<DWORD>(bytes.size()));
    if (rc != ERROR_SUCCESS)
        return ReportRegistryError(rc);
    return ReportSuccess();
}

} // namespace

int RunAdd(int argc, char** argv) {
    if (argc < 1)
        return ReportInvalidSyntax("ADD");
    AddRequest request{{nullptr, "", ""}, nullptr, false, nullptr, nullptr, false};
    for (int i = 1; i < argc; ++i) {
        if (IsOption(argv[i], "v") && i + 1 < argc && request.value_name == nullptr)
            request.value_name = argv[++i];
        else if (IsOption(argv[i], "ve") && !request.default_value)
            request.default_value = true;
        else if (IsOption(argv[i], "t") && i + 1 < argc && request.type_name == nullptr)
            request.type_name = argv[++i];
        else if (IsOption(argv[i], "d") && i + 1 < argc && request.data == nullptr)
            request.data = argv[++i];
        else if (IsOption(argv[i], "f") && !request.force)
            request.force = true;
        else
            return ReportInvalidSyntax("ADD");
    }
    if (request.value_name != nullptr && request.default_value)
        return ReportInvalidSyntax("ADD");
    if (!ParseKeyName(argv[0], &request.key) || request.key.path.empty())
        return ReportError("Invalid key name.\r\nType \"REG ADD /?\" for usage.");
    // The data is checked before anything is written.
    DWORD type = REG_SZ;
    if (request.type_name != nullptr && !TypeByName(request.type_name, &type))
        return ReportError(std::string("Invalid type '") + request.type_name +
                           "'.\r\nType \"REG ADD /?\" for usage.");
    std::string text = request.data != nullptr ? request.data : type == REG_DWORD ? "0" : "";
    std::string bytes, problem;
    if (!EncodeData(type, text, &bytes, &problem))
        return ReportError(problem);
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExA(request.key.root, request.key.path.c_str(), 0, nullptr,
                              REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (rc != ERROR_SUCCESS)
        return ReportRegistryError(rc);
    int status = WriteValue(key, request, type, bytes);
    RegCloseKey(key);
    return status;
}
