// The simulated machine: where its state lives and when it was last reset.
#include "internal.h"

#include <hostwin/testing.h>

#include <stdio.h>
#include <stdlib.h>

namespace hostwin {

namespace {
unsigned generation = 1;
bool in_memory_forced = false;
} // namespace

const char* MachineDirectory() {
    if (in_memory_forced)
        return nullptr;
    const char* dir = getenv("HOSTWIN_MACHINE");
    return (dir != nullptr && dir[0] != '\0') ? dir : nullptr;
}

bool MachinePath(const char* name, char* out, size_t out_size) {
    const char* dir = MachineDirectory();
    if (dir == nullptr)
        return false;
    int n = snprintf(out, out_size, "%s/%s", dir, name);
    return n > 0 && static_cast<size_t>(n) < out_size;
}

unsigned MachineGeneration() {
    return generation;
}

void ResetMachine() {
    in_memory_forced = true;
    ++generation;
}

} // namespace hostwin
