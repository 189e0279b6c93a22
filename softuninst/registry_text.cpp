// The registry hands back a text's bytes as they were stored; a value written without its
// terminator, or with a type other than REG_SZ, would otherwise leave a field unterminated.
#include "softuninst/registry_text.h"

bool TerminateRegistryText(char* text, DWORD data_size, DWORD size) {
    if (data_size > size)
        return false;
    if (data_size == 0) {
        text[0] = '\0';
        return true;
    }
    if (text[data_size - 1] == '\0')
        return true;
    if (data_size == size)
        return false; // every byte is a character: one more than the buffer holds
    text[data_size] = '\0';
    return true;
}

bool ReadRegistryText(HKEY key, LPCSTR name, char* text, DWORD size, LONG* result) {
    DWORD data_size = size;
    LONG rc = RegQueryValueExA(key, name, NULL, NULL, reinterpret_cast<LPBYTE>(text), &data_size);
    if (rc == ERROR_SUCCESS && !TerminateRegistryText(text, data_size, size))
        rc = ERROR_MORE_DATA;
    if (result != NULL)
        *result = rc;
    if (rc != ERROR_SUCCESS) {
        text[0] = '\0';
        return false;
    }
    return true;
}
