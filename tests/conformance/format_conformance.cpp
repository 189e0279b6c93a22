// wvsprintfA and wsprintfA as Windows NT has them: the system's own formatting dialect (not
// the C runtime's) and its limit of 1024 characters, checked against whatever implements the
// Win32 API under this program: hostwin on Linux, Windows or Wine with MinGW.
//
// The dialect: %[-][#][0][width][.precision][size]type with the types c d i u x X s and the
// size l (the product formats with %s and %08X). A character after % that is no type is
// printed as it is and takes no argument; a null %s prints "(null)".
//
// The limit: Windows writes at most 1024 characters and then the terminator, 1025 bytes, and
// returns the number of characters written, 1024 when the output was cut. (Its documentation's
// "the maximum size of the buffer is 1,024 bytes" counts the characters; measurements on
// Windows reported with the documentation's corrections agree.) Wine cuts at 1023 characters
// and still returns 1024, and returns 1024 for an output of exactly 1023 characters as well:
// Wine's known gap. The output is cut where it reaches the limit, whatever is being written
// there ("copies the result to the output buffer ... character by character", as the
// documentation puts it): a number right-aligned in a field wider than the room left shows
// only blanks. Wine shortens the field instead so that the digits still fit: Wine's known gap.
#include "harness.h"

#include <windows.h>

#include <stdarg.h>
#include <string.h>

