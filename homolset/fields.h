// The readers that take a homologation line apart.
#pragma once

#include <stddef.h>
#include <stdint.h>

// The six characters that count as blanks in a homologation file.
bool IsBlank(char c);

// Reads one comma-separated field from position into destination (zero-terminated, at most
// capacity - 1 characters) and returns the count of characters up to and including the comma
// that ended it, or 0 when the field ended at the end of the line. Blanks are dropped outside
// quotes; a quote that opens the field keeps them until the next quote. When overflowed is
// given it tells whether the field had more characters than the destination holds.
size_t ReadField(const char* position, char* destination, size_t capacity,
                 bool* overflowed = nullptr);

// The value of the leading run of hexadecimal digits; the caller keeps its low 8 bits.
uint32_t ParseHexByte(const char* field);

// A parameter number: blanks, an optional sign, then hexadecimal after 0x, octal after a
// leading 0, decimal otherwise, saturated to the signed 32-bit range. No digits give 0.
int32_t ConvertNumber(const char* text);

// A flags number: an optional sign and decimal digits, saturated like ConvertNumber.
int32_t ConvertDecimal(const char* text);
