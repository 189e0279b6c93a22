// The dialog's controls: the static text and the common controls' progress bar, whose class
// exists once the program has called InitCommonControls. A dialog whose template names the
// progress bar cannot be created before that (ERROR_CANNOT_FIND_WND_CLASS).
#include "text_compare.h"
#include "window_table.h"

#include <commctrl.h>
#include <string.h>

namespace {

using hostwin::Window;
using hostwin::WindowKind;

struct CommonControls {
    unsigned generation;
    bool registered;
};

CommonControls common_controls;

CommonControls& State() {
    if (common_controls.generation != hostwin::MachineGeneration())
        common_controls = CommonControls{hostwin::MachineGeneration(), false};
    return common_controls;
}

int Clamp(int value, int low, int high) {
    return value < low ? low : (value > high ? high : value);
}

// PBM_SETPOS and its relatives: the new position stays within the range; the previous one
// is the result.
LRESULT MoveBar(Window* bar, int position) {
    int previous = bar->progress_position;
    bar->progress_position = Clamp(position, bar->progress_low, bar->progress_high);
    hostwin::LogDialogItem("progress", bar->id, "value", nullptr, bar->progress_position);
    return previous;
}

LRESULT DeliverToProgress(Window* bar, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case PBM_SETPOS:
        return MoveBar(bar, static_cast<int>(wparam));
    case PBM_DELTAPOS:
        return MoveBar(bar, bar->progress_position + static_cast<int>(wparam));
    case PBM_STEPIT: {
        int next = bar->progress_position + bar->progress_step;
        if (next > bar->progress_high) // stepping past the end starts over
            next = bar->progress_low + (next - bar->progress_high);
        return MoveBar(bar, next);
    }
    case PBM_SETSTEP: {
        int previous = bar->progress_step;
        bar->progress_step = static_cast<int>(wparam);
        return previous;
    }
    case PBM_GETPOS:
        return bar->progress_position;
    case PBM_SETRANGE: {
        LRESULT previous = MAKELRESULT(bar->progress_low, bar->progress_high);
        bar->progress_low = LOWORD(lparam);
        bar->progress_high = HIWORD(lparam);
        bar->progress_position =
            Clamp(bar->progress_position, bar->progress_low, bar->progress_high);
        return previous;
    }
    case PBM_SETRANGE32: {
        LRESULT previous = MAKELRESULT(bar->progress_low, bar->progress_high);
        bar->progress_low = static_cast<int>(wparam);
        bar->progress_high = static_cast<int>(lparam);
        bar->progress_position =
            Clamp(bar->progress_position, bar->progress_low, bar->progress_high);
        return previous;
    }
    default:
        return DefWindowProcA(hostwin::HandleOf(bar), message, wparam, lparam);
    }
}

} // namespace

void WINAPI InitCommonControls(void) {
    DWORD error;
    // It has no failure of its own; a fault leaves the classes unregistered.
    if (hostwin::FaultHits("InitCommonControls", &error))
        return;
    State().registered = true;
}

namespace hostwin {

bool ControlClassAvailable(const char* class_name, WindowKind* kind) {
    if (SameTextIgnoringCase(class_name, "Static")) {
        *kind = WindowKind::kStatic;
        return true;
    }
    if (SameTextIgnoringCase(class_name, PROGRESS_CLASSA) && State().registered) {
        *kind = WindowKind::kProgress;
        return true;
    }
    return false;
}

LRESULT DeliverToControl(Window* control, UINT message, WPARAM wparam, LPARAM lparam) {
    if (control->kind == WindowKind::kProgress)
        return DeliverToProgress(control, message, wparam, lparam);
    return DefWindowProcA(HandleOf(control), message, wparam, lparam);
}

} // namespace hostwin
