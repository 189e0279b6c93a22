// Device information sets and their devices: SetupDiCreateDeviceInfoList,
// SetupDiDestroyDeviceInfoList, SetupDiCreateDeviceInfoA and SetupDiRegisterDeviceInfo.
//
// Windows facts kept here: a device is created as a phantom whose instance key exists at
// once and is removed with the set unless the device was registered; instance ids are kept
// in upper case; a generated id is ROOT\<NAME>\NNNN with the lowest free NNNN; a set made for
// one class refuses devices of another (ERROR_CLASS_MISMATCH); device data with a wrong cbSize
// fails the call with ERROR_INVALID_USER_BUFFER after the device has been created.
#include "internal.h"
#include "setupapi_sets.h"

#include <ctype.h>
#include <new>
#include <strings.h>
#include <stdio.h>
#include <string.h>

namespace hostwin {

namespace {

DWORD next_devinst = 1;

bool SameGuid(const GUID& a, const GUID& b) {
    return memcmp(&a, &b, sizeof a) == 0;
}

bool KeyExists(const char* path) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

bool InstanceTaken(const DeviceSet* set, const char* instance_id) {
    for (const DeviceElement& device : set->devices)
        if (device.magic == kDeviceElementMagic && strcasecmp(device.instance_id, instance_id) == 0)
            return true;
    char path[512];
    return !InstanceKeyPath(instance_id, path, sizeof path) || KeyExists(path);
}

void CopyUpper(const char* text, char* out, size_t size) {
    size_t i = 0;
    for (; text[i] != '\0' && i + 1 < size; ++i)
        out[i] = static_cast<char>(toupper(static_cast<unsigned char>(text[i])));
    out[i] = '\0';
}

// The instance id for a device name; 0 or the error to fail with.
DWORD InstanceIdOf(const DeviceSet* set, const char* name, DWORD flags, char* id) {
    size_t length = strlen(name);
    if ((flags & DICD_GENERATE_ID) == 0) {
        if (length == 0 || length >= MAX_DEVICE_ID_LEN)
            return ERROR_INVALID_DEVINST_NAME;
        CopyUpper(name, id, MAX_DEVICE_ID_LEN);
        return InstanceTaken(set, id) ? ERROR_DEVINST_ALREADY_EXISTS : 0;
    }
    if (length == 0 || strchr(name, '\\') != nullptr || length + 10 >= MAX_DEVICE_ID_LEN)
        return ERROR_INVALID_DEVINST_NAME;
    char upper[MAX_DEVICE_ID_LEN - 10]; // "ROOT\\" + name + "\\NNNN" fits an id
    CopyUpper(name, upper, sizeof upper);
    for (unsigned n = 0; n <= 9999; ++n) {
        snprintf(id, MAX_DEVICE_ID_LEN, "ROOT\\%s\\%04u", upper, n);
        if (!InstanceTaken(set, id))
            return 0;
    }
    return ERROR_DEVINST_ALREADY_EXISTS;
}

// Writes the new device's instance key.
DWORD CreateInstanceKey(const char* instance_id, const GUID& class_guid, const char* description) {
    char path[512], guid[40];
    if (!InstanceKeyPath(instance_id, path, sizeof path))
        return ERROR_INVALID_DEVINST_NAME;
    HKEY key;
    LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr);
    if (rc != ERROR_SUCCESS)
        return static_cast<DWORD>(rc);
    FormatGuid(class_guid, guid, sizeof guid);
    rc = RegSetValueExA(key, "ClassGUID", 0, REG_SZ, reinterpret_cast<const BYTE*>(guid),
                        static_cast<DWORD>(strlen(guid) + 1));
    if (rc == ERROR_SUCCESS && description != nullptr)
        rc =
            RegSetValueExA(key, "DeviceDesc", 0, REG_SZ, reinterpret_cast<const BYTE*>(description),
                           static_cast<DWORD>(strlen(description) + 1));
    RegCloseKey(key);
    return static_cast<DWORD>(rc);
}

void FillData(const DeviceElement& device, SP_DEVINFO_DATA* data) {
    data->ClassGuid = device.class_guid;
    data->DevInst = device.devinst;
    data->Reserved = reinterpret_cast<ULONG_PTR>(&device);
}

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

} // namespace

DeviceSet* SetOfHandle(HDEVINFO handle) {
    DeviceSet* set = static_cast<DeviceSet*>(handle);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE ||
        reinterpret_cast<uintptr_t>(handle) % alignof(DeviceSet) != 0 ||
        set->magic != kDeviceSetMagic) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return set;
}

DeviceElement* ElementOfData(DeviceSet* set, const SP_DEVINFO_DATA* data) {
    if (data == nullptr || data->cbSize != sizeof(SP_DEVINFO_DATA)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    uintptr_t at = data->Reserved;
    uintptr_t first = reinterpret_cast<uintptr_t>(&set->devices[0]);
    uintptr_t end = reinterpret_cast<uintptr_t>(&set->devices[kMaxDevicesInSet]);
    if (at < first || at >= end || (at - first) % sizeof(DeviceElement) != 0 ||
        reinterpret_cast<DeviceElement*>(at)->magic != kDeviceElementMagic) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return reinterpret_cast<DeviceElement*>(at);
}

void FormatGuid(const GUID& guid, char* out, size_t size) {
    snprintf(out, size, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", guid.Data1,
             guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3],
             guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
}

bool InstanceKeyPath(const char* instance_id, char* out, size_t size) {
    int n = snprintf(out, size, "SYSTEM\\CurrentControlSet\\Enum\\%s", instance_id);
    return n > 0 && static_cast<size_t>(n) < size;
}

bool ClassKeyPath(const GUID& class_guid, char* out, size_t size) {
    char guid[40];
    FormatGuid(class_guid, guid, sizeof guid);
    int n = snprintf(out, size, "SYSTEM\\CurrentControlSet\\Control\\Class\\%s", guid);
    return n > 0 && static_cast<size_t>(n) < size;
}

} // namespace hostwin

