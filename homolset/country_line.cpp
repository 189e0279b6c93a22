#include "homolset/fields.h"
#include "homolset/line_handlers.h"

#include <stdint.h>

#include <string.h>

namespace {

constexpr size_t kScratchSize = 504; // a name of at most 498 characters and "_min" fit

void WriteNumber(HKEY key, const char* name, int32_t number) {
    uint32_t bits = static_cast<uint32_t>(number);
    BYTE data[4] = {static_cast<BYTE>(bits), static_cast<BYTE>(bits >> 8),
                    static_cast<BYTE>(bits >> 16), static_cast<BYTE>(bits >> 24)};
    RegSetValueExA(key, name, 0, REG_BINARY, data, sizeof data);
}

} // namespace

void ApplyCountryLine(HKEY section_key, const char* line) {
    const char* equals = strchr(line, '=');
    if (equals == nullptr)
        return;
    char name[kScratchSize];
    size_t name_length = static_cast<size_t>(equals - line);
    if (name_length > kScratchSize - 5)
        return; // cannot happen with lines of at most 499 characters
    memcpy(name, line, name_length);
    name[name_length] = '\0';

    const char* value = equals + 1;
    WriteNumber(section_key, name, ConvertNumber(value));

    const char* first_comma = strchr(value, ',');
    const char* second_comma = first_comma != nullptr ? strchr(first_comma + 1, ',') : nullptr;
    if (second_comma == nullptr)
        return; // a minimum without a maximum is ignored
    strcpy(name + name_length, "_min");
    WriteNumber(section_key, name, ConvertNumber(first_comma + 1));
    strcpy(name + name_length, "_max");
    WriteNumber(section_key, name, ConvertNumber(second_comma + 1));
}
