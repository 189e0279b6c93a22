// regnorm: turns a registry export into a text that is the same wherever the registry came from,
// so that one scenario's expectation can be checked against hostwin and against Wine.
//
//   regnorm normalize FILE.reg    prints the normalized form of an export
//   regnorm mask EXPECTED ACTUAL  prints ACTUAL with "??" wherever EXPECTED has "??" over two
//                                 hexadecimal digits of the same line (bytes not compared)
//
// The export is a version 5 file (UTF-16LE with a byte order mark, as reg.exe and Wine's reg
// write) or a REGEDIT4 file. The normalized form is UTF-8, one "[key]" line per key followed by
// its values, one per line:
//   - keys in case-insensitive order of their path, values in case-insensitive order of their
//     name within a key ("@", the default value, first): Windows enumerates values in creation
//     order, Wine in name order, and neither may decide the outcome;
//   - "name"="text" for a REG_SZ holding one terminated string, with \\ \" \n \r \t and \xHH
//     for other control characters (Wine's reg escapes line breaks, hostreg writes them raw);
//   - "name"=dword:xxxxxxxx for a 4-byte REG_DWORD;
//   - "name"=hex:aa,bb and "name"=hex(N):aa,bb for everything else, on one line, lower case.
#include <stdint.h>
#include <stdio.h>

#include <algorithm>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const uint32_t kRegSz = 1;
const uint32_t kRegBinary = 3;
const uint32_t kRegDword = 4;

struct Value {
    std::string name; // UTF-8; empty for the default value
    bool is_default = false;
    uint32_t type = kRegBinary;
    std::string text; // the string of a quoted REG_SZ, UTF-8
    bool quoted = false;
    std::string bytes; // the data of every other form, as stored
};

struct Key {
    std::string path;
    std::vector<Value> values;
};

int Fail(const std::string& message) {
    std::cerr << "regnorm: " << message << "\n";
    return 2;
}

void AppendUtf8(uint32_t code, std::string* out) {
    if (code < 0x80) {
        out->push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (code >> 6)));
        out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (code >> 12)));
        out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (code >> 18)));
        out->push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

// UTF-16LE code units to UTF-8; an unpaired surrogate is kept as its own code.
std::string Utf16ToUtf8(const std::string& bytes) {
    std::string out;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        uint32_t unit = static_cast<unsigned char>(bytes[i]) |
                        static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
        if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
            uint32_t low = static_cast<unsigned char>(bytes[i + 2]) |
                           static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + 3])) << 8;
            if (low >= 0xDC00 && low < 0xE000) {
                AppendUtf8(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00), &out);
                i += 2;
                continue;
            }
        }
        AppendUtf8(unit, &out);
    }
    return out;
}

