// The registry functions. They return their error code and never set the
// thread's last-error code.
#pragma once

#include <hostwin/win_types.h>

#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)((LONG)0x80000000))
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)((LONG)0x80000001))
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)((LONG)0x80000002))
#define HKEY_USERS ((HKEY)(ULONG_PTR)((LONG)0x80000003))

#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_MULTI_SZ 7

#define REG_OPTION_NON_VOLATILE 0x00000000L
#define REG_OPTION_VOLATILE 0x00000001L
#define REG_CREATED_NEW_KEY 0x00000001L
#define REG_OPENED_EXISTING_KEY 0x00000002L

#define DELETE 0x00010000L
#define READ_CONTROL 0x00020000L
#define WRITE_DAC 0x00040000L
#define WRITE_OWNER 0x00080000L
#define SYNCHRONIZE 0x00100000L
#define STANDARD_RIGHTS_READ READ_CONTROL
#define STANDARD_RIGHTS_WRITE READ_CONTROL
#define STANDARD_RIGHTS_ALL 0x001F0000L
#define MAXIMUM_ALLOWED 0x02000000L

#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_CREATE_LINK 0x0020
#define KEY_READ (STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY)
#define KEY_WRITE (STANDARD_RIGHTS_WRITE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY)
#define KEY_EXECUTE KEY_READ
#define KEY_ALL_ACCESS                                                                             \
    (STANDARD_RIGHTS_ALL | KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY |                  \
     KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY | KEY_CREATE_LINK)

LONG WINAPI RegOpenKeyA(HKEY key, LPCSTR sub_key, PHKEY result);
LONG WINAPI RegOpenKeyExA(HKEY key, LPCSTR sub_key, DWORD options, REGSAM access, PHKEY result);
LONG WINAPI RegCreateKeyA(HKEY key, LPCSTR sub_key, PHKEY result);
LONG WINAPI RegCreateKeyExA(HKEY key, LPCSTR sub_key, DWORD reserved, LPSTR class_name,
                            DWORD options, REGSAM access, LPSECURITY_ATTRIBUTES security,
                            PHKEY result, LPDWORD disposition);
LONG WINAPI RegCloseKey(HKEY key);
LONG WINAPI RegDeleteKeyA(HKEY key, LPCSTR sub_key);
LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR value_name, LPDWORD reserved, LPDWORD type,
                             LPBYTE data, LPDWORD data_size);
LONG WINAPI RegSetValueExA(HKEY key, LPCSTR value_name, DWORD reserved, DWORD type,
                           const BYTE* data, DWORD data_size);
LONG WINAPI RegDeleteValueA(HKEY key, LPCSTR value_name);
LONG WINAPI RegEnumKeyA(HKEY key, DWORD index, LPSTR name, DWORD name_size);
LONG WINAPI RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD name_size, LPDWORD reserved,
                          LPSTR class_name, LPDWORD class_size, PFILETIME last_write);
LONG WINAPI RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD name_size, LPDWORD reserved,
                          LPDWORD type, LPBYTE data, LPDWORD data_size);
LONG WINAPI RegQueryInfoKeyA(HKEY key, LPSTR class_name, LPDWORD class_size, LPDWORD reserved,
                             LPDWORD sub_keys, LPDWORD max_sub_key_len, LPDWORD max_class_len,
                             LPDWORD values, LPDWORD max_value_name_len, LPDWORD max_value_len,
                             LPDWORD security_descriptor_size, PFILETIME last_write);
