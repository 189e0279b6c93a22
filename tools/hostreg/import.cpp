// "import": applies a .reg file: "REGEDIT4" or "Windows Registry Editor Version 5.00", ANSI
// (code page 1252) or UTF-16LE with its byte order mark.
//
// The file is read twice by the same line parser: first only to check every line, then to
// apply it, so a file with a malformed line changes nothing; the error names that line. The
// parser is a small state machine, one function per state: the header line, the body (key
// sections, values, comments) and the continuation lines of hex data ending in "\".
#include "reg.h"

#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include <vector>

namespace {

enum State { kHeader, kBody, kHexContinuation };

struct Line {
    std::string text;
    bool exact; // every character was in the ANSI code page
};

struct Parser {
    bool apply;
    unsigned version; // 4 or 5
    unsigned line_number;
    bool in_section;         // a [KEY] section is open
    bool in_deleted_section; // a [-KEY] section: its value lines are ignored
    HKEY key;                // the open section's key while applying
    // A hex value being continued over several lines.
    std::string value_name;
    DWORD value_type;
    std::string hex_text;
    std::string error;
};

using StateHandler = State (*)(Parser* parser, const std::string& line);

State Fail(Parser* parser, State state, const std::string& reason) {
    if (parser->error.empty())
        parser->error = reason;
    return state;
}

std::string TrimLeft(const std::string& text) {
    size_t at = text.find_first_not_of(" \t");
    return at == std::string::npos ? "" : text.substr(at);
}

std::string TrimRight(const std::string& text) {
    size_t end = text.find_last_not_of(" \t");
    return end == std::string::npos ? "" : text.substr(0, end + 1);
}

bool StartsWith(const std::string& text, const char* prefix) {
    size_t length = strlen(prefix);
    return text.size() >= length && strncasecmp(text.c_str(), prefix, length) == 0;
}

// Reads a quoted string starting at text[*at] == '"' with the escapes \\ and \"; *at ends
// after the closing quote.
bool ReadQuoted(const std::string& text, size_t* at, std::string* out, std::string* reason) {
    out->clear();
    for (size_t i = *at + 1; i < text.size(); ++i) {
        char c = text[i];
        if (c == '"') {
            *at = i + 1;
            return true;
        }
        if (c == '\\') {
            if (i + 1 >= text.size() || (text[i + 1] != '\\' && text[i + 1] != '"')) {
                *reason = "unknown escape sequence in a quoted string";
                return false;
            }
            c = text[++i];
        }
        out->push_back(c);
    }
    *reason = "a quoted string has no closing quote";
    return false;
}

bool OnlyCommentFollows(const std::string& text, size_t at) {
    std::string rest = TrimLeft(text.substr(at));
    return rest.empty() || rest[0] == ';';
}

bool ParseHexList(const std::string& text, std::string* out, std::string* reason) {
    out->clear();
    size_t at = 0;
    while (at < text.size()) {
        size_t comma = text.find(',', at);
        std::string item = TrimRight(TrimLeft(text.substr(at, comma - at)));
        bool last = comma == std::string::npos;
        if (item.empty() && last)
            break; // a trailing comma
        if (item.empty() || item.size() > 2 || !isxdigit(static_cast<unsigned char>(item[0])) ||
            (item.size() == 2 && !isxdigit(static_cast<unsigned char>(item[1])))) {
            *reason = "'" + item + "' is not a hex byte";
            return false;
        }
        out->push_back(static_cast<char>(strtoul(item.c_str(), nullptr, 16)));
        if (last)
            break;
        at = comma + 1;
    }
    return true;
}

void CloseSection(Parser* parser) {
    if (parser->key != nullptr)
        RegCloseKey(parser->key);
    parser->key = nullptr;
    parser->in_section = false;
    parser->in_deleted_section = false;
}

State WriteValue(Parser* parser, const std::string& name, DWORD type, const std::string& data) {
    if (!parser->apply)
        return kBody;
    LONG rc =
        RegSetValueExA(parser->key, name.c_str(), 0, type,
                       reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()));
    if (rc != ERROR_SUCCESS)
        return Fail(parser, kBody,
                    "the value could not be written (error " + std::to_string(rc) + ")");
    return kBody;
}

