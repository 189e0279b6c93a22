// "export": writes a key and everything below it as a version 5 .reg file, UTF-16LE with a
// byte order mark and CR LF line ends, as reg.exe does.
//
// reg.exe asks before it overwrites a file; this program refuses instead, unless /y is given.
// A key's section is followed by its values in enumeration order and a blank line, then its
// subkeys' sections. REG_SZ data that is one string with its terminator is written as
// "text"; any other string data keeps every byte as hex(1):. Hex data wraps before 80
// columns with "\" as regedit does (the exact wrap column is not verified).
#include "reg.h"

#include <stdio.h>

namespace {

const size_t kWrapColumn = 80;

std::string Escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\' || c == '"')
            out.push_back('\\');
        out.push_back(c);
    }
    return out;
}

std::string HexList(const std::string& prefix, const std::string& bytes) {
    std::string line = prefix;
    size_t column = prefix.size();
    char item[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        bool last = i + 1 == bytes.size();
        snprintf(item, sizeof item, last ? "%02x" : "%02x,", static_cast<unsigned char>(bytes[i]));
        line += item;
        column += 3;
        if (!last && column + 3 >= kWrapColumn - 1) {
            line += "\\\r\n  ";
            column = 2;
        }
    }
    return line;
}

bool IsOneTerminatedString(const std::string& data) {
    return !data.empty() && data.find('\0') == data.size() - 1;
}

std::string ValueLine(const Value& value) {
    std::string name = value.name.empty() ? "@" : "\"" + Escaped(value.name) + "\"";
    const std::string& data = value.data;
    if (value.type == REG_SZ && IsOneTerminatedString(data))
        return name + "=\"" + Escaped(data.substr(0, data.size() - 1)) + "\"";
    if (value.type == REG_DWORD && data.size() == 4) {
        DWORD number = static_cast<DWORD>(
            static_cast<unsigned char>(data[0]) | static_cast<unsigned char>(data[1]) << 8 |
            static_cast<unsigned char>(data[2]) << 16 |
            static_cast<DWORD>(static_cast<unsigned char>(data[3])) << 24);
        char text[24];
        snprintf(text, sizeof text, "=dword:%08lx", static_cast<unsigned long>(number));
        return name + text;
    }
    if (value.type == REG_BINARY)
        return HexList(name + "=hex:", data);
    char prefix[24];
    snprintf(prefix, sizeof prefix, "=hex(%lx):", static_cast<unsigned long>(value.type));
    bool text_type =
        value.type == REG_SZ || value.type == REG_EXPAND_SZ || value.type == REG_MULTI_SZ;
    return HexList(name + prefix, text_type ? AnsiToUtf16(data) : data);
}

void WriteKey(HKEY key, const std::string& full, std::string* out) {
    *out += "[" + full + "]\r\n";
    Value value;
    for (DWORD i = 0; ReadValueAt(key, i, &value) == ERROR_SUCCESS; ++i)
        *out += ValueLine(value) + "\r\n";
    *out += "\r\n";
    std::string child;
    for (DWORD i = 0; ReadSubkeyAt(key, i, &child) == ERROR_SUCCESS; ++i) {
        HKEY sub = nullptr;
        if (RegOpenKeyExA(key, child.c_str(), 0, KEY_READ, &sub) == ERROR_SUCCESS) {
            WriteKey(sub, full + "\\" + child, out);
            RegCloseKey(sub);
        }
    }
}

bool FileExists(const char* path) {
    FILE* file = fopen(path, "rb");
    if (file == nullptr)
        return false;
    fclose(file);
    return true;
}

} // namespace

int RunExport(int argc, char** argv) {
    if (argc < 2 || argc > 3 || (argc == 3 && !IsOption(argv[2], "y")))
        return ReportInvalidSyntax("EXPORT");
    KeyName name;
    if (!ParseKeyName(argv[0], &name))
        return ReportError("Invalid key name.\r\nType \"REG EXPORT /?\" for usage.");
    HKEY key = nullptr;
    if (RegOpenKeyExA(name.root, name.path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return ReportNotFound();
    std::string text = "Windows Registry Editor Version 5.00\r\n\r\n";
    WriteKey(key, name.full, &text);
    RegCloseKey(key);
    if (argc != 3 && FileExists(argv[1]))
        return ReportError("The file '" + std::string(argv[1]) +
                           "' already exists; give /y to overwrite it.");
    std::string bytes = "\xFF\xFE" + AnsiToUtf16(text);
    FILE* file = fopen(argv[1], "wb");
    if (file == nullptr)
        return ReportError("Error opening the file. There may be a disk or file system error.");
    bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    written = fclose(file) == 0 && written;
    if (!written)
        return ReportError("Error writing the file. There may be a disk or file system error.");
    return ReportSuccess();
}