namespace {

const char kGuard = 0x11;
const size_t kLimit = 1024;
const char kWineLimit[] = "Wine stops at 1023 characters and returns 1024";
const char kWineField[] = "Wine shortens a field at the limit to keep its digits";

struct Printed {
    char text[kLimit + 2];
    int result;
};

// Formats with wvsprintfA, the form the product uses, into a buffer with room to spare.
Printed Print(const char* format, ...) {
    Printed p;
    memset(p.text, kGuard, sizeof p.text);
    va_list args;
    va_start(args, format);
    p.result = wvsprintfA(p.text, format, args);
    va_end(args);
    return p;
}

struct FormatCase {
    int line;
    Printed printed;
    const char* expected; // the text; the result is its length
};

void CheckCase(const FormatCase& c) {
    CHECK_STR_AT(c.line, c.printed.text, c.expected);
    CHECK_EQ_AT(c.line, c.printed.result, strlen(c.expected));
}

// The directives of the dialect, one row each. Columns: line, what was printed, the text.
void Directives() {
    const FormatCase cases[] = {
        {__LINE__, Print("plain text"), "plain text"},
        {__LINE__, Print("%s|%d|%u", "abc", -5, 4294967295u), "abc|-5|4294967295"},
        {__LINE__, Print("%i|%d", -2147483647 - 1, 2147483647), "-2147483648|2147483647"},
        {__LINE__, Print("%x|%X", 0xabcu, 0xabcu), "abc|ABC"},
        {__LINE__, Print("%lu|%ld|%li", 123456789ul, -7l, -8l), "123456789|-7|-8"},
        {__LINE__, Print("%lx|%lX", 0xFFFFFFFFul, 0xE0000226ul), "ffffffff|E0000226"},
        {__LINE__, Print("%c%c", 'A', 'z'), "Az"},
        {__LINE__, Print("100%%"), "100%"},
        {__LINE__, Print("[%5d|%-5d|%05d]", 42, 42, -42), "[   42|42   |-0042]"},
        {__LINE__, Print("%010ld", -1l), "-000000001"},
        {__LINE__, Print("%-05d|", 3), "3    |"}, // left alignment pads with blanks
        {__LINE__, Print("%-08X|", 5u), "5       |"},
        {__LINE__, Print("%u|%x|%X", -1, -1, -2), "4294967295|ffffffff|FFFFFFFE"},
        {__LINE__, Print("%08X", 5u), "00000005"},
        {__LINE__, Print("%08X", 0xE0000226u), "E0000226"},
        {__LINE__, Print("(0x%08X)", 2u), "(0x00000002)"},
        {__LINE__, Print(" (0x%08X)", 5u), " (0x00000005)"},
        {__LINE__, Print("%2X|%08x", 0x12345u, 0xabu), "12345|000000ab"}, // no cut to the width
        {__LINE__, Print("[%-5s|%5s]", "ab", "ab"), "[ab   |   ab]"},
        {__LINE__, Print("[%3c|%-3c]", 'x', 'y'), "[  x|y  ]"},
        {__LINE__, Print("%.2s|%5.3d", "abcdef", 7), "ab|  007"},
        {__LINE__, Print("%#x|%#X", 31u, 31u), "0x1f|0X1F"},
        {__LINE__, Print("'%s'", static_cast<const char*>(nullptr)), "'(null)'"},
        {__LINE__, Print("%.3s", static_cast<const char*>(nullptr)), "(nu"},
        {__LINE__, Print("Unable to delete file '%s'", "C:\\WINDOWS\\x.dms"),
         "Unable to delete file 'C:\\WINDOWS\\x.dms'"},
        // No type: the character is printed and the argument goes to the next directive.
        {__LINE__, Print("%y|%d", 7), "y|7"},
        {__LINE__, Print("%+d|%d", 3), "+d|3"},
        {__LINE__, Print("%e|%d", 4), "e|4"},
        {__LINE__, Print("trailing %"), "trailing "},
    };
    for (const FormatCase& c : cases)
        CheckCase(c);
}

// wsprintfA takes its arguments directly and formats as wvsprintfA does.
void DirectArguments() {
    char buffer[64];
    memset(buffer, kGuard, sizeof buffer);
    CHECK_EQ(wsprintfA(buffer, "%s=%d (0x%08X)", "code", 183, 183u), 21);
    CHECK_STR(buffer, "code=183 (0x000000B7)");
    CHECK_EQ(buffer[22], kGuard);
}

struct LimitCase {
    int line;
    size_t length;  // characters the format asks for
    size_t written; // characters Windows writes before the terminator
};

// Columns: line, the length asked for, the characters written. The text comes once from one
// long %s, once from the format's own text, once from a width.
const LimitCase kLimits[] = {
    {__LINE__, 1000, 1000}, {__LINE__, 1023, 1023}, {__LINE__, 1024, 1024},
    {__LINE__, 1025, 1024}, {__LINE__, 1500, 1024},
};

// Checks one output against the limit: the characters written, the terminator, the result,
// and that byte 1025 onwards is untouched. `field` when the text ends in a padded field.
void CheckLimited(int line, const char* buffer, int result, const char* source, size_t written,
                  bool field) {
    // Both Windows and Wine write nothing from byte 1025 on.
    CHECK_EQ_AT(line, buffer[kLimit + 1], kGuard);
    size_t common = written < kLimit - 1 ? written : kLimit - 1;
    conformance::BeginKnownGap(conformance::RunningUnderWine() && field && written >= kLimit,
                               kWineField);
    CHECK_AT(line, memcmp(buffer, source, common) == 0);
    conformance::EndKnownGap();
    conformance::BeginKnownGap(conformance::RunningUnderWine() && written >= kLimit - 1,
                               kWineLimit);
    CHECK_EQ_AT(line, result, written);
    CHECK_EQ_AT(line, strlen(buffer), written);
    CHECK_AT(line, memcmp(buffer, source, written) == 0);
    conformance::EndKnownGap();
}

void OutputLimit() {
    static char text[2048];
    memset(text, 'x', sizeof text - 1);
    static char format[2048];
    for (const LimitCase& c : kLimits) {
        char buffer[kLimit + 64];

        text[c.length] = '\0';
        memset(buffer, kGuard, sizeof buffer);
        CheckLimited(c.line, buffer, wsprintfA(buffer, "%s", text), text, c.written, false);

        memcpy(format, text, c.length + 1);
        memset(buffer, kGuard, sizeof buffer);
        CheckLimited(c.line, buffer, wsprintfA(buffer, format), text, c.written, false);

        // A number right-aligned in a field of the length: blanks, then the digit.
        memset(text, ' ', c.length - 1);
        text[c.length - 1] = '7';
        char width_format[16];
        wsprintfA(width_format, "%%%dd", static_cast<int>(c.length));
        memset(buffer, kGuard, sizeof buffer);
        CheckLimited(c.line, buffer, wsprintfA(buffer, width_format, 7), text, c.written, true);

        memset(text, 'x', sizeof text - 1);
    }
}

bool SetUp() {
    return true;
}

void TearDown() {}

const conformance::Case kCases[] = {
    {"Directives", Directives},
    {"DirectArguments", DirectArguments},
    {"OutputLimit", OutputLimit},
};

} // namespace

int main() {
    return conformance::RunCases(kCases, sizeof kCases / sizeof kCases[0], SetUp, TearDown);
}
