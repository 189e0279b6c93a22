// wvsprintfA / wsprintfA in the system's dialect with its 1024-character limit, and the lstr*
// helpers.
#include <hostwin/testing.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string.h>

#include <string>

namespace {

class Format : public ::testing::Test {
  protected:
    void SetUp() override { hostwin::ResetMachine(); }
};

// Columns: what wsprintfA printed, the expected text.
struct FormatCase {
    std::string printed;
    const char* expected;
};

template <typename... Args> std::string Print(const char* format, Args... args) {
    char buffer[1100];
    int n = wsprintfA(buffer, format, args...);
    EXPECT_EQ(n, static_cast<int>(strlen(buffer))) << format;
    return buffer;
}

TEST_F(Format, FollowsTheSystemDialect) {
    const char* null_text = nullptr;
    const WCHAR wide[] = {'w', 0x263A, 0}; // a character outside the code page becomes ?
    const FormatCase kCases[] = {
        {Print("Unable to delete file '%s'", "C:\\WINDOWS\\x.inf"),
         "Unable to delete file 'C:\\WINDOWS\\x.inf'"},
        {Print("(0x%08X)", 5u), "(0x00000005)"},
        {Print(" (0x%08X)", 0xE0000226u), " (0xE0000226)"},
        {Print("%08x", 0xABCDu), "0000abcd"},
        {Print("%x %X", 255u, 255u), "ff FF"},
        {Print("%d %i %u", -5, 42, 4294967295u), "-5 42 4294967295"},
        {Print("%lu %ld", 3000000000u, -7), "3000000000 -7"},
        {Print("%010ld", -1), "-000000001"}, // the sign before the zeros, inside the width
        {Print("%5d|%-5d|%05d", 42, 42, 42), "   42|42   |00042"},
        {Print("%.3d", 7), "007"},
        {Print("%c%c", 'o', 'k'), "ok"},
        {Print("%3c|%-3c|", 'a', 'b'), "  a|b  |"},
        {Print("%8s|%-8s|", "ab", "cd"), "      ab|cd      |"},
        {Print("%.2s", "abcdef"), "ab"},
        {Print("%s", null_text), "(null)"},
        {Print("100%%"), "100%"},
        {Print("%f and %q", 1), "f and q"}, // unknown types print their letter, take nothing
        {Print("%#x", 31u), "0x1f"},
        {Print("%I64u", 12345678901234ULL), "12345678901234"},
        {Print("%I64X", 0x123456789AULL), "123456789A"},
        {Print("%hs/%ls/%S", "narrow", wide, wide), "narrow/w?/w?"},
        {Print("trailing %"), "trailing "},
    };
    for (const FormatCase& c : kCases)
        EXPECT_EQ(c.printed, c.expected);
}

TEST_F(Format, CutsTheOutputAfter1024CharactersAndTerminatesIt) {
    std::string long_text(1500, 'x');
    char buffer[1100];
    memset(buffer, 'Z', sizeof buffer);
    EXPECT_EQ(wsprintfA(buffer, "%s", long_text.c_str()), 1024);
    EXPECT_EQ(strlen(buffer), 1024u);
    EXPECT_EQ(buffer[1025], 'Z'); // nothing written past the terminator

    memset(buffer, 'Z', sizeof buffer);
    EXPECT_EQ(wsprintfA(buffer, "%s", std::string(1023, 'y').c_str()), 1023);
    EXPECT_EQ(buffer[1023], '\0');
    EXPECT_EQ(buffer[1024], 'Z');

    memset(buffer, 'Z', sizeof buffer);
    EXPECT_EQ(wsprintfA(buffer, "ab%999999999d", 5), 1024); // a width past the limit
    EXPECT_EQ(strlen(buffer), 1024u);
    EXPECT_EQ(buffer[1025], 'Z');
}

void CallV(char* buffer, int* result, const char* format, ...) {
    va_list args;
    va_start(args, format);
    *result = wvsprintfA(buffer, format, args);
    va_end(args);
}

TEST_F(Format, TheVaListFormTakesTheSameArguments) {
    char buffer[1100];
    int n = 0;
    CallV(buffer, &n, "%s:%d:%08X", "path", 3, 2u);
    EXPECT_STREQ(buffer, "path:3:00000002");
    EXPECT_EQ(n, 15);
}

TEST_F(Format, AnInjectedFailureWritesNothing) {
    char buffer[16];
    memcpy(buffer, "untouched", 10);
    hostwin::FailCall("wvsprintfA", 1, ERROR_INVALID_PARAMETER);
    int n = -1;
    CallV(buffer, &n, "%s", "x");
    EXPECT_EQ(n, 0);
    EXPECT_STREQ(buffer, "untouched");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(Format, CompareIgnoringCaseAsTheSystemDoes) {
    EXPECT_EQ(lstrcmpiA("SZ_ERROR", "sz_error"), 0);
    EXPECT_EQ(lstrcmpiA(".INF", ".inf"), 0);
    EXPECT_EQ(lstrcmpiA("\xC9t\xC9", "\xE9t\xE9"), 0); // É/é of the ANSI code page
    EXPECT_LT(lstrcmpiA("abc", "abd"), 0);
    EXPECT_GT(lstrcmpiA("abd", "ABC"), 0);
    EXPECT_LT(lstrcmpiA("ab", "abc"), 0);
    EXPECT_LT(lstrcmpiA("a_1", "a1"), 0); // punctuation before digits
    EXPECT_LT(lstrcmpiA("9", "a"), 0);    // digits before letters
    EXPECT_NE(lstrcmpiA("co-op", "coop"), 0);
    EXPECT_GT(lstrcmpiA("co-op", "coop"), 0); // equal but for the hyphen: it comes later
    EXPECT_LT(lstrcmpiA(nullptr, ""), 0);
    EXPECT_EQ(lstrcmpiA(nullptr, nullptr), 0);
}

TEST_F(Format, CopyAndLengthHelpers) {
    char buffer[8];
    memset(buffer, 'Z', sizeof buffer);
    EXPECT_EQ(lstrcpynA(buffer, "abcdefghij", 5), buffer);
    EXPECT_STREQ(buffer, "abcd");
    EXPECT_EQ(buffer[5], 'Z');
    EXPECT_EQ(lstrlenA("abcd"), 4);
    EXPECT_EQ(lstrlenA(nullptr), 0);
}

} // namespace
