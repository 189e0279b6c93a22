// Reading the in-memory machine's registry in tests, below HKEY_LOCAL_MACHINE.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

bool KeyExists(const std::string& path);

// The names of a key's subkeys in enumeration order; empty when the key is missing.
std::vector<std::string> SubkeysOf(const std::string& path);

// The names of a key's values in enumeration order.
std::vector<std::string> ValuesOf(const std::string& path);

// A value's type and bytes; false when the key or value is missing.
bool ReadValue(const std::string& path, const std::string& name, DWORD* type, std::string* data);

// Writes a value, creating the key.
void WriteValue(const std::string& path, const std::string& name, DWORD type,
                const std::string& data);

// Writes a REG_SZ value with its terminator.
void WriteString(const std::string& path, const std::string& name, const std::string& text);

// Creates a key (and every missing level).
void CreateKey(const std::string& path);

// The four bytes of a signed 32-bit number, least significant first.
std::string Le32(int32_t number);
