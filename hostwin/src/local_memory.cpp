// The local heap as far as the product sees it: blocks that the system allocated for it
// (FormatMessageA's text) and LocalFree. Only blocks handed out here are accepted, so that a
// wrong handle fails with ERROR_INVALID_HANDLE as it does on Windows instead of corrupting
// the host's heap.
#include "local_memory.h"

#include "internal.h"

#include <stdlib.h>

namespace hostwin {

namespace {

constexpr size_t kMaxBlocks = 1024;
void* blocks[kMaxBlocks]; // the live blocks; they belong to the process, not to the machine

} // namespace

HLOCAL LocalAllocate(size_t size) {
    for (size_t i = 0; i < kMaxBlocks; ++i) {
        if (blocks[i] == nullptr) {
            blocks[i] = calloc(1, size == 0 ? 1 : size);
            return blocks[i];
        }
    }
    return nullptr;
}

} // namespace hostwin

HLOCAL WINAPI LocalFree(HLOCAL memory) {
    DWORD error;
    if (hostwin::FaultHits("LocalFree", &error)) {
        SetLastError(error);
        return memory;
    }
    if (memory == nullptr)
        return nullptr;
    for (size_t i = 0; i < hostwin::kMaxBlocks; ++i) {
        if (hostwin::blocks[i] == memory) {
            free(memory);
            hostwin::blocks[i] = nullptr;
            return nullptr;
        }
    }
    SetLastError(ERROR_INVALID_HANDLE);
    return memory;
}
