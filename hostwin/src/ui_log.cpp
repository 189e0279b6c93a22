// The UI log and the reading of it for tests.
//
// Several programs may run on one machine directory at once (the uninstaller and the applet it
// closes, say), so each record is appended with one write under an exclusive lock.
#include "ui_log.h"

#include "internal.h"

#include <hostwin/testing.h>

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <unistd.h>

#include <fstream>
#include <vector>

namespace hostwin {

namespace {

struct MemoryLog {
    unsigned generation;
    std::vector<std::string> lines;
};

MemoryLog memory_log;

std::vector<std::string>& MemoryLines() {
    if (memory_log.generation != MachineGeneration()) {
        memory_log.generation = MachineGeneration();
        memory_log.lines.clear();
    }
    return memory_log.lines;
}

void AddEscaped(std::string* out, const char* text) {
    static const char kHex[] = "0123456789abcdef";
    out->push_back('"');
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
        unsigned char c = *p;
        switch (c) {
        case '"':
            out->append("\\\"");
            break;
        case '\\':
            out->append("\\\\");
            break;
        case '\n':
            out->append("\\n");
            break;
        case '\r':
            out->append("\\r");
            break;
        case '\t':
            out->append("\\t");
            break;
        default:
            if (c < 0x20 || c >= 0x7F) {
                // A byte of the ANSI code page is written as the code point of the same number.
                out->append("\\u00");
                out->push_back(kHex[c >> 4]);
                out->push_back(kHex[c & 0xF]);
            } else {
                out->push_back(static_cast<char>(c));
            }
        }
    }
    out->push_back('"');
}

void AddName(UiEntry* entry, const char* name) {
    entry->json.push_back(',');
    AddEscaped(&entry->json, name);
    entry->json.push_back(':');
}

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = write(fd, data, size);
        if (n < 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

void AppendToFile(const std::string& line) {
    char path[4096];
    if (!MachinePath("ui.jsonl", path, sizeof path)) {
        fprintf(stderr, "hostwin: the UI log path is too long\n");
        return;
    }
    int fd = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) {
        fprintf(stderr, "hostwin: cannot open %s\n", path);
        return;
    }
    flock(fd, LOCK_EX);
    if (!WriteAll(fd, line.data(), line.size()))
        fprintf(stderr, "hostwin: cannot write %s\n", path);
    flock(fd, LOCK_UN);
    close(fd);
}

// A small reader for the flat objects that the log holds.
struct Reader {
    const std::string& s;
    size_t at;

    void SkipBlanks() {
        while (at < s.size() && (s[at] == ' ' || s[at] == '\t' || s[at] == '\r' || s[at] == '\n'))
            ++at;
    }
    bool Take(char c) {
        SkipBlanks();
        if (at < s.size() && s[at] == c) {
            ++at;
            return true;
        }
        return false;
    }
    static int HexValue(char c) {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }
    bool String(std::string* out) {
        if (!Take('"'))
            return false;
        out->clear();
        while (at < s.size()) {
            char c = s[at++];
            if (c == '"')
                return true;
            if (c != '\\') {
                out->push_back(c);
                continue;
            }
            if (at >= s.size())
                return false;
            char e = s[at++];
            switch (e) {
            case '"':
            case '\\':
            case '/':
                out->push_back(e);
                break;
            case 'b':
                out->push_back('\b');
                break;
            case 'f':
                out->push_back('\f');
                break;
            case 'n':
                out->push_back('\n');
                break;
            case 'r':
                out->push_back('\r');
                break;
            case 't':
                out->push_back('\t');
                break;
            case 'u': {
                if (at + 4 > s.size())
                    return false;
                unsigned code = 0;
                for (int i = 0; i < 4; ++i) {
                    int v = HexValue(s[at++]);
                    if (v < 0)
                        return false;
                    code = code * 16 + static_cast<unsigned>(v);
                }
                if (code > 0xFF)
                    return false; // the log writes bytes only
                out->push_back(static_cast<char>(code));
                break;
            }
            default:
                return false;
            }
        }
        return false;
    }
    bool Word(const char* word) {
        size_t n = strlen(word);
        if (s.compare(at, n, word) != 0)
            return false;
        at += n;
        return true;
    }
    bool Value(UiField* field) {
        SkipBlanks();
        if (at >= s.size())
            return false;
        char c = s[at];
        if (c == '"') {
            field->kind = UiField::kText;
            return String(&field->text);
        }
        if (Word("null")) {
            field->kind = UiField::kNull;
            return true;
        }
        if (Word("true") || Word("false")) {
            field->kind = UiField::kBool;
            field->number = s[at - 2] == 'u' ? 1 : 0; // "true" ends in "ue", "false" in "se"
            return true;
        }
        size_t start = at;
        if (s[at] == '-')
            ++at;
        while (at < s.size() && s[at] >= '0' && s[at] <= '9')
            ++at;
        if (at == start || (at == start + 1 && s[start] == '-'))
            return false;
        field->kind = UiField::kNumber;
        field->number = strtoll(s.c_str() + start, nullptr, 10);
        return true;
    }
};

} // namespace

