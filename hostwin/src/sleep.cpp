// Sleep: every pause is written to the UI log. A program on a machine directory really pauses,
// for the time scaled by HOSTWIN_SLEEP_SCALE (1 by default; 0 or 0.01 make scenarios fast);
// the in-memory machine of the unit tests does not pause at all.
#include "internal.h"
#include "ui_log.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

namespace {

double SleepScale() {
    const char* text = getenv("HOSTWIN_SLEEP_SCALE");
    if (text == nullptr || *text == '\0')
        return 1.0;
    char* end = nullptr;
    double scale = strtod(text, &end);
    if (end == text || *end != '\0' || !(scale >= 0.0)) {
        fprintf(stderr, "hostwin: HOSTWIN_SLEEP_SCALE '%s' is not a number >= 0; using 1\n", text);
        return 1.0;
    }
    return scale;
}

void PauseFor(double milliseconds) {
    if (milliseconds <= 0.0)
        return;
    double seconds = milliseconds / 1000.0;
    timespec rest;
    rest.tv_sec = static_cast<time_t>(seconds);
    rest.tv_nsec = static_cast<long>((seconds - static_cast<double>(rest.tv_sec)) * 1e9);
    while (nanosleep(&rest, &rest) != 0 && errno == EINTR) {
    }
}

} // namespace

void WINAPI Sleep(DWORD milliseconds) {
    DWORD error;
    hostwin::FaultHits("Sleep", &error); // counted only: a pause has no failure
    hostwin::UiEntry entry;
    hostwin::UiBegin(&entry, "Sleep");
    hostwin::UiAddNumber(&entry, "ms", milliseconds);
    hostwin::UiAppend(&entry);
    if (hostwin::MachineDirectory() == nullptr)
        return;
    if (milliseconds == INFINITE) {
        for (;;)
            pause();
    }
    PauseFor(static_cast<double>(milliseconds) * SleepScale());
}
