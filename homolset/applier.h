// Applies a homologation file to the registry.
#pragma once

#include <windows.h>

#include <stdio.h>

// The modem's keys below HKEY_LOCAL_MACHINE.
constexpr const char* kProductKey = "SOFTWARE\\Veltrane\\DeroRirid";
constexpr const char* kCountryKey = "SOFTWARE\\Veltrane\\DeroRirid\\Country";
constexpr const char* kTimeStampValue = "HomolTimeStamp";
constexpr const char* kDefaultHomologationFile = "VTRXhom.ini";

// Stamps the time, replaces the country keys with the file's country sections and carries
// out its registry section. Returns the number of section keys made, or, when that is 0,
// the result of deleting the then empty Country key. Registry failures are passed over.
DWORD ApplyHomologationFile(FILE* file);
