// Files as Windows NT has them: CreateFileA with its dispositions, share modes and the
// read-only attribute; ReadFile and WriteFile; DeleteFileA with its error codes; the
// attributes. Paths starting with "\\.\" open the machine's devices instead.
#include "device_open.h"
#include "file_sharing.h"
#include "handle_table.h"
#include "internal.h"
#include "path_map.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

using hostwin::FaultHits;

namespace {

constexpr DWORD kReadRights = GENERIC_READ | GENERIC_ALL | 0x0001 /* FILE_READ_DATA */;
constexpr DWORD kWriteRights =
    GENERIC_WRITE | GENERIC_ALL | 0x0002 /* FILE_WRITE_DATA */ | 0x0004 /* FILE_APPEND_DATA */;
constexpr DWORD kDeleteRights = GENERIC_ALL | 0x00010000 /* DELETE */;
constexpr DWORD kSupportedAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NORMAL;
constexpr mode_t kWriteBits = S_IWUSR | S_IWGRP | S_IWOTH;

// The read-only attribute is the absence of every write bit, checked here since the host
// lets root write anyway.
bool IsReadOnly(const char* host_path) {
    struct stat st;
    return stat(host_path, &st) == 0 && (st.st_mode & kWriteBits) == 0;
}

bool SetReadOnly(const char* host_path, bool read_only) {
    struct stat st;
    if (stat(host_path, &st) != 0)
        return false;
    mode_t mode = st.st_mode & 07777;
    mode = read_only ? (mode & ~kWriteBits) : (mode | S_IWUSR);
    return chmod(host_path, mode) == 0;
}

template <typename T> T Fail(DWORD error, T result) {
    SetLastError(error);
    return result;
}

HANDLE OpenFile(const char* name, DWORD desired_access, DWORD share_mode, DWORD disposition,
                DWORD flags) {
    if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING)
        return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    unsigned access = 0;
    if ((desired_access & kReadRights) != 0)
        access |= hostwin::kReadAccess;
    if ((desired_access & kWriteRights) != 0)
        access |= hostwin::kWriteAccess;
    bool delete_on_close = (flags & FILE_FLAG_DELETE_ON_CLOSE) != 0;
    if ((desired_access & kDeleteRights) != 0 || delete_on_close)
        access |= hostwin::kDeleteAccess; // delete-on-close asks for the right to delete
    bool writes = (access & hostwin::kWriteAccess) != 0;
    if (disposition == TRUNCATE_EXISTING && !writes)
        return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);

    hostwin::MappedPath path;
    if (DWORD error = hostwin::MapWindowsPath(name, &path))
        return Fail(error, INVALID_HANDLE_VALUE);
    if (!path.parent_exists)
        return Fail(ERROR_PATH_NOT_FOUND, INVALID_HANDLE_VALUE);
    if (path.is_directory) // opening a directory takes backup semantics, which we do not have
        return Fail((flags & FILE_FLAG_BACKUP_SEMANTICS) != 0 ? ERROR_CALL_NOT_IMPLEMENTED
                                                              : ERROR_ACCESS_DENIED,
                    INVALID_HANDLE_VALUE);
    // A name ending in a backslash cannot name a file, existing or to be made.
    bool creates = disposition != OPEN_EXISTING && disposition != TRUNCATE_EXISTING;
    if (path.names_directory && (path.exists || creates))
        return Fail(ERROR_INVALID_NAME, INVALID_HANDLE_VALUE);

    // Always readable, to publish the share locks; writable to write or to overwrite.
    bool overwrites = disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
    int open_flags = (writes || overwrites ? O_RDWR : O_RDONLY) | O_CLOEXEC;
    DWORD success_code = ERROR_SUCCESS;
    int fd;
    if (path.exists) {
        if (disposition == CREATE_NEW)
            return Fail(ERROR_FILE_EXISTS, INVALID_HANDLE_VALUE);
        bool changes = writes || overwrites || (access & hostwin::kDeleteAccess) != 0;
        if (changes && IsReadOnly(path.host))
            return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
        fd = open(path.host, open_flags);
        if (fd < 0)
            return Fail(hostwin::ErrorOfErrno(errno), INVALID_HANDLE_VALUE);
        if (hostwin::SharingClashes(fd, path.host, access, share_mode)) {
            close(fd);
            return Fail(ERROR_SHARING_VIOLATION, INVALID_HANDLE_VALUE);
        }
        if (overwrites && ftruncate(fd, 0) != 0) {
            DWORD error = hostwin::ErrorOfErrno(errno);
            close(fd);
            return Fail(error, INVALID_HANDLE_VALUE);
        }
        if (disposition == CREATE_ALWAYS) // an overwritten file takes the attributes given
            SetReadOnly(path.host, (flags & FILE_ATTRIBUTE_READONLY) != 0);
        if (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS)
            success_code = ERROR_ALREADY_EXISTS;
    } else {
        if (disposition == OPEN_EXISTING || disposition == TRUNCATE_EXISTING)
            return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
        // A new read-only file is still written through the handle that creates it.
        mode_t mode = (flags & FILE_ATTRIBUTE_READONLY) != 0 ? 0444 : 0666;
        fd = open(path.host, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0)
            return Fail(hostwin::ErrorOfErrno(errno), INVALID_HANDLE_VALUE);
    }
    hostwin::PublishSharing(fd, access, share_mode);

    hostwin::HandleEntry entry;
    memset(&entry, 0, sizeof entry);
    entry.kind = hostwin::kFileHandle;
    entry.fd = fd;
    entry.can_read = (access & hostwin::kReadAccess) != 0;
    entry.can_write = writes;
    entry.delete_on_close = delete_on_close;
    strcpy(entry.host_path, path.host);
    HANDLE handle = hostwin::AddHandle(entry);
    if (handle == nullptr) {
        close(fd);
        return Fail(ERROR_NOT_ENOUGH_MEMORY, INVALID_HANDLE_VALUE);
    }
    SetLastError(success_code);
    return handle;
}

