// The control panel for tests: the machine, fault injection, and each area's own controls.
#pragma once

#include <hostwin/win_types.h>

namespace hostwin {

// Starts a fresh in-memory machine: empty registry, empty UI log, every area back to its
// defaults and every fault cleared. Unit tests call it before each case.
void ResetMachine();

// Makes the nth call from now (1 = the next) of the named API fail with the given error.
// Registry functions return the error; the others fail as Windows does and leave the error
// as the thread's last-error code. Several faults may be armed at once.
void FailCall(const char* api, unsigned nth, DWORD error);

// Makes every call of the named API from now on fail with the given error.
void FailEveryCall(const char* api, DWORD error);

// Disarms every fault.
void ClearFaults();

// How many times the named API has been called since the machine was reset.
unsigned CallCount(const char* api);

} // namespace hostwin

#include <hostwin/testing_ui.h>
#include <hostwin/testing_process.h>
#include <hostwin/testing_file.h>
#include <hostwin/testing_device.h>
#include <hostwin/testing_version.h>
