// Device installation (SetupAPI): device information sets and their devices, the devices'
// driver keys, and the co-installer convention.
//
// A device lives where Windows keeps it, below HKEY_LOCAL_MACHINE: its instance key
// SYSTEM\CurrentControlSet\Enum\<instance id> (values "ClassGUID", "DeviceDesc" and, once it
// has one, "Driver"), and its driver key SYSTEM\CurrentControlSet\Control\Class\<class GUID>\NNNN
// named by "Driver". So every program and library of a machine sees the same devices.
#pragma once

#include <windows.h>

#ifndef GUID_DEFINED
#define GUID_DEFINED
typedef struct _GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
} GUID;
#endif

typedef PVOID HDEVINFO;
typedef PVOID HINF;
typedef UINT DI_FUNCTION;

typedef struct _SP_DEVINFO_DATA {
    DWORD cbSize;
    GUID ClassGuid;
    DWORD DevInst;
    ULONG_PTR Reserved;
} SP_DEVINFO_DATA, *PSP_DEVINFO_DATA;

// What device installation hands a co-installer with each request.
typedef struct _COINSTALLER_CONTEXT_DATA {
    BOOL PostProcessing;
    DWORD InstallResult;
    PVOID PrivateData;
} COINSTALLER_CONTEXT_DATA, *PCOINSTALLER_CONTEXT_DATA;

// Device installation requests.
#define DIF_SELECTDEVICE 0x00000001
#define DIF_INSTALLDEVICE 0x00000002
#define DIF_PROPERTIES 0x00000004
#define DIF_REMOVE 0x00000005
#define DIF_DESTROYPRIVATEDATA 0x0000000C
#define DIF_PROPERTYCHANGE 0x00000012
#define DIF_INSTALLDEVICEFILES 0x00000015
#define DIF_SELECTBESTCOMPATDRV 0x00000017
#define DIF_ALLOW_INSTALL 0x00000018
#define DIF_REGISTERDEVICE 0x00000019
#define DIF_NEWDEVICEWIZARD_FINISHINSTALL 0x0000001E
#define DIF_INSTALLINTERFACES 0x00000020
#define DIF_REGISTER_COINSTALLERS 0x00000022

// Scopes and kinds of a device's registry keys.
#define DICS_FLAG_GLOBAL 0x00000001
#define DICS_FLAG_CONFIGSPECIFIC 0x00000002
#define DIREG_DEV 0x00000001
#define DIREG_DRV 0x00000002
#define DIREG_BOTH 0x00000004

// SetupDiCreateDeviceInfoA flags.
#define DICD_GENERATE_ID 0x00000001
#define DICD_INHERIT_CLASSDRVS 0x00000002

#define MAX_DEVICE_ID_LEN 200

// Device installation's own error codes.
#define ERROR_CLASS_MISMATCH 0xE0000201L
#define ERROR_INVALID_DEVINST_NAME 0xE0000205L
#define ERROR_DEVINST_ALREADY_EXISTS 0xE0000207L
#define ERROR_DEVINFO_NOT_REGISTERED 0xE0000208L
#ifndef ERROR_KEY_DOES_NOT_EXIST
#define ERROR_KEY_DOES_NOT_EXIST 0xE0000204L
#endif
#ifndef ERROR_NO_SUCH_DEVINST
#define ERROR_NO_SUCH_DEVINST 0xE000020BL
#endif
#ifndef ERROR_DI_POSTPROCESSING_REQUIRED
#define ERROR_DI_POSTPROCESSING_REQUIRED 0xE0000226L
#endif

// Sets of devices. A set made with a class GUID takes devices of that class only.
HDEVINFO WINAPI SetupDiCreateDeviceInfoList(const GUID* class_guid, HWND parent);
BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO device_info_set);

// Creates a device, not yet registered: its instance key exists until the set is destroyed,
// unless SetupDiRegisterDeviceInfo registers it. With DICD_GENERATE_ID the name is a device
// name alone and the instance id becomes ROOT\<NAME>\NNNN with the lowest free NNNN.
BOOL WINAPI SetupDiCreateDeviceInfoA(HDEVINFO device_info_set, LPCSTR device_name,
                                     const GUID* class_guid, LPCSTR device_description, HWND parent,
                                     DWORD creation_flags, PSP_DEVINFO_DATA device_info_data);
BOOL WINAPI SetupDiRegisterDeviceInfo(HDEVINFO device_info_set, PSP_DEVINFO_DATA device_info_data,
                                      DWORD flags, PVOID compare_proc, PVOID compare_context,
                                      PSP_DEVINFO_DATA duplicate_device_info_data);

// A registered device's driver key (DIREG_DRV, global scope): created with the lowest free
// number below its class's key, or opened. INVALID_HANDLE_VALUE and the last-error code when
// it fails.
HKEY WINAPI SetupDiCreateDevRegKeyA(HDEVINFO device_info_set, PSP_DEVINFO_DATA device_info_data,
                                    DWORD scope, DWORD hardware_profile, DWORD key_type,
                                    HINF inf_handle, LPCSTR inf_section_name);
HKEY WINAPI SetupDiOpenDevRegKey(HDEVINFO device_info_set, PSP_DEVINFO_DATA device_info_data,
                                 DWORD scope, DWORD hardware_profile, DWORD key_type,
                                 REGSAM desired_access);
