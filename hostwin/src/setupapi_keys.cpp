// A device's driver key: SetupDiCreateDevRegKeyA and SetupDiOpenDevRegKey.
//
// The device's instance key names its driver key in "Driver" ("<class GUID>\NNNN", below
// SYSTEM\CurrentControlSet\Control\Class). Windows facts kept here, in the order they are
// checked: an unknown set is ERROR_INVALID_HANDLE, missing device data ERROR_INVALID_PARAMETER,
// a scope or key type other than the defined ones ERROR_INVALID_FLAGS, a device not yet
// registered ERROR_DEVINFO_NOT_REGISTERED; a device without a driver key answers
// ERROR_KEY_DOES_NOT_EXIST. Only the global driver key is provided: hardware-profile scopes,
// the device's hardware key and INF processing fail with ERROR_CALL_NOT_IMPLEMENTED.
#include "internal.h"
#include "setupapi_sets.h"

#include <stdio.h>
#include <string.h>

namespace hostwin {

namespace {

HKEY FailKey(DWORD error) {
    SetLastError(error);
    return static_cast<HKEY>(INVALID_HANDLE_VALUE);
}

// The checks both calls make; 0 or the error to fail with.
DWORD CheckRequest(HDEVINFO handle, PSP_DEVINFO_DATA data, DWORD scope, DWORD key_type,
                   DeviceElement** device) {
    DeviceSet* set = SetOfHandle(handle);
    if (set == nullptr)
        return ERROR_INVALID_HANDLE;
    *device = ElementOfData(set, data);
    if (*device == nullptr)
        return ERROR_INVALID_PARAMETER;
    if (scope != DICS_FLAG_GLOBAL && scope != DICS_FLAG_CONFIGSPECIFIC)
        return ERROR_INVALID_FLAGS;
    if (key_type != DIREG_DEV && key_type != DIREG_DRV)
        return ERROR_INVALID_FLAGS;
    if (scope != DICS_FLAG_GLOBAL || key_type != DIREG_DRV)
        return ERROR_CALL_NOT_IMPLEMENTED;
    if (!(*device)->registered)
        return ERROR_DEVINFO_NOT_REGISTERED;
    return 0;
}

// Reads the instance key's "Driver" into driver (may be empty); 0 or the error.
DWORD ReadDriverValue(const DeviceElement& device, char* driver, DWORD size) {
    char path[512];
    HKEY instance;
    if (!InstanceKeyPath(device.instance_id, path, sizeof path) ||
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE, &instance) != ERROR_SUCCESS)
        return ERROR_NO_SUCH_DEVINST;
    DWORD type = 0, room = size - 1;
    LONG rc = RegQueryValueExA(instance, "Driver", nullptr, &type, reinterpret_cast<BYTE*>(driver),
                               &room);
    RegCloseKey(instance);
    if (rc != ERROR_SUCCESS || type != REG_SZ) {
        driver[0] = '\0';
        return rc == ERROR_FILE_NOT_FOUND || rc == ERROR_SUCCESS ? 0 : static_cast<DWORD>(rc);
    }
    driver[room] = '\0';
    return 0;
}

// Gives the device a driver key numbered with the lowest free number of its class and
// records it in the instance key.
DWORD AssignDriverKey(const DeviceElement& device, char* driver, size_t size) {
    char class_path[512], guid[40];
    if (!ClassKeyPath(device.class_guid, class_path, sizeof class_path))
        return ERROR_INVALID_PARAMETER;
    FormatGuid(device.class_guid, guid, sizeof guid);
    for (unsigned n = 0; n <= 9999; ++n) {
        char path[600];
        snprintf(path, sizeof path, "%s\\%04u", class_path, n);
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
            RegCloseKey(key);
            continue;
        }
        snprintf(driver, size, "%s\\%04u", guid, n);
        char instance_path[512];
        HKEY instance;
        if (!InstanceKeyPath(device.instance_id, instance_path, sizeof instance_path) ||
            RegOpenKeyExA(HKEY_LOCAL_MACHINE, instance_path, 0, KEY_SET_VALUE, &instance) !=
                ERROR_SUCCESS)
            return ERROR_NO_SUCH_DEVINST;
        LONG rc = RegSetValueExA(instance, "Driver", 0, REG_SZ, reinterpret_cast<BYTE*>(driver),
                                 static_cast<DWORD>(strlen(driver) + 1));
        RegCloseKey(instance);
        return static_cast<DWORD>(rc);
    }
    return ERROR_NOT_ENOUGH_MEMORY;
}

bool DriverKeyPath(const char* driver, char* out, size_t size) {
    int n = snprintf(out, size, "SYSTEM\\CurrentControlSet\\Control\\Class\\%s", driver);
    return n > 0 && static_cast<size_t>(n) < size;
}

} // namespace

} // namespace hostwin

HKEY WINAPI SetupDiCreateDevRegKeyA(HDEVINFO device_info_set, PSP_DEVINFO_DATA device_info_data,
                                    DWORD scope, DWORD, DWORD key_type, HINF inf_handle,
                                    LPCSTR inf_section_name) {
    DWORD error;
    if (hostwin::FaultHits("SetupDiCreateDevRegKeyA", &error))
        return hostwin::FailKey(error);
    hostwin::DeviceElement* device = nullptr;
    if ((error = hostwin::CheckRequest(device_info_set, device_info_data, scope, key_type,
                                       &device)) != 0)
        return hostwin::FailKey(error);
    if ((inf_handle != nullptr && inf_handle != INVALID_HANDLE_VALUE) ||
        inf_section_name != nullptr)
        return hostwin::FailKey(ERROR_CALL_NOT_IMPLEMENTED);

    hostwin::InternalCalls internal;
    char driver[256], path[600];
    if ((error = hostwin::ReadDriverValue(*device, driver, sizeof driver)) != 0)
        return hostwin::FailKey(error);
    if (driver[0] == '\0' &&
        (error = hostwin::AssignDriverKey(*device, driver, sizeof driver)) != 0)
        return hostwin::FailKey(error);
    if (!hostwin::DriverKeyPath(driver, path, sizeof path))
        return hostwin::FailKey(ERROR_INVALID_DATA);
    HKEY key;
    LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr);
    if (rc != ERROR_SUCCESS)
        return hostwin::FailKey(static_cast<DWORD>(rc));
    return key;
}

HKEY WINAPI SetupDiOpenDevRegKey(HDEVINFO device_info_set, PSP_DEVINFO_DATA device_info_data,
                                 DWORD scope, DWORD, DWORD key_type, REGSAM desired_access) {
    DWORD error;
    if (hostwin::FaultHits("SetupDiOpenDevRegKey", &error))
        return hostwin::FailKey(error);
    hostwin::DeviceElement* device = nullptr;
    if ((error = hostwin::CheckRequest(device_info_set, device_info_data, scope, key_type,
                                       &device)) != 0)
        return hostwin::FailKey(error);

    hostwin::InternalCalls internal;
    char driver[256], path[600];
    if ((error = hostwin::ReadDriverValue(*device, driver, sizeof driver)) != 0)
        return hostwin::FailKey(error);
    if (driver[0] == '\0' || !hostwin::DriverKeyPath(driver, path, sizeof path))
        return hostwin::FailKey(ERROR_KEY_DOES_NOT_EXIST);
    HKEY key;
    LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, desired_access, &key);
    if (rc == ERROR_FILE_NOT_FOUND)
        return hostwin::FailKey(ERROR_KEY_DOES_NOT_EXIST);
    if (rc != ERROR_SUCCESS)
        return hostwin::FailKey(static_cast<DWORD>(rc));
    return key;
}
