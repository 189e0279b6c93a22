// gen_homolog: writes a large homologation file of a given number of lines to standard output,
// shaped like the real ones: a comment header, country sections of 20 to 120 parameters
// (about a quarter with minimum and maximum, numbers in decimal, hexadecimal and negative),
// comments and blank lines between them, and a registry section at the end with strings, byte
// lists, write-if-absent lines and deletions. Lines end with CR LF, as files written on the
// target system do. The same line count and seed always give the same file.
//
//   gen_homolog LINES [SEED] > file.ini
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

namespace {

const char* const kParameterStems[] = {
    "DialToneLevel",  "DialToneFreq",   "BusyToneOn",    "BusyToneOff",    "RingFrequency",
    "RingCadenceOn",  "RingCadenceOff", "TxLevel",       "RxGain",         "DtmfLevelHigh",
    "DtmfLevelLow",   "DtmfDuration",   "PulseMakeTime", "PulseBreakTime", "FlashTime",
    "BlindDialWait",  "CarrierWait",    "CarrierLoss",   "LineImpedance",  "CurrentLimit",
    "CallerIdType",   "CallerIdDelay",  "MaxTxPower",    "EchoCancel",     "AnswerDelay",
    "HookSwitchTime", "RingerEquiv",    "DialPause",     "V90Enable",      "BellTones",
};
constexpr unsigned kStemCount = sizeof kParameterStems / sizeof kParameterStems[0];

const char* const kSyllables[] = {"ar",  "bel", "cor", "dan", "el",  "fi", "gar", "hol",
                                  "is",  "ka",  "lor", "mon", "nor", "os", "pe",  "ri",
                                  "sta", "tu",  "val", "we",  "xo",  "ya", "zen", "qu"};
constexpr unsigned kSyllableCount = sizeof kSyllables / sizeof kSyllables[0];

// A small deterministic generator (xorshift64*), so that files are reproducible.
uint64_t state = 0x9E3779B97F4A7C15ULL;

uint32_t Next() {
    state ^= state >> 12;
    state ^= state << 25;
    state ^= state >> 27;
    return static_cast<uint32_t>((state * 0x2545F4914F6CDD1DULL) >> 32);
}

uint32_t Below(uint32_t n) {
    return Next() % n;
}

// What is left to write, and how many of those lines the current part must leave to the
// parts after it; every Emit ends one line.
unsigned long lines_left = 0;
unsigned long lines_kept = 0;

void Emit(const char* text) {
    if (lines_left <= lines_kept)
        return;
    fputs(text, stdout);
    fputs("\r\n", stdout);
    --lines_left;
}

// A made-up country name of two or three syllables, numbered to stay unique.
void CountryName(unsigned index, char* out, size_t size) {
    unsigned n = 2 + Below(2);
    size_t at = 0;
    for (unsigned i = 0; i < n; ++i)
        at += static_cast<size_t>(
            snprintf(out + at, size - at, "%s", kSyllables[Below(kSyllableCount)]));
    out[0] = static_cast<char>(out[0] - 'a' + 'A');
    snprintf(out + at, size - at, "%u", index);
}

void EmitNumber(char* out, size_t size) {
    switch (Below(6)) {
    case 0:
        snprintf(out, size, "0x%X", Below(0x10000));
        break;
    case 1:
        snprintf(out, size, "-%u", Below(100));
        break;
    default:
        snprintf(out, size, "%u", Below(5000));
        break;
    }
}

void EmitParameter(unsigned index) {
    char line[160];
    char value[24];
    const char* stem = kParameterStems[index % kStemCount];
    unsigned round = index / kStemCount;
    char name[48];
    if (round == 0)
        snprintf(name, sizeof name, "%s", stem);
    else
        snprintf(name, sizeof name, "%s%u", stem, round + 1);
    EmitNumber(value, sizeof value);
    if (Below(4) == 0) {
        int low = -static_cast<int>(Below(1000));
        unsigned high = 1000 + Below(60000);
        snprintf(line, sizeof line, "%s=%s,%d,%u", name, value, low, high);
    } else {
        snprintf(line, sizeof line, "%s=%s", name, value);
    }
    Emit(line);
}

void EmitCountry(unsigned index) {
    char name[64];
    char line[96];
    CountryName(index, name, sizeof name);
    snprintf(line, sizeof line, "; %s", name);
    Emit(line);
    snprintf(line, sizeof line, "[%s]", name);
    Emit(line);
    unsigned parameters = 20 + Below(101);
    for (unsigned i = 0; i < parameters && lines_left > lines_kept; ++i) {
        if (Below(30) == 0)
            Emit("; value checked by the approval lab");
        EmitParameter(i);
    }
    Emit("");
}

void EmitRegistryLine(unsigned index) {
    char line[200];
    unsigned group = index / 40;
    switch (Below(8)) {
    case 0:
        snprintf(line, sizeof line,
                 "HKLM,SOFTWARE\\Veltrane\\DeroRirid\\Settings%u,Pattern%u,1,%02X,%02X,%02X,%02X",
                 group, index, Below(256), Below(256), Below(256), Below(256));
        break;
    case 1:
        snprintf(line, sizeof line,
                 "HKLM,SOFTWARE\\Veltrane\\DeroRirid\\Settings%u,Default%u,2,\"initial value\"",
                 group, index);
        break;
    case 2:
        snprintf(line, sizeof line, "HKLM,SOFTWARE\\Veltrane\\DeroRirid\\Settings%u,Mask%u,3,FF,00",
                 group, index);
        break;
    case 3:
        snprintf(line, sizeof line, "HKLM,SOFTWARE\\Veltrane\\DeroRirid\\Settings%u,Old%u,0", group,
                 index);
        break;
    default:
        snprintf(line, sizeof line,
                 "HKLM,SOFTWARE\\Veltrane\\DeroRirid\\Settings%u,Label%u,0,Text%u", group, index,
                 Below(100000));
        break;
    }
    Emit(line);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        fprintf(stderr, "usage: %s LINES [SEED] > file.ini\n", argv[0]);
        return 2;
    }
    unsigned long lines = strtoul(argv[1], nullptr, 10);
    if (argc == 3)
        state ^= strtoull(argv[2], nullptr, 10) * 0x100000001B3ULL;
    lines_left = lines;

    // About 1 line in 50 goes to the registry section, which comes last.
    lines_kept = lines / 50 + 1;
    Emit("; Homologation parameters of the modem, one section per country.");
    Emit("; Values are 32-bit numbers; name=value,min,max gives the allowed range.");
    Emit("");
    for (unsigned country = 1; lines_left > lines_kept; ++country)
        EmitCountry(country);
    lines_kept = 0;
    Emit("[Registry]");
    for (unsigned i = 0; lines_left > 0; ++i)
        EmitRegistryLine(i);
    return fflush(stdout) == 0 ? 0 : 1;
}