void UiBegin(UiEntry* entry, const char* event) {
    entry->json = "{\"event\":";
    AddEscaped(&entry->json, event);
}

void UiAddText(UiEntry* entry, const char* name, const char* text) {
    AddName(entry, name);
    if (text == nullptr)
        entry->json.append("null");
    else
        AddEscaped(&entry->json, text);
}

void UiAddNumber(UiEntry* entry, const char* name, long long value) {
    AddName(entry, name);
    entry->json.append(std::to_string(value));
}

void UiAddBool(UiEntry* entry, const char* name, bool value) {
    AddName(entry, name);
    entry->json.append(value ? "true" : "false");
}

void UiAppend(UiEntry* entry) {
    entry->json.push_back('}');
    if (MachineDirectory() == nullptr)
        MemoryLines().push_back(entry->json);
    else
        AppendToFile(entry->json + "\n");
}

const UiField* UiRecord::Field(const char* name) const {
    for (const UiField& f : fields)
        if (f.name == name)
            return &f;
    return nullptr;
}

std::string UiRecord::Event() const {
    return Text("event");
}

std::string UiRecord::Text(const char* name) const {
    const UiField* f = Field(name);
    return f != nullptr && f->kind == UiField::kText ? f->text : std::string();
}

long long UiRecord::Number(const char* name) const {
    const UiField* f = Field(name);
    return f != nullptr && f->kind == UiField::kNumber ? f->number : 0;
}

bool UiRecord::IsNull(const char* name) const {
    const UiField* f = Field(name);
    return f != nullptr && f->kind == UiField::kNull;
}

bool ParseUiRecord(const std::string& line, UiRecord* record) {
    record->json = line;
    record->fields.clear();
    Reader r{line, 0};
    if (!r.Take('{'))
        return false;
    if (r.Take('}'))
        return true;
    do {
        UiField field{};
        if (!r.String(&field.name) || !r.Take(':') || !r.Value(&field))
            return false;
        record->fields.push_back(field);
    } while (r.Take(','));
    if (!r.Take('}'))
        return false;
    r.SkipBlanks();
    return r.at == line.size();
}

std::vector<UiRecord> UiLog() {
    std::vector<std::string> lines;
    if (MachineDirectory() == nullptr) {
        lines = MemoryLines();
    } else {
        char path[4096];
        if (MachinePath("ui.jsonl", path, sizeof path)) {
            std::ifstream in(path, std::ios::binary);
            std::string line;
            while (std::getline(in, line))
                lines.push_back(line);
        }
    }
    std::vector<UiRecord> records;
    for (const std::string& line : lines) {
        UiRecord record;
        if (!ParseUiRecord(line, &record)) {
            fprintf(stderr, "hostwin: a UI log line is not a record: %s\n", line.c_str());
            record.fields.clear();
        }
        records.push_back(record);
    }
    return records;
}

std::vector<UiRecord> UiLogOf(const char* event) {
    std::vector<UiRecord> records;
    for (UiRecord& r : UiLog())
        if (r.Event() == event)
            records.push_back(r);
    return records;
}

void ClearUiLog() {
    if (MachineDirectory() == nullptr) {
        MemoryLines().clear();
        return;
    }
    char path[4096];
    if (MachinePath("ui.jsonl", path, sizeof path) && truncate(path, 0) != 0 && errno != ENOENT)
        fprintf(stderr, "hostwin: cannot empty %s\n", path);
}

} // namespace hostwin
