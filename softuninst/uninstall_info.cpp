// Loading the uninstall information key into the run's UninstallInfo.
//
// Every message goes through ReportError and ends the load. Before "Unable to enumerate ..."
// the last-error code is set to the enumeration's error, so that the system's text of it
// follows; before the "Maximum number ...", "order is not a number" and "Unable to fetch
// uninstall string" messages it is cleared; before all others it is left as it is. Keys
// opened here are closed again on every path.
#include "softuninst/uninstall_info.h"

#include "common/report_error_softuninst.h"
#include "softuninst/registry_text.h"

#include <stddef.h>
#include <string.h>

UninstallInfo g_uninstall_info;

namespace {

// The loader's scratch buffers; their sizes set the limits of the key's layout.
char name_buffer[kRegistryNameSize];
char friendly_names_data[kFriendlyNamesDataSize];
char installed_files_data[kInstalledFilesDataSize];
char win_ver[kDeviceNameSize];

// The longest item of a FriendlyNames or InstalledFiles list, in characters.
const size_t kMaxItemLength = kLongTextSize - 1;

struct ScalarValue {
    const char* name;
    size_t offset; // of the field in UninstallInfo
    DWORD size;
    const char* message; // shown when the value is missing or too long
};

// The required scalar values read before FriendlyNames, in their order.
const ScalarValue kScalarValues[] = {
    {"ModemProvider", offsetof(UninstallInfo, ModemProvider), kShortNameSize,
     "Unable to uninstall: short company name is too long"},
    {"FullCompanyName", offsetof(UninstallInfo, FullCompanyName), kFullNameSize,
     "Unable to uninstall: full company name is too long"},
    {"ShortProductName", offsetof(UninstallInfo, ShortProductName), kShortNameSize,
     "Unable to uninstall: short product name is too long"},
    {"FullProductName", offsetof(UninstallInfo, FullProductName), kFullNameSize,
     "Unable to uninstall: full product name is too long"},
    {"Version", offsetof(UninstallInfo, Version), kLongTextSize,
     "Unable to uninstall: version is too long"},
    {"Device", offsetof(UninstallInfo, Device), kDeviceNameSize,
     "Unable to uninstall: device name is too long"},
    {"UninstallKey", offsetof(UninstallInfo, UninstallKey), kLongTextSize,
     "Unable to uninstall: uninstall key is too long"},
};

struct DriverModelWord {
    const char* win_ver; // compared exactly, letter case included
    DriverModel model;
};

const DriverModelWord kDriverModelWords[] = {
    {"WDM98", kDriverModelWdm98},
    {"WDM2k", kDriverModelWdm2k},
    {"NT4", kDriverModelNt4},
    {"VxD", kDriverModelVxd},
};

DriverModel DriverModelOf(const char* word) {
    for (const DriverModelWord& w : kDriverModelWords)
        if (strcmp(word, w.win_ver) == 0)
            return w.model;
    return kDriverModelNone;
}

// Ends a load: closes the keys given (null for none) and passes the status on.
UninstallStatus Fail(UninstallStatus status, HKEY first, HKEY second = NULL) {
    if (first != NULL)
        RegCloseKey(first);
    if (second != NULL)
        RegCloseKey(second);
    return status;
}

UninstallStatus ReadScalarValues(HKEY key, UninstallInfo* info) {
    for (const ScalarValue& v : kScalarValues) {
        char* field = reinterpret_cast<char*>(info) + v.offset;
        if (!ReadRegistryText(key, v.name, field, v.size)) {
            ReportError(v.message);
            return kUninstallInfoInvalid;
        }
    }
    return kUninstallDone;
}

// A list of items separated by ";" in the values of one subkey (FriendlyNames,
// InstalledFiles): every value's name is ignored, empty items are skipped.
struct ItemList {
    char (*items)[kLongTextSize];
    DWORD* count;
    DWORD max_items;
    char* data; // the scratch buffer for one value's data
    DWORD data_size;
};

// Appends the items of one value's data; false when an item is too long or the list full.
bool AppendItems(char* data, const ItemList& list) {
    for (char* item = strtok(data, ";"); item != NULL; item = strtok(NULL, ";")) {
        if (*list.count == list.max_items || strlen(item) > kMaxItemLength)
            return false;
        strcpy(list.items[(*list.count)++], item);
    }
    return true;
}

// Reads every value of the open key into the list, name and data in one call each.
bool ReadItemValues(HKEY key, const ItemList& list) {
    for (DWORD index = 0;; ++index) {
        DWORD name_size = sizeof name_buffer;
        DWORD data_size = list.data_size;
        LONG rc = RegEnumValueA(key, index, name_buffer, &name_size, NULL, NULL,
                                reinterpret_cast<LPBYTE>(list.data), &data_size);
        if (rc == ERROR_NO_MORE_ITEMS)
            return true;
        if (rc != ERROR_SUCCESS || !TerminateRegistryText(list.data, data_size, list.data_size))
            return false;
        if (!AppendItems(list.data, list))
            return false;
    }
}

// Reads an item-list subkey (FriendlyNames, InstalledFiles). A subkey that does not open is
// reported with open_message when there is one.
UninstallStatus ReadItemSubkey(HKEY key, const char* subkey, const ItemList& list,
                               const char* open_message) {
    HKEY items;
    if (RegOpenKeyExA(key, subkey, 0, KEY_READ, &items) != ERROR_SUCCESS) {
        if (open_message != NULL)
            ReportError(open_message);
        return kUninstallInfoInvalid;
    }
    if (!ReadItemValues(items, list))
        return Fail(kUninstallInfoInvalid, items);
    if (RegCloseKey(items) != ERROR_SUCCESS)
        return kUninstallInfoInvalid;
    return kUninstallDone;
}

UninstallStatus ReadFriendlyNames(HKEY key, UninstallInfo* info) {
    ItemList list = {info->FriendlyNames, &info->FriendlyNameCount, kMaxFriendlyNames,
                     friendly_names_data, sizeof friendly_names_data};
    return ReadItemSubkey(key, "FriendlyNames", list,
                          "Unable to uninstall: unable to open friendly names key");
}

UninstallStatus ReadApplet(HKEY applets, AppletEntry* entry) {
    HKEY applet;
    if (RegOpenKeyExA(applets, name_buffer, 0, KEY_READ, &applet) != ERROR_SUCCESS)
        return kUninstallInfoInvalid;
    // Each value is optional: one that is missing or too long leaves its field empty.
    ReadRegistryText(applet, "Class", entry->Class, sizeof entry->Class);
    ReadRegistryText(applet, "Name", entry->Name, sizeof entry->Name);
    ReadRegistryText(applet, "AutoRunValue", entry->AutoRunValue, sizeof entry->AutoRunValue);
    if (RegCloseKey(applet) != ERROR_SUCCESS) {
        ReportError("Unable to close configuration key");
        return kUninstallInfoInvalid;
    }
    return kUninstallDone;
}

UninstallStatus ReadApplets(HKEY key, UninstallInfo* info) {
    info->AppletCount = 0;
    HKEY applets;
    if (RegOpenKeyExA(key, "Applets", 0, KEY_READ, &applets) != ERROR_SUCCESS)
        return kUninstallDone; // the subkey is optional
    for (DWORD index = 0;; ++index) {
        LONG rc = RegEnumKeyA(applets, index, name_buffer, sizeof name_buffer);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc != ERROR_SUCCESS || info->AppletCount == kMaxApplets)
            return Fail(kUninstallInfoInvalid, applets);
        UninstallStatus status = ReadApplet(applets, &info->Applets[info->AppletCount]);
        if (status != kUninstallDone)
            return Fail(status, applets);
        ++info->AppletCount;
    }
    if (RegCloseKey(applets) != ERROR_SUCCESS) {
        ReportError("Unable to close configuration key");
        return kUninstallInfoInvalid;
    }
    return kUninstallDone;
}