// Hex data in a version 5 file holds strings as UTF-16LE; this program stores ANSI.
State FinishHexValue(Parser* parser) {
    std::string bytes, reason;
    if (!ParseHexList(parser->hex_text, &bytes, &reason))
        return Fail(parser, kBody, reason);
    DWORD type = parser->value_type;
    if (parser->version == 5 && (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ)) {
        bool exact = true;
        bytes = Utf16ToAnsi(bytes, &exact);
        if (!exact)
            return Fail(parser, kBody, "the text is not in the ANSI code page");
    }
    return WriteValue(parser, parser->value_name, type, bytes);
}

// Continues or ends a hex value: a line that ends in "\" goes on on the next line.
State TakeHexText(Parser* parser, const std::string& text) {
    std::string trimmed = TrimRight(text);
    if (!trimmed.empty() && trimmed.back() == '\\') {
        trimmed.pop_back();
        parser->hex_text += trimmed;
        return kHexContinuation;
    }
    parser->hex_text += trimmed;
    return FinishHexValue(parser);
}

State HeaderLine(Parser* parser, const std::string& line) {
    std::string text = TrimRight(TrimLeft(line));
    if (text.empty())
        return kHeader;
    if (text == "REGEDIT4") {
        parser->version = 4;
        return kBody;
    }
    if (text == "Windows Registry Editor Version 5.00") {
        parser->version = 5;
        return kBody;
    }
    return Fail(parser, kHeader,
                "the file does not start with REGEDIT4 or Windows Registry Editor Version 5.00");
}

State SectionLine(Parser* parser, const std::string& text) {
    size_t close = text.rfind(']');
    if (close == std::string::npos)
        return Fail(parser, kBody, "a key section has no closing ']'");
    bool deletion = text.size() > 1 && text[1] == '-';
    std::string name = text.substr(deletion ? 2 : 1, close - (deletion ? 2 : 1));
    KeyName key;
    if (!ParseKeyName(name, &key))
        return Fail(parser, kBody,
                    "'" + name + "' is not a key of HKEY_LOCAL_MACHINE or " + "HKEY_CURRENT_USER");
    CloseSection(parser);
    if (deletion) {
        parser->in_deleted_section = true;
        if (parser->apply && !key.path.empty())
            DeleteKeyTree(key.root, key.path.c_str());
        return kBody;
    }
    parser->in_section = true;
    if (!parser->apply)
        return kBody;
    LONG rc = RegCreateKeyExA(key.root, key.path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &parser->key, nullptr);
    if (rc != ERROR_SUCCESS)
        return Fail(parser, kBody,
                    "the key could not be created (error " + std::to_string(rc) + ")");
    return kBody;
}

