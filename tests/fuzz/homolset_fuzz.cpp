// Fuzz target: arbitrary bytes as a homologation file, applied to an in-memory machine.
//
// A fresh machine costs about a millisecond under the sanitizers (a new in-memory database,
// whose allocations go through the sanitizer's allocator), several times what a typical input
// costs, so the machine is reset every kInputsPerMachine inputs instead of before each. The
// inputs in between see what earlier ones wrote, as a second run of the program would. run.sh
// replays every finding alone on a fresh machine to tell whether it needs that history.
#include "homolset/applier.h"

#include <hostwin/testing.h>

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

namespace {
constexpr unsigned kInputsPerMachine = 64;
unsigned inputs_on_machine = kInputsPerMachine;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (inputs_on_machine == kInputsPerMachine) {
        hostwin::ResetMachine();
        inputs_on_machine = 0;
    }
    ++inputs_on_machine;
    // A read-only memory stream never writes to its buffer; an empty one reads as end of file.
    FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (file == nullptr)
        return 0;
    ApplyHomologationFile(file);
    fclose(file);
    return 0;
}