UninstallStatus ReadInstalledFiles(HKEY key, UninstallInfo* info) {
    ItemList list = {info->InstalledFiles, &info->InstalledFileCount, kMaxInstalledFiles,
                     installed_files_data, sizeof installed_files_data};
    return ReadItemSubkey(key, "InstalledFiles", list, NULL); // every failure here is silent
}

// Asks for the name of the value at index only: ERROR_SUCCESS, ERROR_NO_MORE_ITEMS or the
// enumeration's error.
LONG EnumValueName(HKEY key, DWORD index) {
    DWORD name_size = sizeof name_buffer;
    return RegEnumValueA(key, index, name_buffer, &name_size, NULL, NULL, NULL, NULL);
}

// Reads name and data of the value at index, the name into name (kRegistryNameSize bytes),
// the data as a text into data (data_size bytes).
LONG EnumValueText(HKEY key, DWORD index, char* name, char* data, DWORD data_size) {
    DWORD name_size = kRegistryNameSize;
    DWORD size = data_size;
    LONG rc = RegEnumValueA(key, index, name, &name_size, NULL, NULL,
                            reinterpret_cast<LPBYTE>(data), &size);
    if (rc == ERROR_SUCCESS && !TerminateRegistryText(data, size, data_size))
        rc = ERROR_MORE_DATA;
    if (rc != ERROR_SUCCESS) {
        // What a failed read left in the buffers is undefined: the entry stays empty.
        name[0] = '\0';
        data[0] = '\0';
    }
    return rc;
}

