// The kernel handle table and CloseHandle. A new machine generation closes whatever the last
// test left open, so that its host files and locks are released.
#include "handle_table.h"

#include "internal.h"

#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

namespace hostwin {

namespace {

constexpr size_t kMaxHandles = 256;
constexpr size_t kMaxProcesses = 128;
constexpr uintptr_t kFirstHandle = 0x10000; // apart from the registry's key handles
constexpr uintptr_t kHandleStep = 4;

struct Table {
    unsigned generation;
    HandleEntry handles[kMaxHandles];
    ProcessRecord processes[kMaxProcesses];
};

Table table;

void Refresh() {
    if (table.generation == MachineGeneration())
        return;
    for (HandleEntry& entry : table.handles)
        if (entry.used && entry.fd >= 0)
            close(entry.fd);
    for (ProcessRecord& process : table.processes)
        if (process.used && !process.exited)
            waitpid(process.pid, nullptr, WNOHANG); // reaps what has ended; the rest runs on
    memset(&table, 0, sizeof table);
    table.generation = MachineGeneration();
}

void ReleaseProcess(size_t slot) {
    ProcessRecord* process = ProcessAt(slot);
    if (process == nullptr || --process->references > 0)
        return;
    if (!process->exited)
        waitpid(process->pid, nullptr, WNOHANG);
    process->used = false; // a child still running goes on without a handle, as on Windows
}

} // namespace

HANDLE AddHandle(const HandleEntry& entry) {
    Refresh();
    for (size_t slot = 0; slot < kMaxHandles; ++slot) {
        if (!table.handles[slot].used) {
            table.handles[slot] = entry;
            table.handles[slot].used = true;
            return reinterpret_cast<HANDLE>(kFirstHandle + slot * kHandleStep);
        }
    }
    return nullptr;
}

HandleEntry* FindHandle(HANDLE handle) {
    Refresh();
    uintptr_t value = reinterpret_cast<uintptr_t>(handle);
    if (value < kFirstHandle || (value - kFirstHandle) % kHandleStep != 0)
        return nullptr;
    size_t slot = (value - kFirstHandle) / kHandleStep;
    if (slot >= kMaxHandles || !table.handles[slot].used)
        return nullptr;
    return &table.handles[slot];
}

ProcessRecord* AddProcess(pid_t pid, size_t* slot) {
    Refresh();
    for (size_t i = 0; i < kMaxProcesses; ++i) {
        if (!table.processes[i].used) {
            table.processes[i] = ProcessRecord{true, pid, false, 0, 0};
            *slot = i;
            return &table.processes[i];
        }
    }
    return nullptr;
}

ProcessRecord* ProcessAt(size_t slot) {
    Refresh();
    return slot < kMaxProcesses && table.processes[slot].used ? &table.processes[slot] : nullptr;
}

} // namespace hostwin

BOOL WINAPI CloseHandle(HANDLE handle) {
    DWORD error;
    if (hostwin::FaultHits("CloseHandle", &error)) {
        SetLastError(error);
        return FALSE;
    }
    hostwin::HandleEntry* entry = hostwin::FindHandle(handle);
    if (entry == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    switch (entry->kind) {
    case hostwin::kFileHandle:
        close(entry->fd);
        if (entry->delete_on_close)
            unlink(entry->host_path);
        break;
    case hostwin::kDeviceHandle:
        break; // a device is not a file: delete-on-close leaves it alone
    case hostwin::kProcessHandle:
    case hostwin::kThreadHandle:
        hostwin::ReleaseProcess(entry->process);
        break;
    }
    entry->used = false;
    return TRUE;
}