std::string Upper(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

// Splits the text into lines at CR LF; a file without any CR is split at LF. A lone LF inside
// a CR LF file is data (hostreg writes line breaks of strings as they are).
std::vector<std::string> SplitLines(const std::string& text) {
    std::string separator = text.find('\r') == std::string::npos ? "\n" : "\r\n";
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(separator, start);
        if (end == std::string::npos) {
            if (start < text.size())
                lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + separator.size();
    }
    return lines;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

class Parser {
  public:
    explicit Parser(std::vector<std::string> lines) : lines_(std::move(lines)) {}

    // Reads the whole file into keys; false with a message on anything an export never holds.
    bool Parse(std::vector<Key>* keys, std::string* error) {
        if (lines_.empty() ||
            (lines_[0] != "Windows Registry Editor Version 5.00" && lines_[0] != "REGEDIT4")) {
            *error = "not a registry export (first line)";
            return false;
        }
        unicode_ = lines_[0] != "REGEDIT4";
        for (row_ = 1; row_ < lines_.size(); ++row_) {
            line_ = lines_[row_];
            at_ = 0;
            if (line_.empty())
                continue;
            if (line_[0] == '[') {
                if (line_.size() < 2 || line_.back() != ']' || line_[1] == '-')
                    return Error("a key line that an export does not write", error);
                keys->push_back(Key{line_.substr(1, line_.size() - 2), {}});
                continue;
            }
            if (keys->empty())
                return Error("a value before the first key", error);
            Value value;
            if (!ReadValue(&value))
                return Error("a value line that cannot be read", error);
            keys->back().values.push_back(value);
        }
        return true;
    }

    // Whether text data in hex(N) form is UTF-16LE (version 5) rather than ANSI (REGEDIT4).
    bool Unicode() const { return unicode_; }

  private:
    bool Error(const std::string& what, std::string* error) const {
        *error = what + " at line " + std::to_string(row_ + 1) + ": " + lines_[row_];
        return false;
    }

    // The next character of a quoted text; a text that goes on past the end of its line goes
    // on in the next line, the line break being part of it.
    bool NextChar(char* c) {
        while (at_ >= line_.size()) {
            if (row_ + 1 >= lines_.size())
                return false;
            line_ = "\r\n" + lines_[++row_];
            at_ = 0;
        }
        *c = line_[at_++];
        return true;
    }

    bool ReadQuoted(std::string* out) {
        char c;
        while (NextChar(&c)) {
            if (c == '"')
                return true;
            if (c != '\\') {
                out->push_back(c);
                continue;
            }
            if (!NextChar(&c))
                return false;
            switch (c) {
            case 'n':
                out->push_back('\n');
                break;
            case 'r':
                out->push_back('\r');
                break;
            case '0':
                out->push_back('\0');
                break;
            default:
                out->push_back(c);
                break; // \\ and \"
            }
        }
        return false;
    }

    bool Take(const std::string& word) {
        if (line_.compare(at_, word.size(), word) != 0)
            return false;
        at_ += word.size();
        return true;
    }

    bool ReadHexBytes(std::string* out) {
        for (;;) {
            while (at_ < line_.size() && (line_[at_] == ' ' || line_[at_] == '\t'))
                ++at_;
            if (at_ >= line_.size())
                return true;
            if (line_[at_] == '\\' && at_ + 1 == line_.size()) {
                if (row_ + 1 >= lines_.size())
                    return false;
                line_ = lines_[++row_];
                at_ = 0;
                continue;
            }
            if (at_ + 1 >= line_.size() || HexDigit(line_[at_]) < 0 || HexDigit(line_[at_ + 1]) < 0)
                return false;
            out->push_back(static_cast<char>(HexDigit(line_[at_]) * 16 + HexDigit(line_[at_ + 1])));
            at_ += 2;
            if (at_ < line_.size() && line_[at_] == ',')
                ++at_;
        }
    }

    bool ReadValue(Value* value) {
        if (Take("@")) {
            value->is_default = true;
        } else if (Take("\"")) {
            if (!ReadQuoted(&value->name))
                return false;
        } else {
            return false;
        }
        if (!Take("="))
            return false;
        if (Take("\"")) {
            value->type = kRegSz;
            value->quoted = true;
            return ReadQuoted(&value->text) && at_ == line_.size();
        }
        if (Take("dword:")) {
            std::string digits = line_.substr(at_);
            if (digits.size() != 8 ||
                !std::all_of(digits.begin(), digits.end(), [](char c) { return HexDigit(c) >= 0; }))
                return false;
            uint32_t number = static_cast<uint32_t>(std::stoul(digits, nullptr, 16));
            value->type = kRegDword;
            for (int i = 0; i < 4; ++i)
                value->bytes.push_back(static_cast<char>((number >> (8 * i)) & 0xFF));
            return true;
        }
        if (Take("hex:")) {
            value->type = kRegBinary;
            return ReadHexBytes(&value->bytes);
        }
        if (Take("hex(")) {
            size_t close = line_.find("):", at_);
            if (close == std::string::npos || close == at_)
                return false;
            value->type =
                static_cast<uint32_t>(std::stoul(line_.substr(at_, close - at_), nullptr, 16));
            at_ = close + 2;
            return ReadHexBytes(&value->bytes);
        }
        return false;
    }

    std::vector<std::string> lines_;
    bool unicode_ = true;
    size_t row_ = 0;
    std::string line_;
    size_t at_ = 0;
};

// A version 5 REG_SZ given as hex(1): one UTF-16 string and its terminator reads as the text.
void MakeTextWhenOneString(bool unicode, Value* value) {
    if (value->type != kRegSz || value->quoted)
        return;
    const std::string& b = value->bytes;
    size_t unit = unicode ? 2 : 1;
    if (b.size() < unit || b.size() % unit != 0)
        return;
    for (size_t i = 0; i + unit <= b.size(); i += unit) {
        bool zero = b[i] == 0 && (unit == 1 || b[i + 1] == 0);
        if (zero != (i + unit == b.size()))
            return;
    }
    std::string body = b.substr(0, b.size() - unit);
    value->text = unicode ? Utf16ToUtf8(body) : body;
    value->quoted = true;
}

std::string EscapedText(const std::string& text) {
    std::string out;
    for (char c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        if (c == '\\' || c == '"') {
            out.push_back('\\');
            out.push_back(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (u < 0x20) {
            char code[8];
            snprintf(code, sizeof code, "\\x%02x", u);
            out += code;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::string HexList(const std::string& bytes) {
    std::string out;
    char item[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        snprintf(item, sizeof item, i == 0 ? "%02x" : ",%02x",
                 static_cast<unsigned char>(bytes[i]));
        out += item;
    }
    return out;
}

std::string ValueLine(const Value& value) {
    std::string line = value.is_default ? "@=" : "\"" + EscapedText(value.name) + "\"=";
    if (value.quoted)
        return line + "\"" + EscapedText(value.text) + "\"";
    if (value.type == kRegDword && value.bytes.size() == 4) {
        uint32_t number = 0;
        for (int i = 3; i >= 0; --i)
            number = number << 8 | static_cast<unsigned char>(value.bytes[static_cast<size_t>(i)]);
        char text[16];
        snprintf(text, sizeof text, "dword:%08x", number);
        return line + text;
    }
    if (value.type == kRegBinary)
        return line + "hex:" + HexList(value.bytes);
    char prefix[24];
    snprintf(prefix, sizeof prefix, "hex(%x):", value.type);
    return line + prefix + HexList(value.bytes);
}

std::vector<std::string> PathParts(const std::string& path) {
    std::vector<std::string> parts;
    std::stringstream in(Upper(path));
    std::string part;
    while (std::getline(in, part, '\\'))
        parts.push_back(part);
    return parts;
}

bool ReadFile(const char* path, std::string* out) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream s;
    s << in.rdbuf();
    *out = s.str();
    return true;
}

int Normalize(const char* path) {
    std::string raw;
    if (!ReadFile(path, &raw))
        return Fail(std::string("cannot read ") + path);
    bool unicode = raw.size() >= 2 && raw[0] == '\xFF' && raw[1] == '\xFE';
    std::string text = unicode ? Utf16ToUtf8(raw.substr(2)) : raw;
    std::vector<Key> keys;
    std::string error;
    Parser parser(SplitLines(text));
    if (!parser.Parse(&keys, &error))
        return Fail(std::string(path) + ": " + error);

    std::stable_sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
        return PathParts(a.path) < PathParts(b.path);
    });
    for (Key& key : keys) {
        for (Value& value : key.values)
            MakeTextWhenOneString(parser.Unicode(), &value);
        std::stable_sort(key.values.begin(), key.values.end(), [](const Value& a, const Value& b) {
            if (a.is_default != b.is_default)
                return a.is_default;
            return Upper(a.name) < Upper(b.name);
        });
        std::cout << "[" << key.path << "]\n";
        for (const Value& value : key.values)
            std::cout << ValueLine(value) << "\n";
    }
    return 0;
}

int Mask(const char* expected_path, const char* actual_path) {
    std::string expected_text, actual_text;
    if (!ReadFile(expected_path, &expected_text))
        return Fail(std::string("cannot read ") + expected_path);
    if (!ReadFile(actual_path, &actual_text))
        return Fail(std::string("cannot read ") + actual_path);
    std::vector<std::string> expected = SplitLines(expected_text);
    std::vector<std::string> actual = SplitLines(actual_text);
    for (size_t i = 0; i < actual.size(); ++i) {
        std::string line = actual[i];
        if (i < expected.size() && expected[i].size() == line.size()) {
            for (size_t at = expected[i].find("??"); at != std::string::npos;
                 at = expected[i].find("??", at + 2)) {
                if (HexDigit(line[at]) >= 0 && HexDigit(line[at + 1]) >= 0)
                    line.replace(at, 2, "??");
            }
        }
        std::cout << line << "\n";
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::string command = argc > 1 ? argv[1] : "";
    if (command == "normalize" && argc == 3)
        return Normalize(argv[2]);
    if (command == "mask" && argc == 4)
        return Mask(argv[2], argv[3]);
    std::cerr << "usage: regnorm normalize FILE.reg | regnorm mask EXPECTED ACTUAL\n";
    return 2;
}