// The open file behind a handle for ReadFile and WriteFile; null with the error set.
hostwin::HandleEntry* FileOf(HANDLE handle) {
    hostwin::HandleEntry* entry = hostwin::FindHandle(handle);
    if (entry == nullptr || entry->kind == hostwin::kProcessHandle ||
        entry->kind == hostwin::kThreadHandle)
        return Fail(ERROR_INVALID_HANDLE, static_cast<hostwin::HandleEntry*>(nullptr));
    if (entry->kind == hostwin::kDeviceHandle) // the modem driver reads and writes nothing
        return Fail(ERROR_INVALID_FUNCTION, static_cast<hostwin::HandleEntry*>(nullptr));
    return entry;
}

} // namespace

HANDLE WINAPI CreateFileA(LPCSTR file_name, DWORD desired_access, DWORD share_mode,
                          LPSECURITY_ATTRIBUTES, DWORD creation_disposition,
                          DWORD flags_and_attributes, HANDLE template_file) {
    DWORD error;
    if (FaultHits("CreateFileA", &error))
        return Fail(error, INVALID_HANDLE_VALUE);
    if (file_name == nullptr)
        return Fail(ERROR_PATH_NOT_FOUND, INVALID_HANDLE_VALUE);
    if (const char* device = hostwin::DeviceNameOf(file_name))
        return hostwin::OpenDevice(device);
    if ((flags_and_attributes & FILE_FLAG_OVERLAPPED) != 0 || template_file != nullptr)
        return Fail(ERROR_CALL_NOT_IMPLEMENTED, INVALID_HANDLE_VALUE);
    return OpenFile(file_name, desired_access, share_mode, creation_disposition,
                    flags_and_attributes);
}

BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD bytes_to_read, LPDWORD bytes_read,
                     LPOVERLAPPED overlapped) {
    DWORD error;
    if (FaultHits("ReadFile", &error))
        return Fail(error, FALSE);
    if (overlapped != nullptr)
        return Fail(ERROR_CALL_NOT_IMPLEMENTED, FALSE);
    if (bytes_read == nullptr)
        return Fail(ERROR_INVALID_PARAMETER, FALSE);
    *bytes_read = 0;
    hostwin::HandleEntry* entry = FileOf(file);
    if (entry == nullptr)
        return FALSE;
    if (!entry->can_read)
        return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (buffer == nullptr && bytes_to_read > 0)
        return Fail(ERROR_NOACCESS, FALSE);
    char* at = static_cast<char*>(buffer);
    while (*bytes_read < bytes_to_read) {
        ssize_t n = read(entry->fd, at + *bytes_read, bytes_to_read - *bytes_read);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return Fail(hostwin::ErrorOfErrno(errno), FALSE);
        if (n == 0)
            break; // the end of the file: success with what was read
        *bytes_read += static_cast<DWORD>(n);
    }
    return TRUE;
}

