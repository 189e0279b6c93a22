// devinstall: Windows device installation of one modem on the machine in HOSTWIN_MACHINE,
// with the co-installer library that the modem's INF names, and the library's two utilities
// called the way outside programs call them.
//
// One file per job; this header is the table of contents, grouped by file.
#pragma once

#include <windows.h>
#include <setupapi.h>

#include <string>

// Exit statuses.
const int kExitDone = 0;       // done; for "install": the co-installer answered as expected
const int kExitUnexpected = 1; // "install": a co-installer answer was not the expected one
const int kExitCannotPlay = 2; // bad command line, INF, library or device

// inf_store.cpp: the INF directory.

// Copies the INF at a Windows path into the Windows INF directory as oemN.inf, the lowest N
// not taken, with its precompiled form oemN.pnf beside it; an INF already stored there with
// the same bytes keeps its name. The stored name ("oem0.inf") goes to stored_name.
bool StoreOemInf(const char* windows_path, std::string* stored_name, std::string* inf_text,
                 std::string* error);

// The co-installer that the INF registers: the first "CoInstallers32" line's quoted text,
// "LIBRARY.dll,EntryPoint". False when there is none.
bool FindCoInstaller(const std::string& inf_text, std::string* library, std::string* entry);

// library.cpp: loading the library as LoadLibrary and GetProcAddress would.

struct LoadedLibrary {
    void* handle;
    std::string host_path;
};

// Finds the library by name in the system directory, then the Windows directory, and loads it.
bool LoadLibraryByName(const std::string& name, LoadedLibrary* library, std::string* error);

// The address of an export named as the Windows export directory names it. The host library
// exports a decorated stdcall name "_Name@N" as "Name": ELF keeps "@" for symbol versions.
void* FindExport(const LoadedLibrary& library, const std::string& export_name);

void UnloadLibrary(LoadedLibrary* library);

// install.cpp: the installation itself.
int RunInstall(int argc, char** argv);

// utilities.cpp: IsDeviceInUse and KillMessageDaemon.
int RunIsDeviceInUse(int argc, char** argv);
int RunKillMessageDaemon(int argc, char** argv);
