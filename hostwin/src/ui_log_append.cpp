// The UI log's append side. A machine's log is appended with one write per line, so that
// programs running one after another (or a parent and its child) keep their order.
#include "ui_log_append.h"

#include "internal.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <vector>

namespace hostwin {

namespace {

struct MemoryLog {
    unsigned generation;
    std::vector<std::string> events;
};

MemoryLog& Memory() {
    static MemoryLog log;
    if (log.generation != MachineGeneration()) {
        log.generation = MachineGeneration();
        log.events.clear();
    }
    return log;
}

} // namespace

void LogEvent(const char* json_object_line) {
    char path[4096];
    if (!MachinePath("ui.jsonl", path, sizeof path)) {
        Memory().events.push_back(json_object_line);
        return;
    }
    std::string line = std::string(json_object_line) + "\n";
    int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0 || write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
        fprintf(stderr, "hostwin: cannot append to %s\n", path);
    if (fd >= 0)
        close(fd);
}

std::string JsonString(const char* text) {
    if (text == nullptr)
        return "null";
    std::string out = "\"";
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
        switch (*p) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (*p < 0x20 || *p >= 0x7F) {
                char escaped[8];
                snprintf(escaped, sizeof escaped, "\\u%04x", *p);
                out += escaped;
            } else {
                out += static_cast<char>(*p);
            }
        }
    }
    out += "\"";
    return out;
}

size_t LoggedEventCount() {
    return Memory().events.size();
}

const char* LoggedEvent(size_t index) {
    MemoryLog& log = Memory();
    return index < log.events.size() ? log.events[index].c_str() : nullptr;
}

} // namespace hostwin
