// What the areas of hostwin share among themselves; not part of the Win32 surface.
#pragma once

#include <windows.h>

namespace hostwin {

// The machine directory named by HOSTWIN_MACHINE, or null for an in-memory machine.
const char* MachineDirectory();

// Builds "<machine directory>/<name>" into out; false when there is no machine directory
// or the path does not fit.
bool MachinePath(const char* name, char* out, size_t out_size);

// Bumped by ResetMachine. An area keeps the generation its state belongs to and starts
// afresh when it sees another one, so resetting needs no list of areas.
unsigned MachineGeneration();

// Counts a call of the named API and tells whether an armed fault hits it; if so, *error
// receives the error to fail with. Every implemented API calls this first.
bool FaultHits(const char* api, DWORD* error);

// While one lives on a thread, the calls that one area of hostwin makes to another's API on
// its own behalf (SetupAPI keeping its devices in the registry) are neither counted nor hit by
// faults: faults and counts aim at the calls the product makes.
class InternalCalls {
  public:
    InternalCalls();
    ~InternalCalls();
    InternalCalls(const InternalCalls&) = delete;
    InternalCalls& operator=(const InternalCalls&) = delete;
};

// The environment variable through which a host CreateProcessA hands the child the exact
// Windows command line it was given.
constexpr const char* kCommandLineVariable = "HOSTWIN_COMMAND_LINE";

} // namespace hostwin
