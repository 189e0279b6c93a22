// The machine directory's table of top-level windows and the sending of messages between its
// programs.
#include "window_registry.h"

#include "text_compare.h"
#include "ui_log.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace hostwin {

namespace {

constexpr uint32_t kRequestMagic = 0x534D5357; // "WSMS"

struct Request {
    uint32_t magic;
    uint32_t message;
    uint64_t window;
    uint64_t wparam;
    int64_t lparam;
};

struct Reply {
    int64_t result;
};

bool EntryPath(unsigned number, char* out, size_t size) {
    char name[64];
    snprintf(name, sizeof name, "windows/%u", number);
    return MachinePath(name, out, size);
}

// The socket's name: the machine directory's identity and the window's number, so that two
// machines never share a window even when their numbers coincide.
bool SocketAddress(unsigned number, sockaddr_un* address, socklen_t* length) {
    struct stat st;
    if (stat(MachineDirectory(), &st) != 0)
        return false;
    memset(address, 0, sizeof *address);
    address->sun_family = AF_UNIX;
    int n = snprintf(address->sun_path + 1, sizeof address->sun_path - 1,
                     "hostwin-window:%llx:%llx:%u", static_cast<unsigned long long>(st.st_dev),
                     static_cast<unsigned long long>(st.st_ino), number);
    *length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + n);
    return true;
}

bool ProcessAlive(pid_t pid) {
    return pid > 0 && (kill(pid, 0) == 0 || errno == EPERM);
}

