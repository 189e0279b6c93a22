// FormatMessageA for the system's own messages: the US English texts that Windows gives for
// the error codes that occur in this product, each ending in CR LF as in the system's message
// table. Codes outside the table, such as the SetupAPI codes 0xE000xxxx, have no system text:
// the call fails with ERROR_MR_MID_NOT_FOUND, as it does on Windows.
#include "internal.h"
#include "local_memory.h"

#include <string.h>

namespace {

struct SystemMessage {
    DWORD code;
    const char* text;
};

// Columns: error code, the system's text. In ascending order of code.
const SystemMessage kSystemMessages[] = {
    {0, "The operation completed successfully.\r\n"},
    {1, "Incorrect function.\r\n"},
    {2, "The system cannot find the file specified.\r\n"},
    {3, "The system cannot find the path specified.\r\n"},
    {4, "The system cannot open the file.\r\n"},
    {5, "Access is denied.\r\n"},
    {6, "The handle is invalid.\r\n"},
    {8, "Not enough storage is available to process this command.\r\n"},
    {13, "The data is invalid.\r\n"},
    {14, "Not enough storage is available to complete this operation.\r\n"},
    {21, "The device is not ready.\r\n"},
    {32, "The process cannot access the file because it is being used by another process.\r\n"},
    {50, "The request is not supported.\r\n"},
    {80, "The file exists.\r\n"},
    {87, "The parameter is incorrect.\r\n"},
    {120, "This function is not supported on this system.\r\n"},
    {122, "The data area passed to a system call is too small.\r\n"},
    {123, "The filename, directory name, or volume label syntax is incorrect.\r\n"},
    {145, "The directory is not empty.\r\n"},
    {161, "The specified path is invalid.\r\n"},
    {183, "Cannot create a file when that file already exists.\r\n"},
    {193, "%1 is not a valid Win32 application.\r\n"},
    {206, "The filename or extension is too long.\r\n"},
    {234, "More data is available.\r\n"},
    {258, "The wait operation timed out.\r\n"},
    {259, "No more data is available.\r\n"},
    {267, "The directory name is invalid.\r\n"},
    {317, "The system cannot find message text for message number 0x%1 in the message file for "
          "%2.\r\n"},
    {998, "Invalid access to memory location.\r\n"},
    {1009, "The configuration registry database is corrupt.\r\n"},
    {1010, "The configuration registry key is invalid.\r\n"},
    {1011, "The configuration registry key could not be opened.\r\n"},
    {1012, "The configuration registry key could not be read.\r\n"},
    {1013, "The configuration registry key could not be written.\r\n"},
    {1014, "One of the files in the registry database had to be recovered by use of a log or "
           "alternate copy. The recovery was successful.\r\n"},
    {1015, "The registry is corrupted. The structure of one of the files containing registry "
           "data is corrupted, or the system's memory image of the file is corrupted, or the "
           "file could not be recovered because the alternate copy or log was absent or "
           "corrupted.\r\n"},
    {1016, "An I/O operation initiated by the registry failed unrecoverably. The registry could "
           "not read in, or write out, or flush, one of the files that contain the system's "
           "image of the registry.\r\n"},
    {1018, "Illegal operation attempted on a registry key that has been marked for "
           "deletion.\r\n"},
    {1021, "Cannot create a stable subkey under a volatile parent key.\r\n"},
    {1400, "Invalid window handle.\r\n"},
    {1407, "Cannot find window class.\r\n"},
    {1408, "Invalid window; it belongs to other thread.\r\n"},
    {1410, "Class already exists.\r\n"},
    {1421, "Control ID not found.\r\n"},
    {1460, "This operation returned because the timeout period expired.\r\n"},
    {1812, "The specified image file did not contain a resource section.\r\n"},
    {1813, "The specified resource type cannot be found in the image file.\r\n"},
    {1814, "The specified resource name cannot be found in the image file.\r\n"},
    {1815, "The specified resource language ID cannot be found in the image file.\r\n"},
};

const char* SystemText(DWORD code) {
    for (const SystemMessage& m : kSystemMessages)
        if (m.code == code)
            return m.text;
    return nullptr;
}

// The system's messages exist in US English; these are the language ids that reach them.
bool LanguageHasMessages(DWORD language) {
    switch (language) {
    case 0:                                             // the documented search order
    case MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT):     // 0x400, the user's default
    case MAKELANGID(LANG_NEUTRAL, SUBLANG_SYS_DEFAULT): // 0x800, the system's default
    case MAKELANGID(LANG_ENGLISH, SUBLANG_NEUTRAL):     // 0x009
    case MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US):  // 0x409
        return true;
    default:
        return false;
    }
}

} // namespace

DWORD WINAPI FormatMessageA(DWORD flags, LPCVOID source, DWORD message_id, DWORD language_id,
                            LPSTR buffer, DWORD size, va_list* arguments) {
    (void)source; // only read with FORMAT_MESSAGE_FROM_STRING or _FROM_HMODULE
    (void)arguments;
    bool allocate = (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) != 0;
    if (allocate && buffer != nullptr)
        *reinterpret_cast<LPSTR*>(buffer) = nullptr;

    DWORD error;
    if (hostwin::FaultHits("FormatMessageA", &error)) {
        SetLastError(error);
        return 0;
    }
    // Only the system's messages, copied as they are: other sources, inserts and line
    // breaking at a width are not implemented.
    bool from_system_only = (flags & (FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_FROM_STRING |
                                      FORMAT_MESSAGE_FROM_HMODULE)) == FORMAT_MESSAGE_FROM_SYSTEM;
    if (!from_system_only || (flags & FORMAT_MESSAGE_IGNORE_INSERTS) == 0 ||
        (flags & FORMAT_MESSAGE_MAX_WIDTH_MASK) != 0) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return 0;
    }
    if (buffer == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (!LanguageHasMessages(language_id)) {
        SetLastError(ERROR_RESOURCE_LANG_NOT_FOUND);
        return 0;
    }
    const char* text = SystemText(message_id);
    if (text == nullptr) {
        SetLastError(ERROR_MR_MID_NOT_FOUND);
        return 0;
    }
    size_t length = strlen(text);
    if (allocate) {
        // size is the least number of bytes to allocate.
        size_t bytes = length + 1 > size ? length + 1 : size;
        LPSTR block = static_cast<LPSTR>(hostwin::LocalAllocate(bytes));
        if (block == nullptr) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return 0;
        }
        memcpy(block, text, length + 1);
        *reinterpret_cast<LPSTR*>(buffer) = block;
    } else {
        if (size < length + 1) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return 0;
        }
        memcpy(buffer, text, length + 1);
    }
    return static_cast<DWORD>(length);
}
