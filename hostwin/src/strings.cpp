// lstrlenA, lstrcmpiA and lstrcpynA.
//
// lstrcmpiA is the system's case-insensitive comparison of the ANSI code page (1252): letters
// compare equal to their other case, the accented ones of the code page included. Like the
// system's word sort it passes over hyphens and apostrophes first and orders punctuation
// before digits before letters; the finer linguistic order of the system (accents as a
// second-level difference, and so on) is not reproduced, only equality and this coarse order.
#include "internal.h"
#include "text_compare.h"

namespace {

unsigned char FoldCase(unsigned char c) {
    if (c >= 'A' && c <= 'Z')
        return static_cast<unsigned char>(c + ('a' - 'A'));
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) // À..Þ except ×
        return static_cast<unsigned char>(c + 0x20);
    switch (c) {
    case 0x8A: // Š
    case 0x8C: // Œ
    case 0x8E: // Ž
        return static_cast<unsigned char>(c + 0x10);
    case 0x9F: // Ÿ
        return 0xFF;
    default:
        return c;
    }
}

bool IsLetter(unsigned char c) {
    return (c >= 'a' && c <= 'z') || c == 0x9A || c == 0x9C || c == 0x9E || c == 0xFF ||
           (c >= 0xDF && c != 0xF7);
}

// The coarse sort weight of a case-folded byte: punctuation and symbols, then digits, then
// letters.
unsigned Weight(unsigned char folded) {
    if (IsLetter(folded))
        return 0x200u + folded;
    if (folded >= '0' && folded <= '9')
        return 0x100u + folded;
    return folded;
}

bool Ignored(char c) {
    return c == '-' || c == '\'';
}

int Compare(const char* a, const char* b, bool skip_ignored) {
    for (;;) {
        if (skip_ignored) {
            while (Ignored(*a))
                ++a;
            while (Ignored(*b))
                ++b;
        }
        unsigned wa = *a == '\0' ? 0 : Weight(FoldCase(static_cast<unsigned char>(*a)));
        unsigned wb = *b == '\0' ? 0 : Weight(FoldCase(static_cast<unsigned char>(*b)));
        if (*a == '\0' || *b == '\0' || wa != wb) {
            if (*a == '\0' && *b == '\0')
                return 0;
            if (*a == '\0')
                return -1;
            if (*b == '\0')
                return 1;
            return wa < wb ? -1 : 1;
        }
        ++a;
        ++b;
    }
}

int CountIgnored(const char* s) {
    int n = 0;
    for (; *s != '\0'; ++s)
        n += Ignored(*s) ? 1 : 0;
    return n;
}

} // namespace

namespace hostwin {

int CompareTextIgnoringCase(const char* first, const char* second) {
    if (first == nullptr || second == nullptr)
        return first == second ? 0 : (first == nullptr ? -1 : 1);
    int order = Compare(first, second, true);
    if (order != 0)
        return order;
    // Equal but for hyphens and apostrophes: the text with fewer of them comes first.
    int a = CountIgnored(first), b = CountIgnored(second);
    if (a != b)
        return a < b ? -1 : 1;
    return Compare(first, second, false);
}

} // namespace hostwin

int WINAPI lstrlenA(LPCSTR text) {
    DWORD error;
    hostwin::FaultHits("lstrlenA", &error); // counted only: the call has no failure
    if (text == nullptr)
        return 0;
    int n = 0;
    while (text[n] != '\0')
        ++n;
    return n;
}

int WINAPI lstrcmpiA(LPCSTR first, LPCSTR second) {
    DWORD error;
    hostwin::FaultHits("lstrcmpiA", &error); // counted only: the call has no failure
    return hostwin::CompareTextIgnoringCase(first, second);
}

LPSTR WINAPI lstrcpynA(LPSTR destination, LPCSTR source, int max_length) {
    DWORD error;
    hostwin::FaultHits("lstrcpynA", &error); // counted only: the call has no failure
    if (destination == nullptr || max_length <= 0)
        return destination;
    int i = 0;
    if (source != nullptr)
        for (; i < max_length - 1 && source[i] != '\0'; ++i)
            destination[i] = source[i];
    destination[i] = '\0';
    return destination;
}
