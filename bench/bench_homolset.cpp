// bench_homolset: how fast the built homolset program applies a homologation file, and how
// much memory it takes, on a fresh machine directory with the on-disk registry, as a user
// runs it.
//
//   bench_homolset FILE [HOMOLSET_PROGRAM]
//
// The program is run as a child process and measured from outside, as the time tool does:
// wall time around the whole run and the child's own peak resident set (wait4's ru_maxrss).
// That is the truth a user sees, process start and registry opening included, and the peak
// belongs to the program alone, not to this harness. It runs twice on one machine: "fresh"
// writes into an empty registry, "again" first clears the country keys that "fresh" wrote,
// as a reinstall does. Before that, the product's line reader alone reads the file in this
// process ("read"), to show what reading costs next to the registry writes.
//
// Output: one line per measurement of key=value pairs.
#include "homolset/line_reader.h"

#include <errno.h>
#include <ftw.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

namespace {

double Now() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

void Report(const char* run, unsigned long lines, double seconds, long peak_rss_kb) {
    printf("run=%s lines=%lu seconds=%.4f lines_per_s=%.0f peak_rss_kb=%ld", run, lines, seconds,
           seconds > 0 ? static_cast<double>(lines) / seconds : 0.0, peak_rss_kb);
}

// The registry's size on disk: the database and its write-ahead log.
long RegistryKb(const char* machine) {
    const char* const names[] = {"registry.sqlite", "registry.sqlite-wal"};
    long total = 0;
    for (const char* name : names) {
        char path[4200];
        snprintf(path, sizeof path, "%s/%s", machine, name);
        struct stat st;
        if (stat(path, &st) == 0)
            total += static_cast<long>(st.st_size / 1024);
    }
    return total;
}

// Reads the file line by line with the product's reader and nothing else.
bool MeasureReading(const char* path, unsigned long* lines) {
    FILE* file = fopen(path, "rb");
    if (file == nullptr)
        return false;
    static LineReader reader; // its buffer is the reader's own, not this harness's stack
    char line[kLineSize];
    double start = Now();
    StartLineReader(&reader, file);
    unsigned long count = 0;
    while (ReadNextLine(&reader, line))
        ++count;
    double seconds = Now() - start;
    fclose(file);
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    Report("read", count, seconds, usage.ru_maxrss);
    printf("\n");
    *lines = count;
    return true;
}

// Runs the program on the machine with the file as its command line; false when it could
// not be run or did not end with status 0.
bool MeasureProgram(const char* run, const char* program, const char* machine, const char* path,
                    unsigned long lines) {
    // The child's environment: ours with HOSTWIN_MACHINE replaced.
    size_t count = 0;
    while (environ[count] != nullptr)
        ++count;
    char** env = static_cast<char**>(calloc(count + 2, sizeof(char*)));
    size_t used = 0;
    for (size_t i = 0; i < count; ++i)
        if (strncmp(environ[i], "HOSTWIN_MACHINE=", 16) != 0)
            env[used++] = environ[i];
    char machine_setting[4200];
    snprintf(machine_setting, sizeof machine_setting, "HOSTWIN_MACHINE=%s", machine);
    env[used++] = machine_setting;
    env[used] = nullptr;

    char* argv[] = {const_cast<char*>(program), const_cast<char*>(path), nullptr};
    double start = Now();
    pid_t child;
    int rc = posix_spawn(&child, program, nullptr, nullptr, argv, env);
    free(env);
    if (rc != 0) {
        fprintf(stderr, "cannot run %s: %s\n", program, strerror(rc));
        return false;
    }
    int status = 0;
    rusage usage;
    while (wait4(child, &status, 0, &usage) < 0)
        if (errno != EINTR)
            return false;
    double seconds = Now() - start;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        fprintf(stderr, "%s ended with status %d on %s\n", program, status, path);
        return false;
    }
    Report(run, lines, seconds, usage.ru_maxrss);
    printf(" user_s=%.3f sys_s=%.3f registry_kb=%ld\n",
           static_cast<double>(usage.ru_utime.tv_sec) + usage.ru_utime.tv_usec / 1e6,
           static_cast<double>(usage.ru_stime.tv_sec) + usage.ru_stime.tv_usec / 1e6,
           RegistryKb(machine));
    fflush(stdout);
    return true;
}

int RemoveEntry(const char* path, const struct stat*, int, FTW*) {
    return remove(path);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        fprintf(stderr, "usage: %s FILE [HOMOLSET_PROGRAM]\n", argv[0]);
        return 2;
    }
    const char* path = argv[1];
    const char* program = argc == 3 ? argv[2] : HOMOLSET_PROGRAM;
    // The command line is the file name unchanged, so a blank in it would not be found.
    if (strpbrk(path, " \t\"") != nullptr) {
        fprintf(stderr, "the file's path must hold no blanks or quotes: %s\n", path);
        return 2;
    }

    unsigned long lines = 0;
    if (!MeasureReading(path, &lines)) {
        fprintf(stderr, "cannot open %s\n", path);
        return 1;
    }

    const char* tmp = getenv("TMPDIR");
    char machine[4096];
    snprintf(machine, sizeof machine, "%s/homolset-bench.XXXXXX",
             tmp != nullptr && tmp[0] != '\0' ? tmp : P_tmpdir);
    if (mkdtemp(machine) == nullptr) {
        perror("mkdtemp");
        return 1;
    }
    bool ok = MeasureProgram("fresh", program, machine, path, lines) &&
              MeasureProgram("again", program, machine, path, lines);
    nftw(machine, RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
    return ok ? 0 : 1;
}
