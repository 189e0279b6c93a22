// Files and the system's directories as Windows NT has them: DeleteFileA's errors, the
// read-only attribute, CreateFileA's dispositions and share modes as DeleteFileA meets them,
// names ending in a backslash, and the rules of GetWindowsDirectoryA and GetSystemDirectoryA.
// Checked against whatever implements the Win32 API under this program: hostwin on Linux,
// Windows or Wine with MinGW.
//
// Wine's known gap: it keeps the read-only attribute as the Unix file's write permission,
// which a process running as root writes through (a run as another user shows a note).
//
// Everything is made below C:\HostwinConformance\Files and removed at the end.
#include "harness.h"
#include "platform.h"

#include <windows.h>

#include <string.h>

namespace {

const DWORD kSentinel = 0xdeadbeef;
const char kRoot[] = "C:\\HostwinConformance\\Files";
const char kSubdirectory[] = "C:\\HostwinConformance\\Files\\Directory";
const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The path of a name below the scratch directory.
const char* PathOf(const char* name) {
    static char path[MAX_PATH];
    snprintf(path, sizeof path, "%s\\%s", kRoot, name);
    return path;
}

// Creates a file with a little content through the API under test.
bool MakeFile(const char* path) {
    HANDLE file =
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, "content", 7, &written, nullptr);
    return CloseHandle(file) && ok && written == 7;
}