UninstallStatus ReadDeviceClasses(HKEY key, UninstallInfo* info) {
    HKEY classes;
    if (RegOpenKeyExA(key, "DeviceClassNames", 0, KEY_READ, &classes) != ERROR_SUCCESS)
        return kUninstallInfoInvalid;
    for (DWORD index = 0;; ++index) {
        LONG rc = EnumValueName(classes, index);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc != ERROR_SUCCESS) {
            SetLastError(static_cast<DWORD>(rc));
            ReportError("Unable to enumerate device class names");
            return Fail(kUninstallInfoInvalid, classes);
        }
        if (info->DeviceClassCount == kMaxDeviceClasses) {
            SetLastError(0);
            ReportError("Maximum number of device class names exceeded");
            return Fail(kUninstallInfoInvalid, classes);
        }
        DeviceClassEntry* entry = &info->DeviceClasses[info->DeviceClassCount];
        rc = EnumValueText(classes, index, name_buffer, entry->ClassName, sizeof entry->ClassName);
        if (rc == ERROR_NO_MORE_ITEMS)
            return Fail(kUninstallSystemFailure, classes); // the key changed meanwhile
        if (rc != ERROR_SUCCESS)
            return Fail(kUninstallInfoInvalid, classes);
        ParseClassOrder(name_buffer, entry);
        if (entry->Order == -1) {
            SetLastError(0);
            ReportError("Device class '%s': order is not a number", entry->ClassName);
            return Fail(kUninstallInfoInvalid, classes);
        }
        ++info->DeviceClassCount;
    }
    if (RegCloseKey(classes) != ERROR_SUCCESS)
        return kUninstallInfoInvalid;
    return kUninstallDone;
}

