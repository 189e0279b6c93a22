#include "homolset/line_reader.h"

namespace {

constexpr int kEnd = -1;
constexpr int kCtrlZ = 0x1A;

bool Refill(LineReader* r) {
    if (r->ended)
        return false;
    r->position = 0;
    r->length = fread(r->buffer, 1, sizeof r->buffer, r->file);
    if (r->length == 0) {
        r->ended = true; // a read error ends the file like its end
        return false;
    }
    return true;
}

int PeekByte(LineReader* r) {
    if (r->position == r->length && !Refill(r))
        return kEnd;
    return r->buffer[r->position];
}

// The next character after text-mode translation.
int NextChar(LineReader* r) {
    int c = PeekByte(r);
    if (c == kEnd)
        return kEnd;
    if (c == kCtrlZ) {
        r->ended = true;
        r->position = r->length;
        return kEnd;
    }
    ++r->position;
    if (c == '\r' && PeekByte(r) == '\n') {
        ++r->position;
        return '\n';
    }
    return c;
}

} // namespace

void StartLineReader(LineReader* reader, FILE* file) {
    reader->file = file;
    reader->position = 0;
    reader->length = 0;
    reader->ended = false;
}

bool ReadNextLine(LineReader* reader, char (&line)[kLineSize]) {
    size_t n = 0;
    while (n < kLineSize - 1) {
        int c = NextChar(reader);
        if (c == kEnd)
            break;
        line[n++] = static_cast<char>(c);
        if (c == '\n')
            break;
    }
    line[n] = '\0';
    return n > 0;
}