using hostwin::DeviceElement;
using hostwin::DeviceSet;

HDEVINFO WINAPI SetupDiCreateDeviceInfoList(const GUID* class_guid, HWND) {
    DWORD error;
    if (hostwin::FaultHits("SetupDiCreateDeviceInfoList", &error)) {
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    DeviceSet* set = new (std::nothrow) DeviceSet;
    if (set == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return INVALID_HANDLE_VALUE;
    }
    memset(set, 0, sizeof *set);
    set->magic = hostwin::kDeviceSetMagic;
    set->has_class = class_guid != nullptr;
    if (class_guid != nullptr)
        set->class_guid = *class_guid;
    return set;
}

// The instance keys of devices that were never registered go with the set.
BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO device_info_set) {
    DWORD error;
    if (hostwin::FaultHits("SetupDiDestroyDeviceInfoList", &error))
        return hostwin::Fail(error);
    DeviceSet* set = hostwin::SetOfHandle(device_info_set);
    if (set == nullptr)
        return FALSE;
    hostwin::InternalCalls internal;
    for (DeviceElement& device : set->devices) {
        char path[512];
        if (device.magic == hostwin::kDeviceElementMagic && !device.registered &&
            hostwin::InstanceKeyPath(device.instance_id, path, sizeof path))
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, path);
        device.magic = 0;
    }
    set->magic = 0;
    delete set;
    return TRUE;
}

BOOL WINAPI SetupDiCreateDeviceInfoA(HDEVINFO device_info_set, LPCSTR device_name,
                                     const GUID* class_guid, LPCSTR device_description, HWND,
                                     DWORD creation_flags, PSP_DEVINFO_DATA device_info_data) {
    DWORD error;
    if (hostwin::FaultHits("SetupDiCreateDeviceInfoA", &error))
        return hostwin::Fail(error);
    if (device_name == nullptr)
        return hostwin::Fail(ERROR_INVALID_DEVINST_NAME);
    DeviceSet* set = hostwin::SetOfHandle(device_info_set);
    if (set == nullptr)
        return FALSE;
    if ((creation_flags & ~static_cast<DWORD>(DICD_GENERATE_ID | DICD_INHERIT_CLASSDRVS)) != 0)
        return hostwin::Fail(ERROR_INVALID_FLAGS);
    if (class_guid == nullptr)
        return hostwin::Fail(ERROR_INVALID_PARAMETER);
    if (set->has_class && !hostwin::SameGuid(set->class_guid, *class_guid))
        return hostwin::Fail(ERROR_CLASS_MISMATCH);

    hostwin::InternalCalls internal;
    char id[MAX_DEVICE_ID_LEN];
    if ((error = hostwin::InstanceIdOf(set, device_name, creation_flags, id)) != 0)
        return hostwin::Fail(error);
    DeviceElement* device = nullptr;
    for (DeviceElement& slot : set->devices) {
        if (slot.magic != hostwin::kDeviceElementMagic) {
            device = &slot;
            break;
        }
    }
    if (device == nullptr)
        return hostwin::Fail(ERROR_NOT_ENOUGH_MEMORY);
    if ((error = hostwin::CreateInstanceKey(id, *class_guid, device_description)) != 0)
        return hostwin::Fail(error);
    memset(device, 0, sizeof *device);
    device->magic = hostwin::kDeviceElementMagic;
    device->set = set;
    memcpy(device->instance_id, id, sizeof id);
    device->class_guid = *class_guid;
    device->devinst = hostwin::next_devinst++;
    if (device_info_data != nullptr) {
        if (device_info_data->cbSize != sizeof(SP_DEVINFO_DATA))
            return hostwin::Fail(ERROR_INVALID_USER_BUFFER);
        hostwin::FillData(*device, device_info_data);
    }
    return TRUE;
}

// Registering without looking for duplicates is all that is provided.
BOOL WINAPI SetupDiRegisterDeviceInfo(HDEVINFO device_info_set, PSP_DEVINFO_DATA device_info_data,
                                      DWORD flags, PVOID, PVOID, PSP_DEVINFO_DATA) {
    DWORD error;
    if (hostwin::FaultHits("SetupDiRegisterDeviceInfo", &error))
        return hostwin::Fail(error);
    DeviceSet* set = hostwin::SetOfHandle(device_info_set);
    if (set == nullptr)
        return FALSE;
    DeviceElement* device = hostwin::ElementOfData(set, device_info_data);
    if (device == nullptr)
        return FALSE;
    if (flags != 0)
        return hostwin::Fail(ERROR_CALL_NOT_IMPLEMENTED);
    device->registered = true;
    return TRUE;
}
