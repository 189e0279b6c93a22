// The UI log's append side. A machine's log is appended with one write per line, so that
// programs running one after another (or a parent and its child) keep their order.
#include "ui_log_append.h"

#include "internal.h"
#include "ui_log.h"

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
    if (MachineDirectory() == nullptr)
        Memory().events.push_back(json_object_line);
    // The one log that UiLog() reads, so that started programs appear among the boxes and
    // dialog changes in their order.
    UiAppendJson(json_object_line);
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