// Sends on a socket; a peer that has gone away is a failure, not a signal.
bool WriteAll(int fd, const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = send(fd, p, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool ReadAll(int fd, void* data, size_t size) {
    char* p = static_cast<char*>(data);
    while (size > 0) {
        ssize_t n = read(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

void WriteEntry(const Window* window) {
    char path[4096], temporary[4096];
    if (!EntryPath(window->number, path, sizeof path))
        return;
    int n = snprintf(temporary, sizeof temporary, "%s.%d.tmp", path, static_cast<int>(getpid()));
    if (n < 0 || static_cast<size_t>(n) >= sizeof temporary)
        return;
    FILE* f = fopen(temporary, "wb");
    if (f == nullptr) {
        fprintf(stderr, "hostwin: cannot write %s\n", temporary);
        return;
    }
    fprintf(f, "%d\n%u\n%s\n%s", static_cast<int>(window->owner), window->z, window->class_name,
            window->text);
    fclose(f);
    if (rename(temporary, path) != 0)
        fprintf(stderr, "hostwin: cannot write %s\n", path);
}

// Removes the entries of this process's windows when it ends, as Windows destroys a thread's
// windows when the thread ends.
void WithdrawAtExit() {
    ForEachLocalWindow(
        [](Window* w, void*) {
            if (w->child == 0 && w->owner == getpid() && w->listen_fd >= 0)
                WithdrawWindow(w);
            return true;
        },
        nullptr);
}

bool ParseEntry(unsigned number, const char* text, WindowEntry* entry) {
    memset(entry, 0, sizeof *entry);
    entry->number = number;
    int pid = 0;
    unsigned z = 0;
    int used = 0;
    if (sscanf(text, "%d\n%u\n%n", &pid, &z, &used) < 2 || used == 0)
        return false;
    entry->owner = pid;
    entry->z = z;
    const char* cls = text + used;
    const char* end = strchr(cls, '\n');
    if (end == nullptr)
        return false;
    size_t n = static_cast<size_t>(end - cls);
    if (n >= sizeof entry->class_name)
        return false;
    memcpy(entry->class_name, cls, n);
    snprintf(entry->title, sizeof entry->title, "%s", end + 1);
    return true;
}

bool LoadEntry(unsigned number, WindowEntry* entry) {
    char path[4096];
    if (!EntryPath(number, path, sizeof path))
        return false;
    FILE* f = fopen(path, "rb");
    if (f == nullptr)
        return false;
    char text[kClassNameSize + kWindowTextSize + 64];
    size_t n = fread(text, 1, sizeof text - 1, f);
    fclose(f);
    text[n] = '\0';
    if (!ParseEntry(number, text, entry))
        return false;
    if (!ProcessAlive(entry->owner)) {
        unlink(path); // its program ended without taking its windows down
        return false;
    }
    return true;
}

} // namespace

bool PublishWindow(Window* window) {
    char dir[4096];
    if (!MachinePath("windows", dir, sizeof dir))
        return false;
    mkdir(dir, 0755);
    sockaddr_un address;
    socklen_t length;
    if (!SocketAddress(window->number, &address, &length))
        return false;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(fd, 16) != 0) {
        close(fd);
        return false;
    }
    window->listen_fd = fd;
    static bool exit_hook = false;
    if (!exit_hook) {
        exit_hook = true;
        atexit(WithdrawAtExit);
    }
    WriteEntry(window);
    return true;
}

void RepublishWindow(const Window* window) {
    if (window->listen_fd >= 0 && window->owner == getpid())
        WriteEntry(window);
}

void WithdrawWindow(Window* window) {
    if (window->owner != getpid())
        return; // a copy of the table in a child process: the windows are not its own
    char path[4096];
    if (EntryPath(window->number, path, sizeof path))
        unlink(path);
    if (window->listen_fd >= 0)
        close(window->listen_fd);
    window->listen_fd = -1;
}

bool ReadWindowEntry(unsigned number, WindowEntry* entry) {
    return number != 0 && LoadEntry(number, entry);
}

bool FindWindowEntry(const char* class_name, const char* title, WindowEntry* found) {
    char dir[4096];
    if (!MachinePath("windows", dir, sizeof dir))
        return false;
    DIR* d = opendir(dir);
    if (d == nullptr)
        return false;
    bool any = false;
    while (dirent* e = readdir(d)) {
        char* end = nullptr;
        unsigned long number = strtoul(e->d_name, &end, 10);
        if (e->d_name[0] < '0' || e->d_name[0] > '9' || *end != '\0' || number == 0)
            continue;
        WindowEntry entry;
        if (!LoadEntry(static_cast<unsigned>(number), &entry))
            continue;
        if (class_name != nullptr && !SameTextIgnoringCase(class_name, entry.class_name))
            continue;
        if (title != nullptr && !SameTextIgnoringCase(title, entry.title))
            continue;
        if (!any || entry.z > found->z) {
            *found = entry;
            any = true;
        }
    }
    closedir(d);
    return any;
}

bool SendToOtherProgram(const WindowEntry& entry, HWND window, UINT message, WPARAM wparam,
                        LPARAM lparam, LRESULT* result) {
    sockaddr_un address;
    socklen_t length;
    if (!SocketAddress(entry.number, &address, &length))
        return false;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), length) != 0) {
        close(fd);
        return false;
    }
    UiEntry record;
    UiBegin(&record, "SendMessage");
    UiAddText(&record, "class", entry.class_name);
    UiAddText(&record, "title", entry.title);
    UiAddNumber(&record, "message", message);
    UiAppend(&record);

    Request request{kRequestMagic, message, reinterpret_cast<uintptr_t>(window), wparam,
                    static_cast<int64_t>(lparam)};
    Reply reply{0};
    // A program that ends while handling the message gives no result: 0, as on Windows.
    if (WriteAll(fd, &request, sizeof request) && ReadAll(fd, &reply, sizeof reply))
        *result = static_cast<LRESULT>(reply.result);
    else
        *result = 0;
    close(fd);
    return true;
}

void ServeSentMessage() {
    struct Listening {
        pollfd fds[64];
        nfds_t count;
    } listening{};
    ForEachLocalWindow(
        [](Window* w, void* context) {
            Listening* l = static_cast<Listening*>(context);
            if (w->child == 0 && w->listen_fd >= 0 && l->count < 64)
                l->fds[l->count++] = pollfd{w->listen_fd, POLLIN, 0};
            return true;
        },
        &listening);
    if (listening.count == 0) {
        pause(); // nothing can ever arrive: wait as Windows would, forever
        return;
    }
    if (poll(listening.fds, listening.count, -1) <= 0)
        return;
    for (nfds_t i = 0; i < listening.count; ++i) {
        if ((listening.fds[i].revents & POLLIN) == 0)
            continue;
        int fd = accept4(listening.fds[i].fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        Request request;
        Reply reply{0};
        if (ReadAll(fd, &request, sizeof request) && request.magic == kRequestMagic) {
            HWND handle = reinterpret_cast<HWND>(static_cast<uintptr_t>(request.window));
            Window* w = FindLocalWindow(handle);
            if (w != nullptr)
                reply.result = DeliverLocal(w, request.message, static_cast<WPARAM>(request.wparam),
                                            static_cast<LPARAM>(request.lparam));
            WriteAll(fd, &reply, sizeof reply);
        }
        close(fd);
        return; // one message at a time, as the caller then looks for a quit
    }
}

} // namespace hostwin
