// What the SetupAPI files share: the device information set behind an HDEVINFO, and where a
// device's keys lie in the registry.
//
// An HDEVINFO points to a set in the memory of the process, as on Windows, and a device's
// SP_DEVINFO_DATA keeps a pointer to its element of the set in Reserved. A program and a
// library it loads each carry their own copy of hostwin; both copies are built from this one
// source, so the library reads the set that the program made. Everything else about a device
// lies in the registry, which every copy and every program shares.
#pragma once

#include <setupapi.h>

#include <stdint.h>

namespace hostwin {

constexpr uint32_t kDeviceSetMagic = 0x53444931;     // "1IDS"
constexpr uint32_t kDeviceElementMagic = 0x45444931; // "1IDE"
constexpr size_t kMaxDevicesInSet = 16;

struct DeviceSet;

struct DeviceElement {
    uint32_t magic; // kDeviceElementMagic while the element is in use
    DeviceSet* set;
    char instance_id[MAX_DEVICE_ID_LEN];
    GUID class_guid;
    DWORD devinst;
    bool registered; // false: a phantom whose instance key goes with the set
};

struct DeviceSet {
    uint32_t magic; // kDeviceSetMagic while the set lives
    bool has_class;
    GUID class_guid;
    DeviceElement devices[kMaxDevicesInSet];
};

// The set behind a handle, or null (last-error ERROR_INVALID_HANDLE).
DeviceSet* SetOfHandle(HDEVINFO handle);

// The element that device data names in the set, or null (last-error ERROR_INVALID_PARAMETER).
DeviceElement* ElementOfData(DeviceSet* set, const SP_DEVINFO_DATA* data);

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case, as the class keys are named.
void FormatGuid(const GUID& guid, char* out, size_t size);

// The key paths below HKEY_LOCAL_MACHINE; false when they do not fit.
bool InstanceKeyPath(const char* instance_id, char* out, size_t size);
bool ClassKeyPath(const GUID& class_guid, char* out, size_t size);

} // namespace hostwin
