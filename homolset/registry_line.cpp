// A line of the registry section: "HKLM,key,value name,flags,data...".
//
// Two choices of ours, for lines that the format leaves open:
// - A key, value name or string longer than its limit (49, 49 and 63 characters) makes the
//   line be ignored. Cutting it would write to a key or value that the file does not name.
// - A line that ends before its value-name field ("HKLM" alone, or "HKLM,key") is ignored.
//   Read by the position rule it would delete a value named after its last field, which no
//   writer of such a line means.
#include "homolset/fields.h"
#include "homolset/line_handlers.h"

#include <string.h>

namespace {

constexpr size_t kScratchSize = 504;
constexpr size_t kNameSize = 50;   // key and value name: at most 49 characters
constexpr size_t kStringSize = 64; // string data: at most 63 characters
constexpr size_t kMaxBytes = 64;
constexpr REGSAM kReadWrite = KEY_READ | KEY_WRITE;

void DeleteValue(const char* key_path, const char* value_name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key_path, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return; // a missing key is not created just to delete from it
    RegDeleteValueA(key, value_name);
    RegCloseKey(key);
}

bool ValueExists(HKEY key, const char* value_name) {
    DWORD size = 0;
    return RegQueryValueExA(key, value_name, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS;
}

} // namespace

void ApplyRegistryLine(const char* line) {
    char scratch[kScratchSize];
    char key_path[kNameSize];
    char value_name[kNameSize];
    const char* p = line;
    bool overflowed = false;

    size_t count = ReadField(p, scratch, sizeof scratch);
    if (strcmp(scratch, "HKLM") != 0 || count == 0)
        return;
    p += count;

    count = ReadField(p, key_path, sizeof key_path, &overflowed);
    if (key_path[0] == '\0' || overflowed || count == 0)
        return;
    p += count;

    count = ReadField(p, value_name, sizeof value_name, &overflowed);
    if (value_name[0] == '\0' || overflowed)
        return;
    p += count;

    // With the value name as the last field, this read gives that field again and 0.
    count = ReadField(p, scratch, sizeof scratch);
    if (count == 0) {
        DeleteValue(key_path, value_name);
        return;
    }
    int32_t flags = ConvertDecimal(scratch);
    if (flags < 0 || flags > 3)
        return;
    p += count;

    const bool bytes = (flags & 1) != 0;
    const bool only_if_absent = (flags & 2) != 0;
    char text[kStringSize];
    BYTE data[kMaxBytes];
    DWORD size = 0;
    if (bytes) {
        while (size < kMaxBytes) {
            count = ReadField(p, scratch, sizeof scratch);
            data[size++] = static_cast<BYTE>(ParseHexByte(scratch) & 0xFF);
            if (count == 0)
                break;
            p += count;
        }
    } else {
        ReadField(p, text, sizeof text, &overflowed);
        if (overflowed)
            return;
        size = static_cast<DWORD>(strlen(text) + 1);
    }

    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key_path, 0, const_cast<LPSTR>(""),
                        REG_OPTION_NON_VOLATILE, kReadWrite, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    if (!only_if_absent || !ValueExists(key, value_name)) {
        if (bytes)
            RegSetValueExA(key, value_name, 0, REG_BINARY, data, size);
        else
            RegSetValueExA(key, value_name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), size);
    }
    RegCloseKey(key);
}
