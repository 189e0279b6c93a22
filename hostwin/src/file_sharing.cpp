// Share modes published as open-file-description locks, and the files that a program outside
// holds (the machine's files_in_use list).
#include "file_sharing.h"

#include "path_map.h"

#include <hostwin/testing.h>

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

namespace hostwin {

namespace {

constexpr off_t kAccessBytes = off_t(1) << 40; // one byte per access right held
constexpr off_t kDenyBytes = kAccessBytes + 8; // one byte per access right denied to others
constexpr unsigned kRights[] = {kReadAccess, kWriteAccess, kDeleteAccess};

off_t ByteOf(unsigned right) {
    return right == kReadAccess ? 0 : right == kWriteAccess ? 1 : 2;
}

bool LockedByOther(int fd, off_t offset) {
    struct flock lock;
    memset(&lock, 0, sizeof lock);
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = offset;
    lock.l_len = 1;
    return fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
}

void LockShared(int fd, off_t offset) {
    struct flock lock;
    memset(&lock, 0, sizeof lock);
    lock.l_type = F_RDLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = offset;
    lock.l_len = 1;
    fcntl(fd, F_OFD_SETLK, &lock);
}

bool SameFile(const char* a, const char* b) {
    struct stat sa, sb;
    if (stat(a, &sa) != 0 || stat(b, &sb) != 0)
        return strcmp(a, b) == 0;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool HeldOutside(const char* host_path) {
    char list[kHostPathSize];
    if (!FilesPath("files_in_use", list, sizeof list))
        return false;
    FILE* file = fopen(list, "r");
    if (file == nullptr)
        return false;
    bool held = false;
    char line[MAX_PATH + 2];
    while (!held && fgets(line, sizeof line, file) != nullptr) {
        line[strcspn(line, "\r\n")] = '\0';
        MappedPath mapped;
        if (line[0] != '\0' && MapWindowsPath(line, &mapped) == 0)
            held = SameFile(mapped.host, host_path);
    }
    fclose(file);
    return held;
}

} // namespace

bool SharingClashes(int fd, const char* host_path, unsigned access, unsigned share) {
    if (access == 0)
        return false; // opening for the attributes alone never clashes
    for (unsigned right : kRights) {
        if ((access & right) != 0 && LockedByOther(fd, kDenyBytes + ByteOf(right)))
            return true; // another handle does not share what this one wants
        if ((share & right) == 0 && LockedByOther(fd, kAccessBytes + ByteOf(right)))
            return true; // another handle has what this one will not share
    }
    return HeldOutside(host_path);
}

void PublishSharing(int fd, unsigned access, unsigned share) {
    if (access == 0)
        return; // a handle for the attributes alone denies nobody anything
    for (unsigned right : kRights) {
        if ((access & right) != 0)
            LockShared(fd, kAccessBytes + ByteOf(right));
        if ((share & right) == 0)
            LockShared(fd, kDenyBytes + ByteOf(right));
    }
}

void MarkFileInUse(const char* windows_path) {
    char list[kHostPathSize];
    FILE* file = FilesPath("files_in_use", list, sizeof list) ? fopen(list, "a") : nullptr;
    if (file == nullptr) {
        fprintf(stderr, "hostwin: MarkFileInUse: cannot write %s\n", list);
        abort();
    }
    fprintf(file, "%s\n", windows_path);
    fclose(file);
}

} // namespace hostwin
