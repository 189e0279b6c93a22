// Processes: CreateProcessA runs the host executable that the Windows command line names
// (how it is found: program_search.h; what the child receives: testing_process.h), and
// every call is logged in the UI log. WaitForSingleObject and GetExitCodeProcess reap it.
#include "crt_arguments.h"
#include "handle_table.h"
#include "internal.h"
#include "path_map.h"
#include "program_search.h"
#include "ui_log.h"

#include <errno.h>
#include <spawn.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <string>
#include <vector>

extern char** environ;

namespace hostwin {

namespace {

// Variables that belong to the parent alone, or that the parent sets for the child itself.
bool IsParentOnly(const std::string& entry) {
    const char* names[] = {
        "HOSTWIN_MACHINE=", "HOSTWIN_FAULTS=", "HOSTWIN_MODULE=", "HOSTWIN_COMMAND_LINE="};
    for (const char* name : names)
        if (entry.compare(0, strlen(name), name) == 0)
            return true;
    return false;
}

std::vector<std::string> ChildEnvironment(const void* block, const char* command_line,
                                          const char* module) {
    std::vector<std::string> environment;
    if (block != nullptr) { // "NAME=value\0...\0\0"
        for (const char* p = static_cast<const char*>(block); *p != '\0'; p += strlen(p) + 1)
            environment.emplace_back(p);
    } else {
        for (char** e = environ; *e != nullptr; ++e)
            environment.emplace_back(*e);
    }
    std::vector<std::string> child;
    for (const std::string& entry : environment)
        if (!IsParentOnly(entry))
            child.push_back(entry);
    if (const char* machine = MachineDirectory())
        child.push_back(std::string("HOSTWIN_MACHINE=") + machine);
    child.push_back(std::string(kCommandLineVariable) + "=" + command_line);
    child.push_back(std::string("HOSTWIN_MODULE=") + module);
    return child;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts)
        pointers.push_back(&text[0]);
    pointers.push_back(nullptr);
    return pointers;
}

// The host working directory of the child; empty to keep the parent's.
DWORD ChildDirectory(const char* current_directory, std::string* host_directory) {
    MappedPath mapped;
    if (current_directory != nullptr) {
        if (MapWindowsPath(current_directory, &mapped) != 0 || !mapped.is_directory)
            return ERROR_DIRECTORY;
    } else if (MapWindowsPath(CurrentDirectory(), &mapped) != 0 || !mapped.is_directory) {
        return 0;
    }
    *host_directory = mapped.host;
    return 0;
}

DWORD Spawn(const FoundProgram& program, const char* command_line, const void* environment,
            const char* current_directory, pid_t* pid) {
    struct stat st;
    if (stat(program.host_path, &st) != 0)
        return ERROR_FILE_NOT_FOUND;
    if ((st.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) == 0)
        return ERROR_BAD_EXE_FORMAT;
    std::string directory;
    if (DWORD error = ChildDirectory(current_directory, &directory))
        return error;

    std::vector<std::string> arguments = SplitArguments(command_line);
    std::vector<std::string> variables =
        ChildEnvironment(environment, command_line, program.windows_path);
    std::vector<char*> argv = Pointers(arguments);
    std::vector<char*> envp = Pointers(variables);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!directory.empty())
        posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
    int rc = posix_spawn(pid, program.host_path, &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc == ENOEXEC || rc == EACCES)
        return ERROR_BAD_EXE_FORMAT;
    return rc == 0 ? 0 : ErrorOfErrno(rc);
}

