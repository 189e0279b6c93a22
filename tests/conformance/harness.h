// A tiny check harness for conformance programs that build both against hostwin on Linux and
// against the real Windows API with MinGW, where no test framework is at hand.
//
// Checks report the caller's file and line; helpers that check on behalf of a table row take
// the row's line and use the *_AT forms. A program lists its cases in a table and hands it to
// RunCases, which prints a closing line "N passed, N failed" (", N skipped" when a known gap
// was met) and returns the exit status: non-zero when any check failed.
#pragma once

#include <windows.h>

#include <stdio.h>
#include <string.h>

namespace conformance {

struct Tally {
    unsigned passed;
    unsigned failed;
    unsigned skipped;
};

inline Tally& Counts() {
    static Tally tally = {0, 0, 0};
    return tally;
}

inline const char*& CurrentCase() {
    static const char* name = "";
    return name;
}

// The known gap being checked, if any: while it is active a failure counts as skipped, with
// a line that gives the reason.
struct KnownGap {
    bool active;
    const char* reason;
    unsigned skipped_before;
};

inline KnownGap& CurrentGap() {
    static KnownGap gap = {false, nullptr, 0};
    return gap;
}

inline bool& InKnownGap() {
    return CurrentGap().active;
}

// Marks the checks up to EndKnownGap as a behaviour in which the platform under test is known
// to differ from Windows, when `active`; the reason, printed with each failure, says how.
inline void BeginKnownGap(bool active, const char* reason = nullptr) {
    CurrentGap().active = active;
    CurrentGap().reason = reason;
    CurrentGap().skipped_before = Counts().skipped;
}

// Ends the known gap. A gap that was active but whose checks all passed gets a note, so that
// a mark that no longer holds is seen.
inline void EndKnownGap() {
    KnownGap& gap = CurrentGap();
    if (gap.active && gap.skipped_before == Counts().skipped)
        printf("note: [%s] the known gap did not show%s%s\n", CurrentCase(),
               gap.reason != nullptr ? ": " : "", gap.reason != nullptr ? gap.reason : "");
    gap.active = false;
    gap.reason = nullptr;
}

// Wine announces itself through an export of its ntdll; Windows and the host have none.
inline bool RunningUnderWine() {
#ifdef _WIN32
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

inline bool Record(bool ok, const char* file, int line, const char* what) {
    if (ok) {
        ++Counts().passed;
        return true;
    }
    if (InKnownGap()) {
        ++Counts().skipped;
        const char* reason = CurrentGap().reason;
        printf("%s:%d: [%s] known gap%s%s%s: %s\n", file, line, CurrentCase(),
               reason != nullptr ? " (" : "", reason != nullptr ? reason : "",
               reason != nullptr ? ")" : "", what);
        return false;
    }
    ++Counts().failed;
    printf("%s:%d: [%s] FAILED: %s\n", file, line, CurrentCase(), what);
    return false;
}

inline bool CheckNumber(unsigned long long got, unsigned long long want, const char* file, int line,
                        const char* expression) {
    char what[512];
    snprintf(what, sizeof what, "%s is %llu (0x%llx), expected %llu (0x%llx)", expression, got, got,
             want, want);
    return Record(got == want, file, line, what);
}

// Copies a text for a report line, with CR, LF and other control characters written as
// escapes so that a line break in a text stays visible.
inline const char* Escaped(const char* text, char* out, size_t size) {
    if (text == nullptr)
        return "(null)";
    size_t at = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
         *p != '\0' && at + 5 < size; ++p) {
        if (*p == '\r' || *p == '\n') {
            out[at++] = '\\';
            out[at++] = *p == '\r' ? 'r' : 'n';
        } else if (*p < 0x20) {
            at += static_cast<size_t>(snprintf(out + at, size - at, "\\x%02x", *p));
        } else {
            out[at++] = static_cast<char>(*p);
        }
    }
    out[at] = '\0';
    return out;
}

inline bool CheckText(const char* got, const char* want, const char* file, int line,
                      const char* expression) {
    char what[1024];
    char got_text[400];
    char want_text[400];
    bool same = got != nullptr && want != nullptr && strcmp(got, want) == 0;
    snprintf(what, sizeof what, "%s is \"%s\", expected \"%s\"", expression,
             Escaped(got, got_text, sizeof got_text), Escaped(want, want_text, sizeof want_text));
    return Record(same, file, line, what);
}

inline bool CheckBytes(const void* got, const void* want, size_t size, const char* file, int line,
                       const char* expression) {
    char what[512];
    snprintf(what, sizeof what, "%s differs from the expected %u bytes", expression,
             static_cast<unsigned>(size));
    return Record(memcmp(got, want, size) == 0, file, line, what);
}

struct Case {
    const char* name;
    void (*run)();
};

// Runs each case in order between the fixture's set-up and tear-down; returns the exit status.
inline int RunCases(const Case* cases, size_t count, bool (*set_up)(), void (*tear_down)()) {
    if (!set_up()) {
        printf("set-up failed: no case ran\n");
        printf("%u passed, %u failed\n", Counts().passed, Counts().failed + 1);
        return 1;
    }
    for (size_t i = 0; i < count; ++i) {
        CurrentCase() = cases[i].name;
        cases[i].run();
    }
    CurrentCase() = "tear-down";
    tear_down();
    const Tally& t = Counts();
    if (t.skipped != 0)
        printf("%u passed, %u failed, %u skipped\n", t.passed, t.failed, t.skipped);
    else
        printf("%u passed, %u failed\n", t.passed, t.failed);
    return t.failed == 0 ? 0 : 1;
}

} // namespace conformance

#define CHECK_AT(line, condition) conformance::Record((condition), __FILE__, (line), #condition)
#define CHECK(condition) CHECK_AT(__LINE__, condition)

#define CHECK_EQ_AT(line, got, want)                                                               \
    conformance::CheckNumber(static_cast<unsigned long long>(got),                                 \
                             static_cast<unsigned long long>(want), __FILE__, (line), #got)
#define CHECK_EQ(got, want) CHECK_EQ_AT(__LINE__, got, want)

#define CHECK_STR_AT(line, got, want) conformance::CheckText((got), (want), __FILE__, (line), #got)
#define CHECK_STR(got, want) CHECK_STR_AT(__LINE__, got, want)

#define CHECK_BYTES_AT(line, got, want, size)                                                      \
    conformance::CheckBytes((got), (want), (size), __FILE__, (line), #got)
#define CHECK_BYTES(got, want, size) CHECK_BYTES_AT(__LINE__, got, want, size)
