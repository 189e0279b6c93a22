// The uninstall information: the key that the package's installer leaves below
// HKEY_LOCAL_MACHINE, read whole into one record before anything is removed.
#pragma once

#include "softuninst/uninstall_status.h"

#include <windows.h>

const char kUninstallInfoKey[] = "Software\\TessalyUninstallInfo";

// Field widths in bytes, terminator included.
const DWORD kShortNameSize = 17;    // ModemProvider, ShortProductName, Class, AutoRunValue
const DWORD kFullNameSize = 65;     // FullCompanyName, FullProductName, DeviceServiceName
const DWORD kLongTextSize = 129;    // Version, UninstallKey, SoftwareKey, list items, texts
const DWORD kDeviceNameSize = 9;    // Device, WinVer, a device class name
const DWORD kRegistryNameSize = 65; // value, subkey and tag names

// List limits.
const DWORD kMaxFriendlyNames = 16;
const DWORD kMaxApplets = 8;
const DWORD kMaxInstalledFiles = 64;
const DWORD kMaxDeviceClasses = 4;
const DWORD kMaxStrings = 16;

// The data of one FriendlyNames or InstalledFiles value, terminator included.
const DWORD kFriendlyNamesDataSize = 2064;
const DWORD kInstalledFilesDataSize = 8256;

// The driver model that the WinVer value names.
enum DriverModel {
    kDriverModelNone = 0,
    kDriverModelWdm98 = 1,
    kDriverModelWdm2k = 2,
    kDriverModelNt4 = 3,
    kDriverModelVxd = 4,
};

struct AppletEntry {
    char Class[kShortNameSize];
    char Name[kLongTextSize];
    char AutoRunValue[kShortNameSize];
};

struct DeviceClassEntry {
    LONG Order; // -1: the value's name is not a number
    char ClassName[kDeviceNameSize];
};

struct StringEntry {
    char Tag[kRegistryNameSize];
    char Text[kLongTextSize];
};

// Lists are a count and a fixed array whose entries from 0 to count - 1 are filled in
// enumeration order; the rest stay zero.
struct UninstallInfo {
    char ModemProvider[kShortNameSize];
    char FullCompanyName[kFullNameSize];
    char ShortProductName[kShortNameSize];
    char FullProductName[kFullNameSize];
    char Version[kLongTextSize];
    char Device[kDeviceNameSize];
    char UninstallKey[kLongTextSize];
    DWORD FriendlyNameCount;
    char FriendlyNames[kMaxFriendlyNames][kLongTextSize];
    DWORD AppletCount;
    AppletEntry Applets[kMaxApplets];
    char SoftwareKey[kLongTextSize];
    DWORD InstalledFileCount;
    char InstalledFiles[kMaxInstalledFiles][kLongTextSize];
    ::DriverModel DriverModel;
    char DeviceServiceName[kFullNameSize];
    DWORD DeviceClassCount;
    DeviceClassEntry DeviceClasses[kMaxDeviceClasses];
    DWORD StringCount;
    StringEntry Strings[kMaxStrings];
};

// The run's one record: the progress dialog and the key deletion look texts up in it as well
// as the steps that receive it. Filled once by LoadUninstallInfo, then only read.
extern UninstallInfo g_uninstall_info;

// 0 when the uninstall information key exists, 1 when it cannot be opened (nothing is
// installed), 2 when closing it again fails. Shows nothing.
UninstallStatus UninstallInfoPresent();

// Clears info and reads the whole key into it, checking every size and limit. 0 when the
// record is complete; 1 when a value or subkey is missing, too long, over a limit or not a
// number, or reading fails (some of these reported, see the .cpp); 2 when a value of
// DeviceClassNames or InternationalizationStrings vanished between its two reads.
UninstallStatus LoadUninstallInfo(UninstallInfo* info);

// Sets entry's Order from a value name of decimal digits: "" gives 0; any other character,
// or a number beyond the signed 32-bit range, gives -1.
void ParseClassOrder(LPCSTR name, DeviceClassEntry* entry);

// The text stored under tag (compared without regard to case; the first match wins), or
// NULL after reporting "Unable to fetch uninstall string '<tag>'" when none matches.
LPCSTR LookupString(const UninstallInfo& info, LPCSTR tag);
