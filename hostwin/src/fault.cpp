// Fault injection keyed by API name and call count.
//
// Tests arm faults through testing.h; a program run on a machine directory takes them from
// HOSTWIN_FAULTS, a list "API:N:ERROR" separated by ";" (N 0 means every call).
#include "internal.h"

#include <hostwin/testing.h>

#include <stdlib.h>
#include <string.h>

namespace hostwin {

namespace {

constexpr size_t kNameSize = 64;
constexpr size_t kMaxFaults = 32;
constexpr size_t kMaxCounters = 128;

struct Fault {
    char api[kNameSize];
    unsigned at_count; // fails when the API's count reaches this; 0: every call
    DWORD error;
};

struct Counter {
    char api[kNameSize];
    unsigned count;
};

struct FaultState {
    unsigned generation;
    Fault faults[kMaxFaults];
    size_t fault_count;
    Counter counters[kMaxCounters];
    size_t counter_count;
};

FaultState state;

thread_local unsigned internal_depth = 0;

void CopyName(char* out, const char* api) {
    strncpy(out, api, kNameSize - 1);
    out[kNameSize - 1] = '\0';
}

Counter* FindCounter(const char* api, bool create) {
    for (size_t i = 0; i < state.counter_count; ++i)
        if (strncmp(state.counters[i].api, api, kNameSize - 1) == 0)
            return &state.counters[i];
    if (!create || state.counter_count == kMaxCounters)
        return nullptr;
    Counter* c = &state.counters[state.counter_count++];
    CopyName(c->api, api);
    c->count = 0;
    return c;
}

void Arm(const char* api, unsigned nth, DWORD error) {
    if (state.fault_count == kMaxFaults)
        abort(); // a test that arms more faults than this is itself wrong
    Counter* c = FindCounter(api, true);
    unsigned now = c != nullptr ? c->count : 0;
    Fault* f = &state.faults[state.fault_count++];
    CopyName(f->api, api);
    f->at_count = nth == 0 ? 0 : now + nth;
    f->error = error;
}

// Reads HOSTWIN_FAULTS once per machine generation, only for a machine directory.
void LoadEnvironmentFaults() {
    const char* spec = MachineDirectory() != nullptr ? getenv("HOSTWIN_FAULTS") : nullptr;
    if (spec == nullptr)
        return;
    char item[kNameSize + 32];
    while (*spec != '\0') {
        size_t len = strcspn(spec, ";");
        if (len < sizeof item) {
            memcpy(item, spec, len);
            item[len] = '\0';
            char* first = strchr(item, ':');
            char* second = first != nullptr ? strchr(first + 1, ':') : nullptr;
            if (second != nullptr) {
                *first = '\0';
                *second = '\0';
                Arm(item, static_cast<unsigned>(strtoul(first + 1, nullptr, 10)),
                    static_cast<DWORD>(strtoul(second + 1, nullptr, 0)));
            }
        }
        spec += len;
        if (*spec == ';')
            ++spec;
    }
}

void Refresh() {
    if (state.generation == MachineGeneration())
        return;
    memset(&state, 0, sizeof state);
    state.generation = MachineGeneration();
    LoadEnvironmentFaults();
}

} // namespace

bool FaultHits(const char* api, DWORD* error) {
    Refresh();
    if (internal_depth > 0)
        return false;
    Counter* c = FindCounter(api, true);
    unsigned count = c != nullptr ? ++c->count : 0;
    for (size_t i = 0; i < state.fault_count; ++i) {
        Fault* f = &state.faults[i];
        if (strncmp(f->api, api, kNameSize - 1) != 0)
            continue;
        if (f->at_count == 0 || f->at_count == count) {
            *error = f->error;
            return true;
        }
    }
    return false;
}

InternalCalls::InternalCalls() {
    ++internal_depth;
}

InternalCalls::~InternalCalls() {
    --internal_depth;
}

void FailCall(const char* api, unsigned nth, DWORD error) {
    Refresh();
    Arm(api, nth == 0 ? 1 : nth, error);
}

void FailEveryCall(const char* api, DWORD error) {
    Refresh();
    Arm(api, 0, error);
}

void ClearFaults() {
    Refresh();
    state.fault_count = 0;
}

unsigned CallCount(const char* api) {
    Refresh();
    Counter* c = FindCounter(api, false);
    return c != nullptr ? c->count : 0;
}

} // namespace hostwin
