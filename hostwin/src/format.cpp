// wvsprintfA and wsprintfA: the system's own formatting dialect, not the C runtime's.
//
// A directive is %[-][#][0][width][.precision][size]type. Sizes: h (short), l (long, 32 bits
// as on Windows), w (wide), I64 (64 bits), I32, I (pointer-sized). Types: c C d i u x X s S p.
// A precision cuts a text and gives a number its least count of characters (the sign
// included); 0 gives zero padding to the width, after the sign. A null %s prints "(null)". An
// unknown type character is printed as it is and takes no argument; %% prints %.
//
// At most 1024 characters are written, then the terminator, so the buffer needs 1025 bytes
// for the longest output; the result is the number of characters written, 1024 when the
// output was cut there (as Windows does: "the maximum size of the buffer is 1024").
#include "internal.h"

#include <string.h>

namespace {

constexpr size_t kMaxOutput = 1024;

struct Output {
    LPSTR buffer;
    size_t count;
};

// False once the 1024 characters are written.
bool Put(Output* out, char c) {
    if (out->count >= kMaxOutput)
        return false;
    out->buffer[out->count++] = c;
    return true;
}

bool PutRepeated(Output* out, char c, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (!Put(out, c))
            return false;
    return true;
}

enum class Kind { kUnknown, kChar, kWideChar, kText, kWideText, kSigned, kUnsigned, kHex };
enum class Size { kDefault, kShort, kLong, kWide, kPointer, k64 };

struct Directive {
    bool left;
    bool prefix;
    bool zero;
    size_t width;
    size_t precision;
    Size size;
    Kind kind;
    bool upper;
};

size_t ReadCount(const char** p) {
    size_t n = 0;
    while (**p >= '0' && **p <= '9') {
        if (n <= kMaxOutput) // larger values pad no further than the output can go
            n = n * 10 + static_cast<size_t>(**p - '0');
        ++*p;
    }
    return n;
}

// Reads the directive after the %; returns where the type character was, or for an unknown
// type, the type character itself, which is then printed as text.
const char* ReadDirective(const char* p, Directive* d) {
    *d = Directive{};
    if (*p == '-') {
        d->left = true;
        ++p;
    }
    if (*p == '#') {
        d->prefix = true;
        ++p;
    }
    if (*p == '0') {
        d->zero = true;
        ++p;
    }
    d->width = ReadCount(&p);
    if (*p == '.') {
        ++p;
        d->precision = ReadCount(&p);
    }
    if (*p == 'l') {
        d->size = Size::kLong;
        ++p;
    } else if (*p == 'h') {
        d->size = Size::kShort;
        ++p;
    } else if (*p == 'w') {
        d->size = Size::kWide;
        ++p;
    } else if (*p == 'I') {
        if (p[1] == '6' && p[2] == '4') {
            d->size = Size::k64;
            p += 3;
        } else if (p[1] == '3' && p[2] == '2') {
            p += 3;
        } else {
            d->size = Size::kPointer;
            ++p;
        }
    }
    switch (*p) {
    case 'c':
        d->kind = d->size == Size::kLong || d->size == Size::kWide ? Kind::kWideChar : Kind::kChar;
        break;
    case 'C':
        d->kind = d->size == Size::kShort ? Kind::kChar : Kind::kWideChar;
        break;
    case 'd':
    case 'i':
        d->kind = Kind::kSigned;
        break;
    case 'u':
        d->kind = Kind::kUnsigned;
        break;
    case 's':
        d->kind = d->size == Size::kLong || d->size == Size::kWide ? Kind::kWideText : Kind::kText;
        break;
    case 'S':
        d->kind = d->size == Size::kShort ? Kind::kText : Kind::kWideText;
        break;
    case 'p':
        d->width = 2 * sizeof(void*);
        d->zero = true;
        d->size = Size::kPointer;
        d->upper = true;
        d->kind = Kind::kHex;
        break;
    case 'X':
        d->upper = true;
        d->kind = Kind::kHex;
        break;
    case 'x':
        d->kind = Kind::kHex;
        break;
    default:
        d->kind = Kind::kUnknown;
        break;
    }
    return p;
}

// A wide character in the ANSI code page: the Latin-1 range as it is, anything else as '?'.
char NarrowOf(WCHAR c) {
    return c < 0x100 ? static_cast<char>(c) : '?';
}

bool PutPadded(Output* out, const Directive& d, size_t length, bool (*body)(Output*, void*),
               void* context) {
    size_t pad = d.width > length ? d.width - length : 0;
    if (!d.left && !PutRepeated(out, ' ', pad))
        return false;
    if (!body(out, context))
        return false;
    return !d.left || PutRepeated(out, ' ', pad);
}

struct TextArg {
    const char* text;
    size_t length;
};

bool PutText(Output* out, void* context) {
    TextArg* t = static_cast<TextArg*>(context);
    for (size_t i = 0; i < t->length; ++i)
        if (!Put(out, t->text[i]))
            return false;
    return true;
}

struct WideTextArg {
    const WCHAR* text;
    size_t length;
};

bool PutWideText(Output* out, void* context) {
    WideTextArg* t = static_cast<WideTextArg*>(context);
    for (size_t i = 0; i < t->length; ++i)
        if (!Put(out, NarrowOf(t->text[i])))
            return false;
    return true;
}

bool PutNumber(Output* out, const Directive& d, unsigned long long magnitude, bool negative) {
    char digits[24];
    size_t n = 0;
    unsigned base = d.kind == Kind::kHex ? 16 : 10;
    const char* symbols = d.upper ? "0123456789ABCDEF" : "0123456789abcdef";
    do {
        digits[n++] = symbols[magnitude % base];
        magnitude /= base;
    } while (magnitude != 0);

    size_t sign = negative ? 1 : 0;
    size_t prefix = d.prefix && d.kind == Kind::kHex ? 2 : 0;
    size_t zeros = 0;
    if (d.precision > sign + n)
        zeros = d.precision - sign - n;
    if (d.zero && !d.left && d.width > sign + prefix + n + zeros)
        zeros = d.width - sign - prefix - n;
    size_t length = sign + prefix + zeros + n;
    size_t pad = d.width > length ? d.width - length : 0;

    if (!d.left && !PutRepeated(out, ' ', pad))
        return false;
    if (negative && !Put(out, '-'))
        return false;
    if (prefix != 0 && (!Put(out, '0') || !Put(out, d.upper ? 'X' : 'x')))
        return false;
    if (!PutRepeated(out, '0', zeros))
        return false;
    while (n > 0)
        if (!Put(out, digits[--n]))
            return false;
    return !d.left || PutRepeated(out, ' ', pad);
}

bool PutChar(Output* out, void* context) {
    return Put(out, *static_cast<char*>(context));
}

// Formats into out; false once the output is full.
bool Format(Output* out, const char* format, va_list args) {
    const char* p = format;
    while (*p != '\0') {
        if (*p != '%') {
            if (!Put(out, *p++))
                return false;
            continue;
        }
        ++p;
        if (*p == '%') {
            if (!Put(out, *p++))
                return false;
            continue;
        }
        Directive d;
        p = ReadDirective(p, &d);
        switch (d.kind) {
        case Kind::kUnknown:
            continue; // the character at p is printed as text
        case Kind::kChar: {
            char c = static_cast<char>(va_arg(args, int));
            if (!PutPadded(out, d, 1, PutChar, &c))
                return false;
            break;
        }
        case Kind::kWideChar: {
            char c = NarrowOf(static_cast<WCHAR>(va_arg(args, int)));
            if (!PutPadded(out, d, 1, PutChar, &c))
                return false;
            break;
        }
        case Kind::kText: {
            TextArg t{va_arg(args, const char*), 0};
            if (t.text == nullptr)
                t.text = "(null)";
            while (t.text[t.length] != '\0' && (d.precision == 0 || t.length < d.precision))
                ++t.length;
            if (!PutPadded(out, d, t.length, PutText, &t))
                return false;
            break;
        }
        case Kind::kWideText: {
            static const WCHAR kNull[] = {'(', 'n', 'u', 'l', 'l', ')', 0};
            WideTextArg t{va_arg(args, const WCHAR*), 0};
            if (t.text == nullptr)
                t.text = kNull;
            while (t.text[t.length] != 0 && (d.precision == 0 || t.length < d.precision))
                ++t.length;
            if (!PutPadded(out, d, t.length, PutWideText, &t))
                return false;
            break;
        }
        case Kind::kSigned: {
            long long value;
            if (d.size == Size::k64)
                value = va_arg(args, long long);
            else if (d.size == Size::kPointer)
                value = va_arg(args, intptr_t);
            else
                value = va_arg(args, int32_t);
            unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                                     : static_cast<unsigned long long>(value);
            if (!PutNumber(out, d, magnitude, value < 0))
                return false;
            break;
        }
        case Kind::kUnsigned:
        case Kind::kHex: {
            unsigned long long value;
            if (d.size == Size::k64)
                value = va_arg(args, unsigned long long);
            else if (d.size == Size::kPointer)
                value = va_arg(args, uintptr_t);
            else
                value = va_arg(args, uint32_t);
            if (!PutNumber(out, d, value, false))
                return false;
            break;
        }
        }
        ++p;
    }
    return true;
}

int FormatInto(LPSTR buffer, LPCSTR format, va_list args) {
    if (buffer == nullptr || format == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Output out{buffer, 0};
    Format(&out, format, args);
    buffer[out.count] = '\0';
    return static_cast<int>(out.count);
}

} // namespace

int WINAPI wvsprintfA(LPSTR buffer, LPCSTR format, va_list args) {
    DWORD error;
    if (hostwin::FaultHits("wvsprintfA", &error)) {
        SetLastError(error);
        return 0;
    }
    va_list copy;
    va_copy(copy, args);
    int n = FormatInto(buffer, format, copy);
    va_end(copy);
    return n;
}

int WINAPIV wsprintfA(LPSTR buffer, LPCSTR format, ...) {
    DWORD error;
    if (hostwin::FaultHits("wsprintfA", &error)) {
        SetLastError(error);
        return 0;
    }
    va_list args;
    va_start(args, format);
    int n = FormatInto(buffer, format, args);
    va_end(args);
    return n;
}