bool Exists(const char* path) {
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// DeleteFileA fails with the error that Windows gives and sets it as the last-error code.
void CheckDeleteFails(int line, const char* path, DWORD error) {
    SetLastError(kSentinel);
    CHECK_AT(line, !DeleteFileA(path));
    CHECK_EQ_AT(line, GetLastError(), error);
}

struct DeleteErrorCase {
    int line;
    const char* path;
    DWORD error;
};

// Columns: line, a path that names no file to delete, DeleteFileA's error for it. The
// scratch directory holds the file present.txt and the directory Directory. A name that ends
// in a backslash can only name a directory: on a file it is an invalid name.
const DeleteErrorCase kDeleteErrors[] = {
    {__LINE__, "C:\\HostwinConformance\\Files\\missing.txt", ERROR_FILE_NOT_FOUND},
    {__LINE__, "C:\\HostwinConformance\\Files\\Directory\\missing.txt", ERROR_FILE_NOT_FOUND},
    {__LINE__, "C:\\HostwinConformance\\Files\\missing.txt\\", ERROR_FILE_NOT_FOUND},
    {__LINE__, "C:\\HostwinConformance\\Files\\NoDirectory\\missing.txt", ERROR_PATH_NOT_FOUND},
    {__LINE__, "C:\\HostwinConformance\\Files\\No\\Deeper\\missing.txt", ERROR_PATH_NOT_FOUND},
    {__LINE__, "C:\\HostwinConformance\\Files\\present.txt\\missing.txt", ERROR_PATH_NOT_FOUND},
    {__LINE__, "", ERROR_PATH_NOT_FOUND},
    {__LINE__, "C:\\HostwinConformance\\Files\\present.txt\\", ERROR_INVALID_NAME},
    {__LINE__, "C:\\HostwinConformance\\Files\\*.txt", ERROR_INVALID_NAME},
    {__LINE__, "C:\\HostwinConformance\\Files\\present?txt", ERROR_INVALID_NAME},
};

void DeleteErrors() {
    for (const DeleteErrorCase& c : kDeleteErrors)
        CheckDeleteFails(c.line, c.path, c.error);
    CHECK(Exists(PathOf("present.txt")));
}

// A file is deleted, and is gone; a second delete finds nothing. Names match without
// regard to case, and the dots and blanks at the end of a name are dropped.
void DeleteExistingFile() {
    const char* const names[] = {
        "C:\\HOSTWINCONFORMANCE\\files\\PLAIN.TXT",
        "C:\\HostwinConformance\\Files\\plain.txt..",
        "C:\\HostwinConformance\\Files\\plain.txt . ",
        "C:\\HostwinConformance\\Files\\Directory\\..\\.\\plain.txt",
    };
    const char* path = PathOf("plain.txt");
    for (const char* name : names) {
        if (!CHECK(MakeFile(path)))
            return;
        if (!CHECK(DeleteFileA(name)))
            printf("note: DeleteFileA(\"%s\") failed with %lu\n", name,
                   static_cast<unsigned long>(GetLastError()));
        CHECK(!Exists(path));
        CheckDeleteFails(__LINE__, path, ERROR_FILE_NOT_FOUND);
    }
}

// The same rule for CreateFileA: a file named with a backslash at the end is neither opened
// nor created (ERROR_INVALID_NAME); what is not there is not found.
void NameEndingInBackslash() {
    const struct {
        int line;
        const char* path;
        DWORD disposition;
        DWORD error;
    } cases[] = {
        {__LINE__, "C:\\HostwinConformance\\Files\\present.txt\\", OPEN_EXISTING,
         ERROR_INVALID_NAME},
        {__LINE__, "C:\\HostwinConformance\\Files\\present.txt\\", CREATE_ALWAYS,
         ERROR_INVALID_NAME},
        {__LINE__, "C:\\HostwinConformance\\Files\\new.txt\\", CREATE_ALWAYS, ERROR_INVALID_NAME},
        {__LINE__, "C:\\HostwinConformance\\Files\\new.txt\\", CREATE_NEW, ERROR_INVALID_NAME},
        {__LINE__, "C:\\HostwinConformance\\Files\\new.txt\\", OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
    };
    for (const auto& c : cases) {
        SetLastError(kSentinel);
        HANDLE file = CreateFileA(c.path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, c.disposition,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        CHECK_AT(c.line, file == INVALID_HANDLE_VALUE);
        CHECK_EQ_AT(c.line, GetLastError(), c.error);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    }
    CHECK(!Exists(PathOf("new.txt")));
    CHECK(Exists(PathOf("present.txt")));
}

// A read-only file cannot be deleted (ERROR_ACCESS_DENIED) until the attribute is cleared.
void DeleteReadOnly() {
    const char* path = PathOf("readonly.txt");
    if (!CHECK(MakeFile(path)))
        return;
    CHECK(SetFileAttributesA(path, FILE_ATTRIBUTE_READONLY));
    DWORD attributes = GetFileAttributesA(path);
    CHECK(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0);
    CheckDeleteFails(__LINE__, path, ERROR_ACCESS_DENIED);
    CHECK(Exists(path));
    CHECK(SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL));
    CHECK(DeleteFileA(path));
    CHECK(!Exists(path));
}

// DeleteFileA does not delete directories: ERROR_ACCESS_DENIED, the directory stays.
void DeleteDirectory() {
    CheckDeleteFails(__LINE__, kSubdirectory, ERROR_ACCESS_DENIED);
    DWORD attributes = GetFileAttributesA(kSubdirectory);
    CHECK(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
}

struct SharingCase {
    int line;
    DWORD access;
    DWORD share;
    bool deletable; // whether DeleteFileA succeeds while the handle is open
};

// A file held open by a handle that does not share deletion cannot be deleted: the error is
// ERROR_SHARING_VIOLATION, and once the handle is closed the delete succeeds. A handle that
// shares deletion lets the delete succeed at once; the file is gone once it is closed.
// Columns: line, the handle's access and share mode, whether the file can be deleted while it
// is open.
const SharingCase kSharing[] = {
    {__LINE__, GENERIC_READ, kShareAll, true},
    {__LINE__, GENERIC_READ, FILE_SHARE_DELETE, true},
    {__LINE__, GENERIC_READ, 0, false},
    {__LINE__, GENERIC_WRITE, 0, false},
    {__LINE__, GENERIC_READ, FILE_SHARE_READ, false},
    {__LINE__, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, false},
};

void DeleteOpenFile() {
    const char* path = PathOf("open.txt");
    for (const SharingCase& c : kSharing) {
        if (!CHECK_AT(c.line, MakeFile(path)))
            continue;
        HANDLE held = CreateFileA(path, c.access, c.share, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (!CHECK_AT(c.line, held != INVALID_HANDLE_VALUE))
            continue;
        if (c.deletable) {
            CHECK_AT(c.line, DeleteFileA(path));
        } else {
            CheckDeleteFails(c.line, path, ERROR_SHARING_VIOLATION);
            CHECK_AT(c.line, Exists(path));
        }
        CHECK_AT(c.line, CloseHandle(held));
        if (!c.deletable)
            CHECK_AT(c.line, DeleteFileA(path));
        CHECK_AT(c.line, !Exists(path));
    }
}

// A second open that asks for what the first handle does not share fails the same way.
void OpenWithoutSharing() {
    const char* path = PathOf("exclusive.txt");
    if (!CHECK(MakeFile(path)))
        return;
    HANDLE held =
        CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (CHECK(held != INVALID_HANDLE_VALUE)) {
        SetLastError(kSentinel);
        HANDLE second = CreateFileA(path, GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        CHECK(second == INVALID_HANDLE_VALUE);
        CHECK_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
        CHECK(CloseHandle(held));
    }
    CHECK(DeleteFileA(path));
}

struct DispositionCase {
    int line;
    DWORD disposition;
    bool exists;      // whether the file is there before the call
    bool opens;       // whether CreateFileA gives a handle
    DWORD last_error; // the last-error code after the call
};

// What each disposition does with a file that is there and one that is not: the error of a
// failure, and on success ERROR_ALREADY_EXISTS when CREATE_ALWAYS or OPEN_ALWAYS found the
// file, else 0. Columns: line, disposition, file there before, handle given, last error.
const DispositionCase kDispositions[] = {
    {__LINE__, CREATE_NEW, false, true, 0},
    {__LINE__, CREATE_NEW, true, false, ERROR_FILE_EXISTS},
    {__LINE__, CREATE_ALWAYS, false, true, 0},
    {__LINE__, CREATE_ALWAYS, true, true, ERROR_ALREADY_EXISTS},
    {__LINE__, OPEN_ALWAYS, false, true, 0},
    {__LINE__, OPEN_ALWAYS, true, true, ERROR_ALREADY_EXISTS},
    {__LINE__, OPEN_EXISTING, false, false, ERROR_FILE_NOT_FOUND},
    {__LINE__, OPEN_EXISTING, true, true, 0},
    {__LINE__, TRUNCATE_EXISTING, false, false, ERROR_FILE_NOT_FOUND},
    {__LINE__, TRUNCATE_EXISTING, true, true, 0},
    {__LINE__, 0, true, false, ERROR_INVALID_PARAMETER},
};

void Dispositions() {
    const char* path = PathOf("disposition.txt");
    for (const DispositionCase& c : kDispositions) {
        DeleteFileA(path);
        if (c.exists && !CHECK_AT(c.line, MakeFile(path)))
            continue;
        SetLastError(kSentinel);
        HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, c.disposition,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD error = GetLastError();
        CHECK_EQ_AT(c.line, file != INVALID_HANDLE_VALUE, c.opens);
        CHECK_EQ_AT(c.line, error, c.last_error);
        if (file != INVALID_HANDLE_VALUE)
            CHECK_AT(c.line, CloseHandle(file));
        CHECK_EQ_AT(c.line, Exists(path), c.exists || c.opens);
    }
    DeleteFileA(path);
}

// The attribute functions fail on a missing file as DeleteFileA does.
void AttributesOfMissing() {
    SetLastError(kSentinel);
    CHECK_EQ(GetFileAttributesA(PathOf("missing.txt")), INVALID_FILE_ATTRIBUTES);
    CHECK_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    SetLastError(kSentinel);
    CHECK_EQ(GetFileAttributesA("C:\\HostwinConformance\\Files\\NoDirectory\\missing.txt"),
             INVALID_FILE_ATTRIBUTES);
    CHECK_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    SetLastError(kSentinel);
    CHECK(!SetFileAttributesA(PathOf("missing.txt"), FILE_ATTRIBUTE_READONLY));
    CHECK_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

// Reads a file's first bytes through the API under test.
void CheckContent(int line, const char* path, const char* expected) {
    HANDLE file =
        CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (!CHECK_AT(line, file != INVALID_HANDLE_VALUE))
        return;
    char content[16] = "";
    DWORD read = 0;
    CHECK_AT(line, ReadFile(file, content, sizeof content - 1, &read, nullptr));
    CHECK_EQ_AT(line, read, strlen(expected));
    CHECK_STR_AT(line, content, expected);
    CHECK_AT(line, CloseHandle(file));
}

// A read-only file can be opened for reading, but not for writing: CreateFileA with
// CREATE_ALWAYS, TRUNCATE_EXISTING or OPEN_EXISTING for writing fails with
// ERROR_ACCESS_DENIED, and the content stays. Under Wine, run as root, the writes pass.
void OverwriteReadOnly() {
    const char* path = PathOf("keep.txt");
    if (!CHECK(MakeFile(path)))
        return;
    CHECK(SetFileAttributesA(path, FILE_ATTRIBUTE_READONLY));
    CheckContent(__LINE__, path, "content");
    const DWORD dispositions[] = {CREATE_ALWAYS, TRUNCATE_EXISTING, OPEN_EXISTING};
    conformance::BeginKnownGap(conformance::RunningUnderWine(),
                               "Wine's read-only attribute does not stop root's writes");
    for (DWORD disposition : dispositions) {
        SetLastError(kSentinel);
        HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, disposition,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        CHECK(file == INVALID_HANDLE_VALUE);
        CHECK_EQ(GetLastError(), ERROR_ACCESS_DENIED);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    }
    CheckContent(__LINE__, path, "content");
    conformance::EndKnownGap();
    CHECK(SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL));
    CHECK(DeleteFileA(path));
}

struct DirectoryFunction {
    const char* name;
    UINT(WINAPI* get)(LPSTR, UINT);
};

const DirectoryFunction kDirectoryFunctions[] = {
    {"GetWindowsDirectoryA", GetWindowsDirectoryA},
    {"GetSystemDirectoryA", GetSystemDirectoryA},
};

// Both give a full path without a final backslash. With room for it and its terminator they
// return its length; with less room (the terminator's byte missing, or none at all, or no
// buffer) they return the size needed, terminator included, and write nothing.
void DirectoryRules() {
    for (const DirectoryFunction& f : kDirectoryFunctions) {
        conformance::CurrentCase() = f.name;
        char directory[MAX_PATH];
        memset(directory, 'x', sizeof directory);
        UINT length = f.get(directory, sizeof directory);
        if (!CHECK(length != 0 && length < sizeof directory))
            continue;
        CHECK_EQ(strlen(directory), length);
        CHECK(directory[1] == ':' && directory[2] == '\\');
        CHECK(directory[length - 1] != '\\');

        char exact[MAX_PATH];
        memset(exact, 'x', sizeof exact);
        CHECK_EQ(f.get(exact, length + 1), length);
        CHECK_STR(exact, directory);

        const UINT too_small[] = {length, 1, 0};
        for (UINT size : too_small) {
            char buffer[MAX_PATH];
            memset(buffer, 'x', sizeof buffer);
            CHECK_EQ(f.get(buffer, size), length + 1);
            CHECK_EQ(buffer[0], 'x');
        }
        CHECK_EQ(f.get(nullptr, 0), length + 1);
    }

    conformance::CurrentCase() = "DirectoryRules";
    // The system directory is the Windows directory's system32.
    char windows[MAX_PATH];
    char system[MAX_PATH];
    char expected[MAX_PATH + 16];
    if (CHECK(GetWindowsDirectoryA(windows, sizeof windows) != 0) &&
        CHECK(GetSystemDirectoryA(system, sizeof system) != 0)) {
        snprintf(expected, sizeof expected, "%s\\system32", windows);
        CHECK(lstrcmpiA(system, expected) == 0);
    }
}

bool SetUp() {
    conformance::RemoveTree(kRoot);
    return conformance::MakeDirectory(kSubdirectory) && MakeFile(PathOf("present.txt"));
}

void TearDown() {
    conformance::RemoveTree(kRoot);
    CHECK(!Exists(kRoot));
}

const conformance::Case kCases[] = {
    {"DeleteErrors", DeleteErrors},
    {"DeleteExistingFile", DeleteExistingFile},
    {"NameEndingInBackslash", NameEndingInBackslash},
    {"DeleteReadOnly", DeleteReadOnly},
    {"DeleteDirectory", DeleteDirectory},
    {"DeleteOpenFile", DeleteOpenFile},
    {"OpenWithoutSharing", OpenWithoutSharing},
    {"OverwriteReadOnly", OverwriteReadOnly},
    {"Dispositions", Dispositions},
    {"AttributesOfMissing", AttributesOfMissing},
    {"DirectoryRules", DirectoryRules},
};

} // namespace

int main() {
    return conformance::RunCases(kCases, sizeof kCases / sizeof kCases[0], SetUp, TearDown);
}
