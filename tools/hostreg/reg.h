// hostreg: the registry of a machine directory seen the way Windows users see theirs, with
// reg.exe's syntax and output, through the Win32 registry functions of hostwin.
//
// One file per command; this header is the table of contents, grouped by file.
#pragma once

#include <windows.h>

#include <string>

// reg_shared.cpp: key names, messages, values and text encodings every command uses.

// A key named on the command line or in a .reg file: its root, the path below the root, and
// the full name as reg.exe prints it (long root name, path as the user spelled it).
struct KeyName {
    HKEY root;
    std::string path;
    std::string full;
};

// Takes "HKLM\path", "HKEY_LOCAL_MACHINE\path", "HKCU..." or "HKEY_CURRENT_USER..."; a trailing
// backslash is dropped. False for any other root.
bool ParseKeyName(const std::string& text, KeyName* out);

// Writes a line to standard output ending in CR LF, as reg.exe does.
void PrintLine(const std::string& line);

// Writes "ERROR: <message>" to standard error and returns the failure status 1.
int ReportError(const std::string& message);
int ReportInvalidSyntax(const char* command);
int ReportNotFound();
// For a registry error code that has no message of its own.
int ReportRegistryError(LONG code);

// Prints "The operation completed successfully." and returns 0.
int ReportSuccess();

// Asks a yes/no question on standard output and reads the answer from standard input;
// anything but "y" or "yes" (any case), including the end of input, is no.
bool AskYesNo(const std::string& question);

// "/name" or "-name", without regard to case.
bool IsOption(const char* argument, const char* name);

// "REG_SZ", ... for a type; "REG_NONE"-style names back to types.
std::string TypeName(DWORD type);
bool TypeByName(const char* name, DWORD* type);

struct Value {
    std::string name;
    DWORD type;
    std::string data;
};

// The value or subkey at an index; ERROR_NO_MORE_ITEMS past the last one.
LONG ReadValueAt(HKEY key, DWORD index, Value* out);
LONG ReadSubkeyAt(HKEY key, DWORD index, std::string* name);
// One value by name (null or "" for the default value).
LONG ReadValue(HKEY key, const char* name, Value* out);

// Deletes a key with everything below it.
LONG DeleteKeyTree(HKEY parent, const char* path);

// Text of the ANSI code page (1252) to UTF-16LE bytes and back; characters that the code
// page lacks become "?" and clear *exact.
std::string AnsiToUtf16(const std::string& text);
std::string Utf16ToAnsi(const std::string& bytes, bool* exact);

// query.cpp: "query KEY [/v NAME | /ve] [/s]"
int RunQuery(int argc, char** argv);

// add.cpp: "add KEY [/v NAME | /ve] [/t TYPE] [/d DATA] [/f]"
int RunAdd(int argc, char** argv);

// delete.cpp: "delete KEY [/v NAME | /ve | /va] [/f]"
int RunDelete(int argc, char** argv);

// import.cpp: "import FILE"
int RunImport(int argc, char** argv);

// export.cpp: "export KEY FILE [/y]"
int RunExport(int argc, char** argv);
