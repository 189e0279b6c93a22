// What every command shares: key names, reg.exe's messages, reading values, encodings.
#include "reg.h"

#include <stdio.h>
#include <string.h>
#include <strings.h>

namespace {

struct Root {
    const char* short_name;
    const char* long_name;
    HKEY key;
};

const Root kRoots[] = {
    {"HKLM", "HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {"HKCU", "HKEY_CURRENT_USER", HKEY_CURRENT_USER},
};

struct TypeRow {
    DWORD type;
    const char* name;
};

const TypeRow kTypes[] = {
    {REG_NONE, "REG_NONE"},     {REG_SZ, "REG_SZ"},       {REG_EXPAND_SZ, "REG_EXPAND_SZ"},
    {REG_BINARY, "REG_BINARY"}, {REG_DWORD, "REG_DWORD"}, {REG_MULTI_SZ, "REG_MULTI_SZ"},
};

// Code page 1252 at 0x80 to 0x9F; the five bytes it leaves undefined map to themselves.
const WORD kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

WORD AnsiToUnit(unsigned char c) {
    return c >= 0x80 && c < 0xA0 ? kCp1252High[c - 0x80] : c;
}

bool UnitToAnsi(WORD unit, char* out) {
    if (unit < 0x80 || (unit >= 0xA0 && unit < 0x100)) {
        *out = static_cast<char>(unit);
        return true;
    }
    for (int i = 0; i < 32; ++i) {
        if (kCp1252High[i] == unit) {
            *out = static_cast<char>(0x80 + i);
            return true;
        }
    }
    *out = '?';
    return false;
}

void WriteLine(FILE* stream, const std::string& line) {
    fwrite(line.data(), 1, line.size(), stream);
    fputs("\r\n", stream);
}

} // namespace

bool ParseKeyName(const std::string& text, KeyName* out) {
    size_t slash = text.find('\\');
    std::string root = text.substr(0, slash);
    std::string path = slash == std::string::npos ? "" : text.substr(slash + 1);
    while (!path.empty() && path.back() == '\\')
        path.pop_back();
    for (const Root& r : kRoots) {
        if (strcasecmp(root.c_str(), r.short_name) == 0 ||
            strcasecmp(root.c_str(), r.long_name) == 0) {
            out->root = r.key;
            out->path = path;
            out->full = path.empty() ? r.long_name : std::string(r.long_name) + "\\" + path;
            return true;
        }
    }
    return false;
}

void PrintLine(const std::string& line) {
    WriteLine(stdout, line);
}

int ReportError(const std::string& message) {
    fflush(stdout);
    WriteLine(stderr, "ERROR: " + message);
    return 1;
}

int ReportInvalidSyntax(const char* command) {
    return ReportError(std::string("Invalid syntax.\r\nType \"REG ") + command +
                       " /?\" for usage.");
}

int ReportNotFound() {
    return ReportError("The system was unable to find the specified registry key or value.");
}

int ReportRegistryError(LONG code) {
    if (code == ERROR_FILE_NOT_FOUND)
        return ReportNotFound();
    if (code == ERROR_ACCESS_DENIED)
        return ReportError("Access is denied.");
    char text[64];
    snprintf(text, sizeof text, "The registry answered error %ld.", static_cast<long>(code));
    return ReportError(text);
}

int ReportSuccess() {
    PrintLine("The operation completed successfully.");
    return 0;
}

bool AskYesNo(const std::string& question) {
    fputs(question.c_str(), stdout);
    fflush(stdout);
    char answer[32];
    if (fgets(answer, sizeof answer, stdin) == nullptr)
        return false;
    answer[strcspn(answer, "\r\n")] = '\0';
    return strcasecmp(answer, "y") == 0 || strcasecmp(answer, "yes") == 0;
}

bool IsOption(const char* argument, const char* name) {
    return (argument[0] == '/' || argument[0] == '-') && strcasecmp(argument + 1, name) == 0;
}

std::string TypeName(DWORD type) {
    for (const TypeRow& row : kTypes)
        if (row.type == type)
            return row.name;
    char text[16];
    snprintf(text, sizeof text, "0x%lx", static_cast<unsigned long>(type));
    return text;
}

bool TypeByName(const char* name, DWORD* type) {
    for (const TypeRow& row : kTypes) {
        if (strcasecmp(row.name, name) == 0) {
            *type = row.type;
            return true;
        }
    }
    return false;
}

LONG ReadValueAt(HKEY key, DWORD index, Value* out) {
    char name[16384];
    std::string data(256, '\0');
    for (;;) {
        DWORD name_size = sizeof name, data_size = static_cast<DWORD>(data.size()), type = 0;
        LONG rc = RegEnumValueA(key, index, name, &name_size, nullptr, &type,
                                reinterpret_cast<BYTE*>(&data[0]), &data_size);
        if (rc == ERROR_MORE_DATA && data_size > data.size()) {
            data.resize(data_size);
            continue;
        }
        if (rc != ERROR_SUCCESS)
            return rc;
        out->name.assign(name, name_size);
        out->type = type;
        out->data.assign(data.data(), data_size);
        return ERROR_SUCCESS;
    }
}

LONG ReadValue(HKEY key, const char* name, Value* out) {
    DWORD size = 0, type = 0;
    LONG rc = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
    if (rc != ERROR_SUCCESS)
        return rc;
    std::string data(size, '\0');
    rc = RegQueryValueExA(key, name, nullptr, &type,
                          size != 0 ? reinterpret_cast<BYTE*>(&data[0]) : nullptr, &size);
    if (rc != ERROR_SUCCESS)
        return rc;
    out->name = name != nullptr ? name : "";
    out->type = type;
    out->data.assign(data.data(), size);
    return ERROR_SUCCESS;
}

LONG ReadSubkeyAt(HKEY key, DWORD index, std::string* name) {
    char buffer[257]; // the registry takes key names of up to 256 characters
    DWORD size = sizeof buffer;
    LONG rc = RegEnumKeyExA(key, index, buffer, &size, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_SUCCESS)
        name->assign(buffer, size);
    return rc;
}

LONG DeleteKeyTree(HKEY parent, const char* path) {
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExA(parent, path, 0, KEY_ALL_ACCESS, &key);
    if (rc != ERROR_SUCCESS)
        return rc;
    std::string child;
    while ((rc = ReadSubkeyAt(key, 0, &child)) == ERROR_SUCCESS) {
        rc = DeleteKeyTree(key, child.c_str());
        if (rc != ERROR_SUCCESS)
            break;
    }
    RegCloseKey(key);
    if (rc != ERROR_NO_MORE_ITEMS)
        return rc;
    return RegDeleteKeyA(parent, path);
}

std::string AnsiToUtf16(const std::string& text) {
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (char c : text) {
        WORD unit = AnsiToUnit(static_cast<unsigned char>(c));
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes;
}

std::string Utf16ToAnsi(const std::string& bytes, bool* exact) {
    std::string text;
    text.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        WORD unit = static_cast<WORD>(static_cast<unsigned char>(bytes[i]) |
                                      static_cast<unsigned char>(bytes[i + 1]) << 8);
        char c;
        if (!UnitToAnsi(unit, &c))
            *exact = false;
        text.push_back(c);
    }
    if (bytes.size() % 2 != 0)
        *exact = false;
    return text;
}
