// The process's table of kernel handles, one for files, devices, processes and threads as
// on Windows. Registry keys have their own table.
#pragma once

#include "path_map.h"

#include <sys/types.h>

namespace hostwin {

enum HandleKind { kFileHandle, kDeviceHandle, kProcessHandle, kThreadHandle };

struct HandleEntry {
    bool used;
    HandleKind kind;
    int fd;                        // file: the open host file, -1 otherwise
    bool can_read;                 // file: opened for reading
    bool can_write;                // file: opened for writing
    bool delete_on_close;          // file: removed when the handle closes
    char host_path[kHostPathSize]; // file: the host file; device: its answer file
    char name[64];                 // device: its name as the caller wrote it
    size_t process;                // process and thread: the slot of the process record
};

// A started child process, shared by its process and thread handles.
struct ProcessRecord {
    bool used;
    pid_t pid;
    bool exited;
    DWORD exit_code;
    int references;
};

// Enters a handle; null when the table is full.
HANDLE AddHandle(const HandleEntry& entry);

// The entry of a live handle, or null.
HandleEntry* FindHandle(HANDLE handle);

// A fresh process record for a started child with no handles yet; null when the table is full.
ProcessRecord* AddProcess(pid_t pid, size_t* slot);

ProcessRecord* ProcessAt(size_t slot);

} // namespace hostwin
