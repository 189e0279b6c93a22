// The file area: how Windows paths name host files, CreateFileA, ReadFile and WriteFile,
// DeleteFileA's error codes, the read-only attribute, share modes, and the Windows and
// system directories.
#include <windows.h>

#include <hostwin/testing.h>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr DWORD kSentinel = 0xdeadbeef;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

class FilesTest : public ::testing::Test {
  protected:
    void SetUp() override { hostwin::ResetMachine(); }

    static std::string Host(const char* windows_path) {
        char host[4096] = "";
        EXPECT_TRUE(hostwin::HostPathOf(windows_path, host, sizeof host)) << windows_path;
        return host;
    }

    // Writes a file on the host side, with its directories.
    static void Put(const char* windows_path, const std::string& content) {
        std::string host = Host(windows_path);
        fs::create_directories(fs::path(host).parent_path());
        std::ofstream(host, std::ios::binary) << content;
    }

    static std::string Get(const char* windows_path) {
        std::ifstream in(Host(windows_path), std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

    static bool Exists(const char* windows_path) { return fs::exists(Host(windows_path)); }

    static void MakeReadOnly(const char* windows_path) {
        fs::permissions(Host(windows_path),
                        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
    }
};

// ---- Windows paths on the host

struct MappingCase {
    const char* working_directory;
    const char* windows_path;
    const char* host_below_drive; // expected host path below drive_c
};

// Columns: current directory, Windows path, host path below drive_c. The host holds
// WINDOWS/system32 and "Program Files/Veltrane/Modem.INF".
const MappingCase kMappingCases[] = {
    {"C:\\", "C:\\WINDOWS", "/WINDOWS"},
    {"C:\\", "c:\\windows\\SYSTEM32", "/WINDOWS/system32"},
    {"C:\\", "C:/Windows/System32/New.TXT", "/WINDOWS/system32/New.TXT"}, // new: as written
    {"C:\\", "c:\\PROGRAM FILES\\veltrane\\modem.inf", "/Program Files/Veltrane/Modem.INF"},
    {"C:\\", "\\WINDOWS\\.", "/WINDOWS"},
    {"C:\\", "C:\\WINDOWS\\..\\windows\\system32\\..\\", "/WINDOWS"},
    {"C:\\", "C:\\..\\..\\WINDOWS", "/WINDOWS"}, // ".." stops at the root
    {"C:\\", "C:\\\\WINDOWS//system32", "/WINDOWS/system32"},
    {"C:\\", "C:\\WINDOWS\\Modem.inf. ", "/WINDOWS/Modem.inf"}, // trailing dot and blank go
    {"C:\\", "C:\\NoDir\\File.txt", "/NoDir/File.txt"},
    {"C:\\", "C:\\", ""},
    {"C:\\WINDOWS", "system32\\x.dms", "/WINDOWS/system32/x.dms"},
    {"C:\\WINDOWS", "..\\Program Files", "/Program Files"},
    {"C:\\WINDOWS", "C:system32", "/WINDOWS/system32"}, // relative to the current directory
    {"C:\\WINDOWS", "\\x", "/x"},
};

TEST_F(FilesTest, WindowsPathsNameHostPathsWithoutRegardToCase) {
    Put("C:\\Program Files\\Veltrane\\Modem.INF", "x");
    std::string drive = Host("C:\\");
    for (const MappingCase& c : kMappingCases) {
        hostwin::SetWorkingDirectory(c.working_directory);
        EXPECT_EQ(Host(c.windows_path), drive + c.host_below_drive)
            << c.windows_path << " in " << c.working_directory;
    }
}

struct BadPathCase {
    const char* windows_path;
    DWORD error;
};

// Columns: path, the error of GetFileAttributesA and DeleteFileA.
const BadPathCase kBadPathCases[] = {
    {"", ERROR_PATH_NOT_FOUND},
    {"D:\\WINDOWS", ERROR_PATH_NOT_FOUND},
    {"a:\\x.txt", ERROR_PATH_NOT_FOUND},
    {"\\\\server\\share\\x.txt", ERROR_PATH_NOT_FOUND},
    {"C:\\WINDOWS\\a?b", ERROR_INVALID_NAME},
    {"C:\\WINDOWS\\a*", ERROR_INVALID_NAME},
    {"C:\\WINDOWS\\a<b>", ERROR_INVALID_NAME},
    {"C:\\WINDOWS\\a|b", ERROR_INVALID_NAME},
    {"C:\\WINDOWS\\a:b", ERROR_INVALID_NAME},
};

TEST_F(FilesTest, PathsThatNameNothingOnDriveCFail) {
    for (const BadPathCase& c : kBadPathCases) {
        char host[4096];
        EXPECT_FALSE(hostwin::HostPathOf(c.windows_path, host, sizeof host)) << c.windows_path;
        SetLastError(kSentinel);
        EXPECT_EQ(GetFileAttributesA(c.windows_path), INVALID_FILE_ATTRIBUTES) << c.windows_path;
        EXPECT_EQ(GetLastError(), c.error) << c.windows_path;
        SetLastError(kSentinel);
        EXPECT_FALSE(DeleteFileA(c.windows_path)) << c.windows_path;
        EXPECT_EQ(GetLastError(), c.error) << c.windows_path;
    }
}

TEST_F(FilesTest, APathLongerThanMaxPathIsRefused) {
    std::string fits = "C:\\" + std::string(MAX_PATH - 3, 'a');
    std::string too_long = fits + "a";
    SetLastError(kSentinel);
    EXPECT_EQ(GetFileAttributesA(fits.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(GetFileAttributesA(too_long.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
}

TEST_F(FilesTest, EachResetGivesAFreshDriveC) {
    Put("C:\\WINDOWS\\left.txt", "x");
    std::string old_drive = Host("C:\\");
    hostwin::ResetMachine();
    EXPECT_FALSE(Exists("C:\\WINDOWS\\left.txt"));
    EXPECT_FALSE(fs::exists(old_drive));
    EXPECT_EQ(GetFileAttributesA("C:\\WINDOWS\\system32"),
              static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
}

// ---- DeleteFileA

struct DeleteCase {
    const char* windows_path;
    DWORD error; // 0: deleted
    bool exists_after;
};

// Columns: path, error (0 for success), whether the host entry remains. Set up: plain.txt,
// read-only ro.txt, directory sub, held.txt open without sharing through a handle,
// outside.txt held by a program outside, shared.txt open sharing deletion.
const DeleteCase kDeleteCases[] = {
    {"C:\\WINDOWS\\PLAIN.TXT", 0, false},
    {"C:\\WINDOWS\\shared.txt", 0, false},
    {"C:\\WINDOWS\\missing.txt", ERROR_FILE_NOT_FOUND, false},
    {"C:\\NoDir\\file.txt", ERROR_PATH_NOT_FOUND, false},
    {"C:\\WINDOWS\\plain.txt\\below", ERROR_PATH_NOT_FOUND, false},
    {"C:\\WINDOWS\\sub", ERROR_ACCESS_DENIED, true},
    {"C:\\WINDOWS\\ro.txt", ERROR_ACCESS_DENIED, true},
    {"C:\\WINDOWS\\held.txt", ERROR_SHARING_VIOLATION, true},
    {"C:\\WINDOWS\\outside.txt", ERROR_SHARING_VIOLATION, true},
};

TEST_F(FilesTest, DeleteFileAnswersWithTheWindowsErrorCodes) {
    for (const DeleteCase& c : kDeleteCases) {
        hostwin::ResetMachine();
        for (const char* name : {"plain.txt", "ro.txt", "held.txt", "outside.txt", "shared.txt"})
            Put((std::string("C:\\WINDOWS\\") + name).c_str(), "content");
        fs::create_directories(Host("C:\\WINDOWS\\sub"));
        MakeReadOnly("C:\\WINDOWS\\ro.txt");
        hostwin::MarkFileInUse("c:\\windows\\OUTSIDE.TXT");
        HANDLE held = CreateFileA("C:\\WINDOWS\\held.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        HANDLE shared = CreateFileA("C:\\WINDOWS\\shared.txt", GENERIC_READ, kShareAll, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        ASSERT_NE(shared, INVALID_HANDLE_VALUE);

        SetLastError(kSentinel);
        BOOL deleted = DeleteFileA(c.windows_path);
        if (c.error == 0) {
            EXPECT_TRUE(deleted) << c.windows_path;
            EXPECT_EQ(GetLastError(), kSentinel) << c.windows_path; // success leaves it
        } else {
            EXPECT_FALSE(deleted) << c.windows_path;
            EXPECT_EQ(GetLastError(), c.error) << c.windows_path;
        }
        EXPECT_EQ(Exists(c.windows_path), c.exists_after) << c.windows_path;
        CloseHandle(held);
        CloseHandle(shared);
    }
}

TEST_F(FilesTest, AFileIsNoLongerInUseOnceItsHandleIsClosed) {
    Put("C:\\WINDOWS\\held.txt", "x");
    HANDLE held = CreateFileA("C:\\WINDOWS\\held.txt", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(DeleteFileA("C:\\WINDOWS\\held.txt"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_TRUE(CloseHandle(held));
    EXPECT_TRUE(DeleteFileA("C:\\WINDOWS\\held.txt"));
    EXPECT_FALSE(Exists("C:\\WINDOWS\\held.txt"));
}

// ---- Share modes

struct ShareCase {
    DWORD first_access;
    DWORD first_share;
    DWORD second_access;
    DWORD second_share;
    bool second_opens;
};

constexpr DWORD R = GENERIC_READ;
constexpr DWORD W = GENERIC_WRITE;
constexpr DWORD SR = FILE_SHARE_READ;
constexpr DWORD SW = FILE_SHARE_WRITE;

// Columns: first handle's access and share mode, second's, whether the second open succeeds.
const ShareCase kShareCases[] = {
    {R, SR, R, SR | SW, true},
    {R, SR, W, SR | SW, false},  // the first does not share writing
    {W, SR | SW, R, SR, false},  // the first writes, which the second will not share
    {R, 0, R, kShareAll, false}, // no sharing at all
    {R | W, kShareAll, R | W, kShareAll, true},
    {0, 0, R | W, 0, true}, // a handle without access denies nothing
    {R, SR, 0, 0, true},    // nor is one without access denied
};

TEST_F(FilesTest, ShareModesDecideWhetherASecondHandleOpens) {
    Put("C:\\WINDOWS\\file.txt", "x");
    for (const ShareCase& c : kShareCases) {
        HANDLE first = CreateFileA("C:\\WINDOWS\\file.txt", c.first_access, c.first_share, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(first, INVALID_HANDLE_VALUE);
        SetLastError(kSentinel);
        HANDLE second = CreateFileA("C:\\WINDOWS\\file.txt", c.second_access, c.second_share,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
        if (c.second_opens) {
            EXPECT_NE(second, INVALID_HANDLE_VALUE) << &c - kShareCases;
            CloseHandle(second);
        } else {
            EXPECT_EQ(second, INVALID_HANDLE_VALUE) << &c - kShareCases;
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        }
        CloseHandle(first);
    }
}

// ---- CreateFileA

struct DispositionCase {
    DWORD disposition;
    bool file_exists;
    DWORD error;         // 0: opened
    DWORD success_code;  // the last-error code after a successful open
    const char* content; // the file's content afterwards; null when there is none
};

// Columns: disposition, whether "old" exists before, error, code after success, content.
const DispositionCase kDispositionCases[] = {
    {CREATE_NEW, false, 0, ERROR_SUCCESS, ""},
    {CREATE_NEW, true, ERROR_FILE_EXISTS, 0, "old"},
    {CREATE_ALWAYS, false, 0, ERROR_SUCCESS, ""},
    {CREATE_ALWAYS, true, 0, ERROR_ALREADY_EXISTS, ""},
    {OPEN_EXISTING, false, ERROR_FILE_NOT_FOUND, 0, nullptr},
    {OPEN_EXISTING, true, 0, ERROR_SUCCESS, "old"},
    {OPEN_ALWAYS, false, 0, ERROR_SUCCESS, ""},
    {OPEN_ALWAYS, true, 0, ERROR_ALREADY_EXISTS, "old"},
    {TRUNCATE_EXISTING, false, ERROR_FILE_NOT_FOUND, 0, nullptr},
    {TRUNCATE_EXISTING, true, 0, ERROR_SUCCESS, ""},
    {0, true, ERROR_INVALID_PARAMETER, 0, "old"},
    {6, true, ERROR_INVALID_PARAMETER, 0, "old"},
};

TEST_F(FilesTest, CreateFileFollowsItsDisposition) {
    for (const DispositionCase& c : kDispositionCases) {
        hostwin::ResetMachine();
        if (c.file_exists)
            Put("C:\\WINDOWS\\file.txt", "old");
        SetLastError(kSentinel);
        HANDLE file = CreateFileA("C:\\windows\\FILE.TXT", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  c.disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
        std::string label = "disposition " + std::to_string(c.disposition) +
                            (c.file_exists ? " on a file" : " on nothing");
        if (c.error == 0) {
            ASSERT_NE(file, INVALID_HANDLE_VALUE) << label;
            EXPECT_EQ(GetLastError(), c.success_code) << label;
            EXPECT_TRUE(CloseHandle(file));
        } else {
            EXPECT_EQ(file, INVALID_HANDLE_VALUE) << label;
            EXPECT_EQ(GetLastError(), c.error) << label;
        }
        // A new file keeps the case written, an existing one its own.
        const char* host_name = c.file_exists ? "C:\\WINDOWS\\file.txt" : "C:\\WINDOWS\\FILE.TXT";
        EXPECT_EQ(Exists(host_name), c.content != nullptr) << label;
        if (c.content != nullptr) {
            EXPECT_EQ(Get(host_name), c.content) << label;
        }
    }
}

TEST_F(FilesTest, CreateAlwaysOverwritesEvenThroughAHandleThatOnlyReads) {
    Put("C:\\WINDOWS\\file.txt", "old");
    SetLastError(kSentinel);
    HANDLE file = CreateFileA("C:\\WINDOWS\\file.txt", GENERIC_READ, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    DWORD written = kSentinel;
    EXPECT_FALSE(WriteFile(file, "x", 1, &written, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_EQ(Get("C:\\WINDOWS\\file.txt"), "");
}

TEST_F(FilesTest, CreateFileRefusesDirectoriesAndMissingParents) {
    SetLastError(kSentinel);
    EXPECT_EQ(
        CreateFileA("C:\\WINDOWS", GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr),
        INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(CreateFileA("C:\\NoDir\\x.dms", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(
        CreateFileA("D:\\WINDOWS\\x.dms", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
        INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(FilesTest, AScriptWrittenWithExplicitLineEndsHasExactlyThoseBytes) {
    const char text[] = "Class=Q\r\nClass=P\r\nServiceName=S\r\nDesc=F\r\n";
    HANDLE file = CreateFileA("C:\\WINDOWS\\MDM0.dms", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = kSentinel;
    EXPECT_TRUE(WriteFile(file, text, sizeof text - 1, &written, nullptr));
    EXPECT_EQ(written, sizeof text - 1);
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_EQ(Get("C:\\WINDOWS\\MDM0.dms"), text);

    file = CreateFileA("C:\\WINDOWS\\mdm0.DMS", GENERIC_READ, FILE_SHARE_READ, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    char buffer[128] = "";
    DWORD read = kSentinel;
    EXPECT_TRUE(ReadFile(file, buffer, sizeof buffer, &read, nullptr));
    EXPECT_EQ(std::string(buffer, read), text);
    EXPECT_TRUE(ReadFile(file, buffer, sizeof buffer, &read, nullptr)); // the end: success
    EXPECT_EQ(read, 0u);
    EXPECT_TRUE(CloseHandle(file));
}

TEST_F(FilesTest, HandlesReadAndWriteOnlyWhatTheyWereOpenedFor) {
    Put("C:\\WINDOWS\\file.txt", "abc");
    HANDLE reader = CreateFileA("C:\\WINDOWS\\file.txt", GENERIC_READ, kShareAll, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    HANDLE writer = CreateFileA("C:\\WINDOWS\\file.txt", GENERIC_WRITE, kShareAll, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    char buffer[8];
    DWORD count = kSentinel;
    EXPECT_FALSE(WriteFile(reader, "x", 1, &count, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(ReadFile(writer, buffer, sizeof buffer, &count, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(CloseHandle(reader));
    EXPECT_TRUE(CloseHandle(writer));
    EXPECT_EQ(Get("C:\\WINDOWS\\file.txt"), "abc");

    SetLastError(kSentinel);
    EXPECT_FALSE(WriteFile(writer, "x", 1, &count, nullptr)); // closed
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(CloseHandle(writer));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
    EXPECT_FALSE(CloseHandle(nullptr));
}

TEST_F(FilesTest, DeleteOnCloseRemovesTheFileWithItsHandle) {
    Put("C:\\WINDOWS\\temp.txt", "x");
    HANDLE file = CreateFileA("C:\\WINDOWS\\temp.txt", GENERIC_READ, kShareAll, nullptr,
                              OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(Exists("C:\\WINDOWS\\temp.txt"));
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_FALSE(Exists("C:\\WINDOWS\\temp.txt"));
}

// ---- The read-only attribute

struct ReadOnlyCase {
    DWORD access;
    DWORD disposition;
    DWORD flags;
    DWORD error; // 0: opens
};

// Columns: access, disposition, flags, error on a read-only file.
const ReadOnlyCase kReadOnlyCases[] = {
    {GENERIC_READ, OPEN_EXISTING, 0, 0},
    {GENERIC_READ, OPEN_ALWAYS, 0, 0},
    {GENERIC_WRITE, OPEN_EXISTING, 0, ERROR_ACCESS_DENIED},
    {GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, 0, ERROR_ACCESS_DENIED},
    {GENERIC_WRITE, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, ERROR_ACCESS_DENIED},
    {GENERIC_READ, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, ERROR_ACCESS_DENIED},
    {GENERIC_WRITE, TRUNCATE_EXISTING, 0, ERROR_ACCESS_DENIED},
    {GENERIC_READ, OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, ERROR_ACCESS_DENIED},
};

TEST_F(FilesTest, AReadOnlyFileIsNeitherWrittenNorReplaced) {
    Put("C:\\WINDOWS\\ro.txt", "kept");
    MakeReadOnly("C:\\WINDOWS\\ro.txt");
    EXPECT_EQ(GetFileAttributesA("C:\\WINDOWS\\ro.txt"),
              static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    for (const ReadOnlyCase& c : kReadOnlyCases) {
        SetLastError(kSentinel);
        HANDLE file = CreateFileA("C:\\WINDOWS\\ro.txt", c.access, kShareAll, nullptr,
                                  c.disposition, c.flags, nullptr);
        if (c.error == 0) {
            EXPECT_NE(file, INVALID_HANDLE_VALUE) << &c - kReadOnlyCases;
            CloseHandle(file);
        } else {
            EXPECT_EQ(file, INVALID_HANDLE_VALUE) << &c - kReadOnlyCases;
            EXPECT_EQ(GetLastError(), c.error) << &c - kReadOnlyCases;
        }
    }
    EXPECT_EQ(Get("C:\\WINDOWS\\ro.txt"), "kept");
}

TEST_F(FilesTest, SetFileAttributesTurnsReadOnlyOnAndOff) {
    Put("C:\\WINDOWS\\file.txt", "x");
    EXPECT_EQ(GetFileAttributesA("C:\\WINDOWS\\file.txt"),
              static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_TRUE(SetFileAttributesA("c:\\windows\\file.txt", FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(CreateFileA("C:\\WINDOWS\\file.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_FALSE(DeleteFileA("C:\\WINDOWS\\file.txt"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(SetFileAttributesA("C:\\WINDOWS\\file.txt", FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetFileAttributesA("C:\\WINDOWS\\file.txt"),
              static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_TRUE(DeleteFileA("C:\\WINDOWS\\file.txt"));

    EXPECT_FALSE(SetFileAttributesA("C:\\WINDOWS\\file.txt", FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(SetFileAttributesA("C:\\NoDir\\file.txt", FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(FilesTest, ANewFileCreatedReadOnlyIsWrittenThroughItsOwnHandle) {
    HANDLE file = CreateFileA("C:\\WINDOWS\\new.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_READONLY, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(file, "abc", 3, &written, nullptr));
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_EQ(Get("C:\\WINDOWS\\new.txt"), "abc");
    EXPECT_EQ(GetFileAttributesA("C:\\WINDOWS\\new.txt") & FILE_ATTRIBUTE_READONLY,
              static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
}

// ---- The Windows and system directories

using DirectoryFunction = UINT(WINAPI*)(LPSTR, UINT);

struct DirectoryCase {
    const char* set_windows; // null: the default
    const char* set_system;  // null: follows the Windows directory
    DirectoryFunction function;
    const char* expected;
};

const std::string kLongWindows = "C:\\" + std::string(70, 'w');

// Columns: Windows directory set, system directory set, function, the directory reported.
const DirectoryCase kDirectoryCases[] = {
    {nullptr, nullptr, GetWindowsDirectoryA, "C:\\WINDOWS"},
    {nullptr, nullptr, GetSystemDirectoryA, "C:\\WINDOWS\\system32"},
    {"D:\\WINNT", nullptr, GetWindowsDirectoryA, "D:\\WINNT"},
    {"D:\\WINNT", nullptr, GetSystemDirectoryA, "D:\\WINNT\\system32"},
    {"C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM", GetSystemDirectoryA, "C:\\WINDOWS\\SYSTEM"},
    {kLongWindows.c_str(), nullptr, GetWindowsDirectoryA, kLongWindows.c_str()},
};

TEST_F(FilesTest, DirectoriesAreReportedWithTheRealSizeRules) {
    for (const DirectoryCase& c : kDirectoryCases) {
        hostwin::ResetMachine();
        if (c.set_windows != nullptr)
            hostwin::SetWindowsDirectory(c.set_windows);
        if (c.set_system != nullptr)
            hostwin::SetSystemDirectory(c.set_system);
        UINT length = static_cast<UINT>(strlen(c.expected));
        // Too small, by one or more: the size needed with the terminator, buffer untouched.
        for (UINT size : {0u, 1u, length}) {
            char buffer[256];
            memset(buffer, 'Z', sizeof buffer);
            EXPECT_EQ(c.function(buffer, size), length + 1) << c.expected << " size " << size;
            EXPECT_EQ(buffer[0], 'Z') << c.expected << " size " << size;
        }
        EXPECT_EQ(c.function(nullptr, 0), length + 1);
        // Large enough: the length without the terminator, and the text.
        for (UINT size : {length + 1, 255u}) {
            char buffer[256];
            memset(buffer, 'Z', sizeof buffer);
            EXPECT_EQ(c.function(buffer, size), length) << c.expected << " size " << size;
            EXPECT_STREQ(buffer, c.expected);
            EXPECT_EQ(buffer[length + 1], 'Z');
        }
    }
}

TEST_F(FilesTest, TheProductsSixtyFourCharacterBufferTakesTheDefaultDirectory) {
    char buffer[64];
    EXPECT_EQ(GetWindowsDirectoryA(buffer, sizeof buffer), 10u);
    EXPECT_STREQ(buffer, "C:\\WINDOWS");
}

// ---- Injected failures

struct FaultCase {
    const char* api;
    bool (*call)(); // true when the call reported failure
};

// Columns: the API to fail, a call of it that would succeed without the fault.
const FaultCase kFaultCases[] = {
    {"CreateFileA",
     [] {
         return CreateFileA("C:\\WINDOWS\\f.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                            nullptr) == INVALID_HANDLE_VALUE;
     }},
    {"DeleteFileA", [] { return !DeleteFileA("C:\\WINDOWS\\existing.txt"); }},
    {"GetFileAttributesA",
     [] { return GetFileAttributesA("C:\\WINDOWS") == INVALID_FILE_ATTRIBUTES; }},
    {"SetFileAttributesA",
     [] { return !SetFileAttributesA("C:\\WINDOWS\\existing.txt", FILE_ATTRIBUTE_NORMAL); }},
    {"GetWindowsDirectoryA",
     [] {
         char b[64];
         return GetWindowsDirectoryA(b, sizeof b) == 0;
     }},
    {"GetSystemDirectoryA",
     [] {
         char b[64];
         return GetSystemDirectoryA(b, sizeof b) == 0;
     }},
    {"WriteFile",
     [] {
         HANDLE f = CreateFileA("C:\\WINDOWS\\w.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                                nullptr);
         DWORD n;
         bool failed = !WriteFile(f, "x", 1, &n, nullptr);
         DWORD error = GetLastError();
         CloseHandle(f);
         SetLastError(error);
         return failed;
     }},
    {"ReadFile",
     [] {
         HANDLE f = CreateFileA("C:\\WINDOWS\\existing.txt", GENERIC_READ, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
         char b[4];
         DWORD n;
         bool failed = !ReadFile(f, b, sizeof b, &n, nullptr);
         DWORD error = GetLastError();
         CloseHandle(f);
         SetLastError(error);
         return failed;
     }},
    {"CloseHandle",
     [] {
         HANDLE f = CreateFileA("C:\\WINDOWS\\existing.txt", GENERIC_READ, kShareAll, nullptr,
                                OPEN_EXISTING, 0, nullptr);
         return !CloseHandle(f);
     }},
};

TEST_F(FilesTest, EveryFileCallCanBeMadeToFail) {
    for (const FaultCase& c : kFaultCases) {
        hostwin::ResetMachine();
        Put("C:\\WINDOWS\\existing.txt", "x");
        hostwin::FailCall(c.api, 1, ERROR_NOT_READY);
        SetLastError(kSentinel);
        EXPECT_TRUE(c.call()) << c.api;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_READY)) << c.api;
        EXPECT_FALSE(c.call()) << c.api << ": the fault hits once";
    }
}

} // namespace
