#include "homolset/fields.h"

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

size_t ReadField(const char* position, char* destination, size_t capacity, bool* overflowed) {
    size_t written = 0;
    bool overflow = false;
    auto put = [&](char c) {
        if (written + 1 < capacity)
            destination[written++] = c;
        else
            overflow = true;
    };
    const char* p = position;
    while (IsBlank(*p))
        ++p;
    bool quoting = false;
    if (*p == '"') {
        quoting = true;
        ++p;
    }
    size_t count = 0;
    for (;; ++p) {
        if (*p == ',') {
            count = static_cast<size_t>(p - position) + 1;
            break;
        }
        if (*p == '\0')
            break;
        if (*p == '"')
            quoting = false;
        else if (!IsBlank(*p) || quoting)
            put(*p);
    }
    if (capacity > 0)
        destination[written] = '\0';
    if (overflowed != nullptr)
        *overflowed = overflow;
    return count;
}

uint32_t ParseHexByte(const char* field) {
    uint32_t result = 0;
    for (const char* p = field; *p != '\0'; ++p) {
        char c = *p;
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        uint32_t digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<uint32_t>(c - '0');
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<uint32_t>(c - 'A' + 10);
        else
            break;
        result = result * 16 + digit; // only the low 8 bits matter; wrapping is harmless
    }
    return result;
}

namespace {

int DigitValue(char c, int base) {
    int v;
    if (c >= '0' && c <= '9')
        v = c - '0';
    else if (c >= 'a' && c <= 'f')
        v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        v = c - 'A' + 10;
    else
        return -1;
    return v < base ? v : -1;
}

// Reads digits of the base after an optional sign, saturating to the signed 32-bit range.
int32_t ConvertDigits(const char* p, int base_or_zero) {
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    int base = base_or_zero;
    if (base == 0) {
        if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
            base = 16;
            p += 2;
        } else if (p[0] == '0') {
            base = 8;
        } else {
            base = 10;
        }
    }
    const int64_t limit = negative ? 2147483648LL : 2147483647LL;
    int64_t magnitude = 0;
    for (int d; (d = DigitValue(*p, base)) >= 0; ++p) {
        magnitude = magnitude * base + d;
        if (magnitude > limit)
            magnitude = limit; // saturated; later digits cannot bring it back
    }
    return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

} // namespace

int32_t ConvertNumber(const char* text) {
    const char* p = text;
    while (IsBlank(*p))
        ++p;
    return ConvertDigits(p, 0);
}

int32_t ConvertDecimal(const char* text) {
    return ConvertDigits(text, 10);
}
