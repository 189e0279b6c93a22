// The UI log: what the user would have seen, one JSON object a line, in order. On a machine
// directory it is ui.jsonl, shared by every program that runs there; on the in-memory machine
// it is a list that the unit tests read.
#pragma once

#include <string>

namespace hostwin {

// A record being built: {"event":...,"name":value,...}.
struct UiEntry {
    std::string json;
};

void UiBegin(UiEntry* entry, const char* event);
// A text field; a null text is written as JSON null. Every byte is written so that the JSON
// stays valid: quotes, backslashes, control characters and bytes from 0x80 are escaped.
void UiAddText(UiEntry* entry, const char* name, const char* text);
void UiAddNumber(UiEntry* entry, const char* name, long long value);
void UiAddBool(UiEntry* entry, const char* name, bool value);

// Closes the record and appends it to the machine's UI log.
void UiAppend(UiEntry* entry);

} // namespace hostwin
