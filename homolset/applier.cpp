#include "homolset/applier.h"

#include "homolset/line_handlers.h"
#include "homolset/line_reader.h"

#include <string.h>
#include <stdint.h>
#include <time.h>

namespace {

constexpr size_t kSectionNameSize = 504;
constexpr const char* kRegistrySection = "Registry";

LONG CreateKey(HKEY parent, const char* path, REGSAM access, HKEY* key) {
    return RegCreateKeyExA(parent, path, 0, const_cast<LPSTR>(""), REG_OPTION_NON_VOLATILE, access,
                           nullptr, key, nullptr);
}

// "HomolTimeStamp": the start of the run in seconds since 1970 as a signed 32-bit number,
// least significant byte first.
void StampTime() {
    HKEY key;
    if (CreateKey(HKEY_LOCAL_MACHINE, kProductKey, KEY_WRITE, &key) != ERROR_SUCCESS)
        return;
    uint32_t now = static_cast<uint32_t>(static_cast<int32_t>(time(nullptr)));
    BYTE data[4] = {static_cast<BYTE>(now), static_cast<BYTE>(now >> 8),
                    static_cast<BYTE>(now >> 16), static_cast<BYTE>(now >> 24)};
    RegSetValueExA(key, kTimeStampValue, 0, REG_BINARY, data, sizeof data);
    RegCloseKey(key);
}

// Opens the Country key and clears it of every country key of an earlier run.
HKEY OpenClearedCountryKey() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kCountryKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        DeleteSubkeyTrees(key);
        return key;
    }
    if (CreateKey(HKEY_LOCAL_MACHINE, kCountryKey, KEY_WRITE, &key) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

struct RunState {
    char section[kSectionNameSize]; // the current section name
    HKEY section_key;               // open from the section's first content line
    DWORD section_key_count;
    HKEY country_key;
};

void CloseSectionKey(RunState* run) {
    if (run->section_key != nullptr)
        RegCloseKey(run->section_key);
    run->section_key = nullptr;
}

void HandleSectionHead(RunState* run, const char* line) {
    const char* close = strchr(line, ']');
    if (close == nullptr)
        return; // not a head: the section goes on
    CloseSectionKey(run);
    size_t length = static_cast<size_t>(close - (line + 1));
    memcpy(run->section, line + 1, length); // at most 497 characters
    run->section[length] = '\0';
}

void HandleContentLine(RunState* run, const char* line) {
    if (strcmp(run->section, kRegistrySection) == 0) {
        ApplyRegistryLine(line);
        return;
    }
    if (run->section_key == nullptr) {
        // Counted whether or not the key could be made. The empty name opens Country itself.
        ++run->section_key_count;
        HKEY key = nullptr;
        if (CreateKey(run->country_key, run->section, KEY_WRITE, &key) == ERROR_SUCCESS)
            run->section_key = key;
        else
            return;
    }
    ApplyCountryLine(run->section_key, line);
}

} // namespace

DWORD ApplyHomologationFile(FILE* file) {
    StampTime();

    RunState run;
    run.section[0] = '\0';
    run.section_key = nullptr;
    run.section_key_count = 0;
    run.country_key = OpenClearedCountryKey();

    LineReader reader;
    StartLineReader(&reader, file);
    char line[kLineSize];
    while (ReadNextLine(&reader, line)) {
        if (line[0] == ';')
            continue;
        if (line[0] == '[')
            HandleSectionHead(&run, line);
        else
            HandleContentLine(&run, line);
    }
    CloseSectionKey(&run);

    if (run.country_key != nullptr)
        RegCloseKey(run.country_key);
    if (run.section_key_count != 0)
        return run.section_key_count;
    return static_cast<DWORD>(RegDeleteKeyA(HKEY_LOCAL_MACHINE, kCountryKey));
}
