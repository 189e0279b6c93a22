// Reads a homologation file line by line, the way a text-mode stream of the system reads it:
// CR LF counts as one line feed, Ctrl-Z ends the file, and a line longer than the buffer
// comes in pieces. The rules are applied here, so every build reads the same bytes alike.
#pragma once

#include <stddef.h>
#include <stdio.h>

constexpr size_t kLineSize = 500; // a line read holds at most 499 characters and a zero

struct LineReader {
    FILE* file; // opened in binary mode
    unsigned char buffer[4096];
    size_t position;
    size_t length;
    bool ended; // end of file, Ctrl-Z or a read error
};

void StartLineReader(LineReader* reader, FILE* file);

// Fills line with the next line, its line feed included, and a terminating zero. Returns
// false when no character is left.
bool ReadNextLine(LineReader* reader, char (&line)[kLineSize]);
