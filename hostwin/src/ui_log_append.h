// Appending events to the UI log: <machine>/ui.jsonl, one JSON object a line, or in-memory
// records on the in-memory machine.
#pragma once

#include <stddef.h>

#include <string>

namespace hostwin {

// Appends one event, a JSON object written without a line end.
void LogEvent(const char* json_object_line);

// A text as a JSON string, "null" for a null pointer. ANSI bytes above 0x7F are read as
// Latin-1 and written as \u00XX, so that the line stays valid UTF-8.
std::string JsonString(const char* text);

// The in-memory machine's events since the reset.
size_t LoggedEventCount();
const char* LoggedEvent(size_t index);

} // namespace hostwin
