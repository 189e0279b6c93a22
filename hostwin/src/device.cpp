// The modem driver's devices: devices/NAME in the machine holds the answer that the in-use
// request gets (format in testing_device.h). Every open request is logged in
// devices/opened.log so that tests see which devices were asked, in which order.
#include "device_open.h"
#include "handle_table.h"
#include "internal.h"
#include "path_map.h"

#include <hostwin/testing.h>

#include <dirent.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace hostwin {

namespace {

constexpr DWORD kInUseRequest =
    CTL_CODE(FILE_DEVICE_SERIAL_PORT, 0x814, METHOD_BUFFERED, FILE_ANY_ACCESS);
constexpr const char* kOpenLog = "opened.log";

bool IsSlash(char c) {
    return c == '\\' || c == '/';
}

bool DevicesDirectory(char* out, size_t size) {
    if (!FilesPath("devices", out, size))
        return false;
    mkdir(out, 0777);
    return true;
}

void LogOpenRequest(const char* name) {
    char log[kHostPathSize];
    if (!DevicesDirectory(log, sizeof log) || strlen(log) + strlen(kOpenLog) + 2 > sizeof log)
        return;
    strcat(log, "/");
    strcat(log, kOpenLog);
    if (FILE* file = fopen(log, "a")) {
        fprintf(file, "%s\n", name);
        fclose(file);
    }
}

// The host file of a device, its name matched without regard to case.
bool FindDevice(const char* name, char* host_path, size_t size) {
    char directory[kHostPathSize];
    if (name[0] == '\0' || strchr(name, '\\') != nullptr || strchr(name, '/') != nullptr ||
        strcasecmp(name, kOpenLog) == 0 || !DevicesDirectory(directory, sizeof directory))
        return false;
    DIR* dir = opendir(directory);
    if (dir == nullptr)
        return false;
    bool found = false;
    while (struct dirent* entry = readdir(dir)) {
        if (strcasecmp(entry->d_name, name) == 0) {
            int n = snprintf(host_path, size, "%s/%s", directory, entry->d_name);
            struct stat st;
            found = n > 0 && static_cast<size_t>(n) < size && stat(host_path, &st) == 0 &&
                    S_ISREG(st.st_mode);
            if (found)
                break;
        }
    }
    closedir(dir);
    return found;
}

enum AnswerKind { kAnswerWord, kAnswerIgnore, kAnswerFail };

// Reads what the driver does with the request from the device's file.
AnswerKind ReadAnswer(const char* host_path, DWORD* word) {
    char text[64] = "";
    FILE* file = fopen(host_path, "r");
    if (file == nullptr)
        return kAnswerFail; // the device went away while it was open
    size_t n = fread(text, 1, sizeof text - 1, file);
    fclose(file);
    text[n] = '\0';
    char* start = text;
    while (*start == ' ' || *start == '\t' || *start == '\r' || *start == '\n')
        ++start;
    char* end = start + strlen(start);
    while (end > start && (end[-1] == ' ' || end[-1] == '\t' || end[-1] == '\r' || end[-1] == '\n'))
        *--end = '\0';
    if (strcasecmp(start, "ignore") == 0)
        return kAnswerIgnore;
    char* rest = nullptr;
    errno = 0;
    long long value = strtoll(start, &rest, 10);
    if (start[0] == '\0' || *rest != '\0' || errno != 0 || value < -2147483648LL ||
        value > 4294967295LL)
        return kAnswerFail; // "fail", or text that is no answer
    *word = static_cast<DWORD>(value);
    return kAnswerWord;
}

} // namespace

const char* DeviceNameOf(const char* path) {
    if (IsSlash(path[0]) && IsSlash(path[1]) && path[2] == '.' && IsSlash(path[3]))
        return path + 4;
    return nullptr;
}

HANDLE OpenDevice(const char* name) {
    LogOpenRequest(name);
    HandleEntry entry;
    memset(&entry, 0, sizeof entry);
    entry.kind = kDeviceHandle;
    entry.fd = -1;
    if (strlen(name) >= sizeof entry.name ||
        !FindDevice(name, entry.host_path, sizeof entry.host_path)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    strcpy(entry.name, name);
    HANDLE handle = AddHandle(entry);
    if (handle == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return INVALID_HANDLE_VALUE;
    }
    SetLastError(ERROR_SUCCESS);
    return handle;
}

void SetDevice(const char* name, const char* answer) {
    char path[kHostPathSize];
    FILE* file = nullptr;
    if (DevicesDirectory(path, sizeof path) && strlen(path) + strlen(name) + 2 <= sizeof path) {
        if (!FindDevice(name, path, sizeof path)) {
            DevicesDirectory(path, sizeof path);
            strcat(path, "/");
            strcat(path, name);
        }
        file = fopen(path, "w");
    }
    if (file == nullptr) {
        fprintf(stderr, "hostwin: SetDevice: cannot write the device '%s'\n", name);
        abort();
    }
    fputs(answer, file);
    fclose(file);
}

void RemoveDevice(const char* name) {
    char path[kHostPathSize];
    if (FindDevice(name, path, sizeof path))
        unlink(path);
}

const char* DeviceOpenRequests() {
    static std::string joined;
    joined.clear();
    char log[kHostPathSize];
    if (!DevicesDirectory(log, sizeof log) || strlen(log) + strlen(kOpenLog) + 2 > sizeof log)
        return "";
    strcat(log, "/");
    strcat(log, kOpenLog);
    FILE* file = fopen(log, "r");
    if (file == nullptr)
        return "";
    char line[256];
    while (fgets(line, sizeof line, file) != nullptr) {
        line[strcspn(line, "\r\n")] = '\0';
        if (!joined.empty())
            joined += ',';
        joined += line;
    }
    fclose(file);
    return joined.c_str();
}

} // namespace hostwin

BOOL WINAPI DeviceIoControl(HANDLE device, DWORD control_code, LPVOID, DWORD, LPVOID out_buffer,
                            DWORD out_buffer_size, LPDWORD bytes_returned,
                            LPOVERLAPPED overlapped) {
    DWORD error;
    if (hostwin::FaultHits("DeviceIoControl", &error)) {
        SetLastError(error);
        return FALSE;
    }
    if (overlapped != nullptr) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return FALSE;
    }
    if (bytes_returned == nullptr) { // a synchronous request must have somewhere to report
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    hostwin::HandleEntry* entry = hostwin::FindHandle(device);
    if (entry == nullptr || entry->kind == hostwin::kProcessHandle ||
        entry->kind == hostwin::kThreadHandle) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (entry->kind != hostwin::kDeviceHandle || control_code != hostwin::kInUseRequest) {
        SetLastError(ERROR_INVALID_FUNCTION); // files and the driver know no other request
        return FALSE;
    }
    if (out_buffer == nullptr || out_buffer_size < sizeof(DWORD)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    DWORD word = 0;
    switch (hostwin::ReadAnswer(entry->host_path, &word)) {
    case hostwin::kAnswerWord:
        memcpy(out_buffer, &word, sizeof word);
        *bytes_returned = sizeof word;
        return TRUE;
    case hostwin::kAnswerIgnore:
        *bytes_returned = 0;
        return TRUE;
    case hostwin::kAnswerFail:
        break;
    }
    *bytes_returned = 0;
    SetLastError(ERROR_GEN_FAILURE);
    return FALSE;
}
