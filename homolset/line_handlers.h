// What the applier does with each kind of content line, and the clearing of old keys.
#pragma once

#include <windows.h>

// Writes a parameter line "name=value[,min,max]" into the section key. A line without "="
// writes nothing.
void ApplyCountryLine(HKEY section_key, const char* line);

// Carries out one line of the registry section on HKEY_LOCAL_MACHINE.
void ApplyRegistryLine(const char* line);

// Deletes every subkey of key together with its subtree, deepest first. A subkey that cannot
// be deleted is passed over, and the others are still deleted.
void DeleteSubkeyTrees(HKEY key);