State ValueLine(Parser* parser, const std::string& text) {
    if (parser->in_deleted_section)
        return kBody;
    if (!parser->in_section)
        return Fail(parser, kBody, "a value comes before any [KEY] section");
    std::string name, reason;
    size_t at = 0;
    if (text[0] == '@') {
        at = 1;
    } else if (!ReadQuoted(text, &at, &name, &reason)) {
        return Fail(parser, kBody, reason);
    }
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t'))
        ++at;
    if (at >= text.size() || text[at] != '=')
        return Fail(parser, kBody, "the value name is not followed by '='");
    std::string data = TrimLeft(text.substr(at + 1));
    if (!data.empty() && data[0] == '"') {
        size_t end = 0;
        std::string value;
        if (!ReadQuoted(data, &end, &value, &reason))
            return Fail(parser, kBody, reason);
        if (!OnlyCommentFollows(data, end))
            return Fail(parser, kBody, "text follows the closing quote");
        return WriteValue(parser, name, REG_SZ, value + '\0');
    }
    if (TrimRight(data) == "-") {
        if (parser->apply)
            RegDeleteValueA(parser->key, name.c_str());
        return kBody;
    }
    if (StartsWith(data, "dword:")) {
        std::string digits = TrimRight(data.substr(6));
        if (digits.empty() || digits.size() > 8 ||
            digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
            return Fail(parser, kBody, "dword: needs 1 to 8 hex digits");
        DWORD number = static_cast<DWORD>(strtoul(digits.c_str(), nullptr, 16));
        std::string bytes;
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<char>((number >> shift) & 0xFF));
        return WriteValue(parser, name, REG_DWORD, bytes);
    }
    size_t list_at = 0;
    if (StartsWith(data, "hex:")) {
        parser->value_type = REG_BINARY;
        list_at = 4;
    } else if (StartsWith(data, "hex(")) {
        size_t close = data.find("):");
        std::string digits = close == std::string::npos ? "" : data.substr(4, close - 4);
        if (digits.empty() || digits.size() > 8 ||
            digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
            return Fail(parser, kBody, "hex(N): needs a type number in hex");
        parser->value_type = static_cast<DWORD>(strtoul(digits.c_str(), nullptr, 16));
        list_at = close + 2;
    } else {
        return Fail(parser, kBody, "the data is not a string, dword:, hex: or hex(N):");
    }
    parser->value_name = name;
    parser->hex_text.clear();
    return TakeHexText(parser, data.substr(list_at));
}

State BodyLine(Parser* parser, const std::string& line) {
    std::string text = TrimLeft(line);
    if (text.empty() || text[0] == ';')
        return kBody;
    if (text[0] == '[')
        return SectionLine(parser, TrimRight(text));
    if (text[0] == '"' || text[0] == '@')
        return ValueLine(parser, text);
    return Fail(parser, kBody, "the line is not a key section, a value or a comment");
}

State HexContinuationLine(Parser* parser, const std::string& line) {
    return TakeHexText(parser, TrimLeft(line));
}

const StateHandler kHandlers[] = {HeaderLine, BodyLine, HexContinuationLine};

// Splits the file into lines of ANSI text, decoding UTF-16LE after its byte order mark.
std::vector<Line> SplitLines(const std::string& file) {
    std::vector<Line> lines;
    bool utf16 = file.size() >= 2 && static_cast<unsigned char>(file[0]) == 0xFF &&
                 static_cast<unsigned char>(file[1]) == 0xFE;
    size_t unit = utf16 ? 2 : 1;
    size_t start = utf16 ? 2 : 0;
    for (size_t at = start; at < file.size(); at += unit) {
        bool newline = file[at] == '\n' && (!utf16 || (at + 1 < file.size() && file[at + 1] == 0));
        if (!newline && at + unit < file.size())
            continue;
        size_t end = newline ? at : file.size();
        std::string raw = file.substr(start, end - start);
        Line line{raw, true};
        if (utf16)
            line.text = Utf16ToAnsi(raw, &line.exact);
        if (!line.text.empty() && line.text.back() == '\r')
            line.text.pop_back();
        lines.push_back(line);
        start = end + unit;
    }
    return lines;
}

bool ReadWholeFile(const char* path, std::string* out) {
    FILE* file = fopen(path, "rb");
    if (file == nullptr)
        return false;
    char chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, file)) > 0)
        out->append(chunk, n);
    fclose(file);
    return true;
}

// One pass over the lines; returns false with parser->error and its line number set.
bool RunPass(Parser* parser, const std::vector<Line>& lines) {
    State state = kHeader;
    unsigned hex_start = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        parser->line_number = static_cast<unsigned>(i + 1);
        if (!lines[i].exact)
            parser->error = "the line has characters outside the ANSI code page";
        else
            state = kHandlers[state](parser, lines[i].text);
        if (!parser->error.empty())
            return false;
        if (state != kHexContinuation)
            hex_start = parser->line_number + 1;
    }
    if (state == kHeader) {
        parser->line_number = 1;
        parser->error = "the file does not start with REGEDIT4 or Windows Registry Editor "
                        "Version 5.00";
        return false;
    }
    if (state == kHexContinuation) {
        parser->line_number = hex_start;
        parser->error = "hex data goes on past the end of the file";
        return false;
    }
    return true;
}

} // namespace

int RunImport(int argc, char** argv) {
    if (argc != 1)
        return ReportInvalidSyntax("IMPORT");
    std::string file;
    if (!ReadWholeFile(argv[0], &file))
        return ReportError("Error opening the file. There may be a disk or file system error.");
    std::vector<Line> lines = SplitLines(file);
    for (bool apply : {false, true}) {
        Parser parser{apply, 0, 0, false, false, nullptr, "", 0, "", ""};
        bool ok = RunPass(&parser, lines);
        CloseSection(&parser);
        if (!ok)
            return ReportError("'" + std::string(argv[0]) + "' line " +
                               std::to_string(parser.line_number) + ": " + parser.error + ".");
    }
    return ReportSuccess();
}
