// Share modes across handles and processes. Each open handle publishes what it accesses and
// what it denies others as read locks on bytes far past any file's end; an open that would
// clash finds another descriptor's lock there. The locks are open-file-description locks, so
// two handles of one process clash with each other as on Windows.
#pragma once

#include <windows.h>

namespace hostwin {

// Access rights, at the bit positions of the FILE_SHARE_* flags that share them.
constexpr unsigned kReadAccess = FILE_SHARE_READ;
constexpr unsigned kWriteAccess = FILE_SHARE_WRITE;
constexpr unsigned kDeleteAccess = FILE_SHARE_DELETE;
constexpr unsigned kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Whether opening the file of fd (a fresh descriptor) with this access and share mode clashes
// with a handle already open, here or in another process, or with a program outside that
// holds the file (files_in_use).
bool SharingClashes(int fd, const char* host_path, unsigned access, unsigned share);

// Publishes a new handle's access and share mode on its descriptor; one without access
// publishes nothing, as Windows records no sharing for it.
void PublishSharing(int fd, unsigned access, unsigned share);

} // namespace hostwin