DWORD StartProcess(LPCSTR application_name, const char* command_line, DWORD creation_flags,
                   const void* environment, LPCSTR current_directory, LPSTARTUPINFOA startup_info,
                   LPPROCESS_INFORMATION information) {
    if (command_line == nullptr || startup_info == nullptr || information == nullptr)
        return ERROR_INVALID_PARAMETER;
    if (creation_flags != 0)
        return ERROR_CALL_NOT_IMPLEMENTED; // suspended starts, consoles, ... are not provided
    FoundProgram program;
    DWORD error = application_name != nullptr ? FindApplication(application_name, &program)
                                              : FindProgramOfCommandLine(command_line, &program);
    if (error != 0)
        return error;
    pid_t pid;
    if ((error = Spawn(program, command_line, environment, current_directory, &pid)) != 0)
        return error;

    size_t slot;
    ProcessRecord* record = AddProcess(pid, &slot);
    HandleEntry entry;
    memset(&entry, 0, sizeof entry);
    entry.fd = -1;
    entry.process = slot;
    entry.kind = kProcessHandle;
    HANDLE process = record != nullptr ? AddHandle(entry) : nullptr;
    entry.kind = kThreadHandle;
    HANDLE thread = process != nullptr ? AddHandle(entry) : nullptr;
    if (thread == nullptr) {
        if (process != nullptr)
            CloseHandle(process);
        // The child runs on without handles, as one whose handles were closed at once.
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    record->references = 2;
    information->hProcess = process;
    information->hThread = thread;
    information->dwProcessId = static_cast<DWORD>(pid);
    information->dwThreadId = static_cast<DWORD>(pid); // a process's first thread has its id
    return 0;
}

DWORD ExitCodeOf(int status) {
    if (WIFEXITED(status))
        return static_cast<DWORD>(WEXITSTATUS(status));
    if (WIFSIGNALED(status))
        return 128 + static_cast<DWORD>(WTERMSIG(status));
    return 0;
}

// Reaps the child if it has ended (or, when blocking, once it ends). False when it cannot be
// waited for at all.
bool Reap(ProcessRecord* process, bool block) {
    if (process->exited)
        return true;
    int status = 0;
    pid_t rc;
    do {
        rc = waitpid(process->pid, &status, block ? 0 : WNOHANG);
    } while (rc < 0 && errno == EINTR);
    if (rc < 0)
        return false;
    if (rc == process->pid) {
        process->exited = true;
        process->exit_code = ExitCodeOf(status);
    }
    return true;
}

// The process behind a process handle; null for any other handle.
ProcessRecord* ProcessOfHandle(HANDLE handle) {
    HandleEntry* entry = FindHandle(handle);
    if (entry == nullptr || entry->kind != kProcessHandle)
        return nullptr;
    return ProcessAt(entry->process);
}

long long NowMilliseconds() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

} // namespace

} // namespace hostwin

void WINAPI GetStartupInfoA(LPSTARTUPINFOA startup_info) {
    DWORD ignored;
    hostwin::FaultHits("GetStartupInfoA", &ignored); // counted; it has no way to fail
    memset(startup_info, 0, sizeof *startup_info);
    startup_info->cb = sizeof *startup_info;
}

BOOL WINAPI CreateProcessA(LPCSTR application_name, LPSTR command_line, LPSECURITY_ATTRIBUTES,
                           LPSECURITY_ATTRIBUTES, BOOL, DWORD creation_flags, LPVOID environment,
                           LPCSTR current_directory, LPSTARTUPINFOA startup_info,
                           LPPROCESS_INFORMATION process_information) {
    // Without a command line the application name is the command line.
    const char* line = command_line != nullptr ? command_line : application_name;
    DWORD error;
    if (!hostwin::FaultHits("CreateProcessA", &error))
        error = hostwin::StartProcess(application_name, line, creation_flags, environment,
                                      current_directory, startup_info, process_information);
    hostwin::UiEntry entry;
    hostwin::UiBegin(&entry, "CreateProcess");
    hostwin::UiAddText(&entry, "command", line);
    hostwin::UiAddBool(&entry, "ok", error == 0);
    hostwin::UiAppend(&entry);
    if (error != 0) {
        SetLastError(error);
        return FALSE;
    }
    return TRUE;
}

DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    DWORD error;
    if (hostwin::FaultHits("WaitForSingleObject", &error)) {
        SetLastError(error);
        return WAIT_FAILED;
    }
    hostwin::HandleEntry* entry = hostwin::FindHandle(handle);
    if (entry == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    if (entry->kind == hostwin::kFileHandle || entry->kind == hostwin::kDeviceHandle)
        return WAIT_OBJECT_0; // no I/O is ever pending: always signalled
    hostwin::ProcessRecord* process = hostwin::ProcessAt(entry->process);
    if (process == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    if (milliseconds == INFINITE) {
        if (!hostwin::Reap(process, true)) {
            SetLastError(ERROR_INVALID_HANDLE);
            return WAIT_FAILED;
        }
        return WAIT_OBJECT_0;
    }
    long long deadline = hostwin::NowMilliseconds() + milliseconds;
    for (;;) {
        if (!hostwin::Reap(process, false)) {
            SetLastError(ERROR_INVALID_HANDLE);
            return WAIT_FAILED;
        }
        if (process->exited)
            return WAIT_OBJECT_0;
        if (hostwin::NowMilliseconds() >= deadline)
            return WAIT_TIMEOUT;
        struct timespec pause = {0, 1000000}; // 1 ms between looks
        nanosleep(&pause, nullptr);
    }
}

BOOL WINAPI GetExitCodeProcess(HANDLE process, LPDWORD exit_code) {
    DWORD error;
    if (hostwin::FaultHits("GetExitCodeProcess", &error)) {
        SetLastError(error);
        return FALSE;
    }
    hostwin::ProcessRecord* record = hostwin::ProcessOfHandle(process);
    if (record == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (exit_code == nullptr) {
        SetLastError(ERROR_NOACCESS);
        return FALSE;
    }
    if (!hostwin::Reap(record, false)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    *exit_code = record->exited ? record->exit_code : STILL_ACTIVE;
    return TRUE;
}