BOOL WINAPI WriteFile(HANDLE file, LPCVOID buffer, DWORD bytes_to_write, LPDWORD bytes_written,
                      LPOVERLAPPED overlapped) {
    DWORD error;
    if (FaultHits("WriteFile", &error))
        return Fail(error, FALSE);
    if (overlapped != nullptr)
        return Fail(ERROR_CALL_NOT_IMPLEMENTED, FALSE);
    if (bytes_written == nullptr)
        return Fail(ERROR_INVALID_PARAMETER, FALSE);
    *bytes_written = 0;
    hostwin::HandleEntry* entry = FileOf(file);
    if (entry == nullptr)
        return FALSE;
    if (!entry->can_write)
        return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (buffer == nullptr && bytes_to_write > 0)
        return Fail(ERROR_NOACCESS, FALSE);
    const char* at = static_cast<const char*>(buffer);
    while (*bytes_written < bytes_to_write) {
        ssize_t n = write(entry->fd, at + *bytes_written, bytes_to_write - *bytes_written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return Fail(n < 0 ? hostwin::ErrorOfErrno(errno) : ERROR_DISK_FULL, FALSE);
        *bytes_written += static_cast<DWORD>(n);
    }
    return TRUE;
}

BOOL WINAPI DeleteFileA(LPCSTR file_name) {
    DWORD error;
    if (FaultHits("DeleteFileA", &error))
        return Fail(error, FALSE);
    hostwin::MappedPath path;
    if ((error = hostwin::MapWindowsPath(file_name, &path)) != 0)
        return Fail(error, FALSE);
    if (!path.parent_exists)
        return Fail(ERROR_PATH_NOT_FOUND, FALSE);
    if (!path.exists)
        return Fail(ERROR_FILE_NOT_FOUND, FALSE);
    if (path.names_directory && !path.is_directory) // a file named with a final backslash
        return Fail(ERROR_INVALID_NAME, FALSE);
    if (path.is_directory || IsReadOnly(path.host))
        return Fail(ERROR_ACCESS_DENIED, FALSE);
    int fd = open(path.host, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return Fail(hostwin::ErrorOfErrno(errno), FALSE);
    // Windows opens the file for deletion sharing everything; a handle that does not share
    // deletion stops it.
    bool clashes =
        hostwin::SharingClashes(fd, path.host, hostwin::kDeleteAccess, hostwin::kShareAll);
    close(fd);
    if (clashes)
        return Fail(ERROR_SHARING_VIOLATION, FALSE);
    if (unlink(path.host) != 0)
        return Fail(hostwin::ErrorOfErrno(errno), FALSE);
    return TRUE;
}

DWORD WINAPI GetFileAttributesA(LPCSTR file_name) {
    DWORD error;
    if (FaultHits("GetFileAttributesA", &error))
        return Fail(error, INVALID_FILE_ATTRIBUTES);
    hostwin::MappedPath path;
    if ((error = hostwin::MapWindowsPath(file_name, &path)) != 0)
        return Fail(error, INVALID_FILE_ATTRIBUTES);
    if (!path.parent_exists)
        return Fail(ERROR_PATH_NOT_FOUND, INVALID_FILE_ATTRIBUTES);
    if (!path.exists)
        return Fail(ERROR_FILE_NOT_FOUND, INVALID_FILE_ATTRIBUTES);
    if (path.is_directory)
        return FILE_ATTRIBUTE_DIRECTORY;
    // The archive bit is not kept: every file reports it, as a file that was written does.
    return FILE_ATTRIBUTE_ARCHIVE | (IsReadOnly(path.host) ? FILE_ATTRIBUTE_READONLY : 0);
}

BOOL WINAPI SetFileAttributesA(LPCSTR file_name, DWORD attributes) {
    DWORD error;
    if (FaultHits("SetFileAttributesA", &error))
        return Fail(error, FALSE);
    if ((attributes & ~(kSupportedAttributes | FILE_ATTRIBUTE_DIRECTORY)) != 0)
        return Fail(ERROR_CALL_NOT_IMPLEMENTED, FALSE); // hidden, system, ... are not kept
    hostwin::MappedPath path;
    if ((error = hostwin::MapWindowsPath(file_name, &path)) != 0)
        return Fail(error, FALSE);
    if (!path.parent_exists)
        return Fail(ERROR_PATH_NOT_FOUND, FALSE);
    if (!path.exists)
        return Fail(ERROR_FILE_NOT_FOUND, FALSE);
    if (!SetReadOnly(path.host, (attributes & FILE_ATTRIBUTE_READONLY) != 0))
        return Fail(hostwin::ErrorOfErrno(errno), FALSE);
    return TRUE;
}