// Reads InternationalizationStrings; the subkey stays open for the caller to close.
UninstallStatus ReadStrings(HKEY strings, UninstallInfo* info) {
    for (DWORD index = 0;; ++index) {
        LONG rc = EnumValueName(strings, index);
        if (rc == ERROR_NO_MORE_ITEMS)
            return kUninstallDone;
        if (rc != ERROR_SUCCESS) {
            SetLastError(static_cast<DWORD>(rc));
            ReportError("Unable to enumerate internationalization strings");
            return kUninstallInfoInvalid;
        }
        if (info->StringCount == kMaxStrings) {
            SetLastError(0);
            ReportError("Maximum number of internationalization strings exceeded");
            return kUninstallInfoInvalid;
        }
        StringEntry* entry = &info->Strings[info->StringCount];
        rc = EnumValueText(strings, index, entry->Tag, entry->Text, sizeof entry->Text);
        if (rc == ERROR_NO_MORE_ITEMS)
            return kUninstallSystemFailure; // the key changed meanwhile
        if (rc != ERROR_SUCCESS)
            return kUninstallInfoInvalid;
        ++info->StringCount;
    }
}

// Steps 3 to 12 of the load on the open uninstall information key, which the caller closes
// when this fails.
UninstallStatus ReadAll(HKEY key, UninstallInfo* info) {
    UninstallStatus status = ReadScalarValues(key, info);
    if (status == kUninstallDone)
        status = ReadFriendlyNames(key, info);
    if (status == kUninstallDone)
        status = ReadApplets(key, info);
    if (status != kUninstallDone)
        return status;
    if (!ReadRegistryText(key, "SoftwareKey", info->SoftwareKey, sizeof info->SoftwareKey))
        return kUninstallInfoInvalid;
    status = ReadInstalledFiles(key, info);
    if (status != kUninstallDone)
        return status;
    if (!ReadRegistryText(key, "WinVer", win_ver, sizeof win_ver))
        return kUninstallInfoInvalid;
    info->DriverModel = DriverModelOf(win_ver);
    // Optional: a service that cannot be read leaves the field empty.
    ReadRegistryText(key, "DeviceServiceName", info->DeviceServiceName,
                     sizeof info->DeviceServiceName);
    status = ReadDeviceClasses(key, info);
    if (status != kUninstallDone)
        return status;

    HKEY strings;
    if (RegOpenKeyExA(key, "InternationalizationStrings", 0, KEY_READ, &strings) != ERROR_SUCCESS) {
        ReportError("Unable to open internationalization strings registry key");
        return kUninstallInfoInvalid;
    }
    status = ReadStrings(strings, info);
    if (status != kUninstallDone)
        return Fail(status, strings);
    if (RegCloseKey(strings) != ERROR_SUCCESS)
        return kUninstallInfoInvalid;
    return kUninstallDone;
}

} // namespace

UninstallStatus UninstallInfoPresent() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallInfoKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return kUninstallInfoInvalid;
    if (RegCloseKey(key) != ERROR_SUCCESS)
        return kUninstallSystemFailure;
    return kUninstallDone;
}

UninstallStatus LoadUninstallInfo(UninstallInfo* info) {
    memset(info, 0, sizeof *info);
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallInfoKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return kUninstallInfoInvalid;
    UninstallStatus status = ReadAll(key, info);
    if (status != kUninstallDone)
        return Fail(status, key);
    if (RegCloseKey(key) != ERROR_SUCCESS)
        return kUninstallInfoInvalid;
    return kUninstallDone;
}

void ParseClassOrder(LPCSTR name, DeviceClassEntry* entry) {
    // Built in a wider type: a number beyond the signed 32-bit range is no order either.
    long long order = 0;
    for (const char* c = name; *c != '\0'; ++c) {
        if (*c < '0' || *c > '9') {
            entry->Order = -1;
            return;
        }
        order = order * 10 + (*c - '0');
        if (order > 0x7FFFFFFF) {
            entry->Order = -1;
            return;
        }
    }
    entry->Order = static_cast<LONG>(order);
}

LPCSTR LookupString(const UninstallInfo& info, LPCSTR tag) {
    for (DWORD i = 0; i < info.StringCount && i < kMaxStrings; ++i)
        if (lstrcmpiA(tag, info.Strings[i].Tag) == 0)
            return info.Strings[i].Text;
    SetLastError(0);
    ReportError("Unable to fetch uninstall string '%s'", tag);
    return NULL;
}
