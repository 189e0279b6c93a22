// Top-level windows shared by the programs of a machine directory.
//
// Each top-level window has an entry windows/<number> in the machine directory (its owner's
// process id, its Z-order position, class and title) and a Unix socket in the abstract
// namespace on which its owner serves messages that other programs send to it. The owner
// serves them inside GetMessageA, as Windows delivers sent messages to a thread that waits
// for messages; the sender blocks until the window's procedure has handled the message.
// Entries of a program that ended without removing them are recognised by the dead process
// and passed over.
#pragma once

#include "window_table.h"

namespace hostwin {

struct WindowEntry {
    unsigned number;
    pid_t owner;
    unsigned z;
    char class_name[kClassNameSize];
    char title[kWindowTextSize];
};

// Publishes a new top-level window of this process and opens its socket; false when the
// machine directory cannot hold it.
bool PublishWindow(Window* window);

// Rewrites the entry after its title or Z-order position changed.
void RepublishWindow(const Window* window);

// Removes the entry and closes the socket.
void WithdrawWindow(Window* window);

// The live entry of a top-level window number.
bool ReadWindowEntry(unsigned number, WindowEntry* entry);

// The live entry nearest the top of the Z order whose class and title match (null matches
// every class or title), compared without regard to case.
bool FindWindowEntry(const char* class_name, const char* title, WindowEntry* entry);

// Sends a message to a window of another program and waits for its result. False when the
// window is gone; the send is written to the UI log once it has reached the window.
bool SendToOtherProgram(const WindowEntry& entry, HWND window, UINT message, WPARAM wparam,
                        LPARAM lparam, LRESULT* result);

// Waits until a message sent by another program arrives at a window of this process and
// handles it; returns when one was handled (or the wait was interrupted).
void ServeSentMessage();

} // namespace hostwin
