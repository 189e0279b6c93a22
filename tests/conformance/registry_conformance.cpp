// The registry as Windows NT has it, stated as facts and checked against whatever implements
// the Win32 registry under this program: hostwin on Linux, Windows or Wine with MinGW.
//
// Every case works below a scratch key, HKEY_CURRENT_USER\Software\HostwinConformance, made
// at the start and removed with all it holds at the end. Facts marked "unsure" are our best
// reading of the documentation and of Wine's tests; a run on Windows or Wine settles them.
#include "harness.h"

#include <windows.h>

#include <string.h>

namespace {

const char kScratchPath[] = "Software\\HostwinConformance";
const DWORD kSentinel = 0xdeadbeef;
const BYTE kGuard = 0xbd;

HKEY scratch = nullptr;

HKEY SentinelKey() {
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(kSentinel));
}

// Deletes a key and everything below it; ERROR_FILE_NOT_FOUND when it is not there.
LONG DeleteTree(HKEY parent, const char* name) {
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExA(parent, name, 0, KEY_ALL_ACCESS, &key);
    if (rc != ERROR_SUCCESS)
        return rc;
    char child[257]; // key names run to 256 characters
    for (;;) {
        DWORD size = sizeof child;
        rc = RegEnumKeyExA(key, 0, child, &size, nullptr, nullptr, nullptr, nullptr);
        if (rc != ERROR_SUCCESS)
            break;
        rc = DeleteTree(key, child);
        if (rc != ERROR_SUCCESS)
            break;
    }
    RegCloseKey(key);
    if (rc != ERROR_NO_MORE_ITEMS)
        return rc;
    return RegDeleteKeyA(parent, name);
}

bool SetUpScratch() {
    DeleteTree(HKEY_CURRENT_USER, kScratchPath);
    return RegCreateKeyExA(HKEY_CURRENT_USER, kScratchPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                           KEY_ALL_ACCESS, nullptr, &scratch, nullptr) == ERROR_SUCCESS;
}

void TearDownScratch() {
    RegCloseKey(scratch);
    CHECK_EQ(DeleteTree(HKEY_CURRENT_USER, kScratchPath), ERROR_SUCCESS);
    HKEY gone = nullptr;
    CHECK_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kScratchPath, 0, KEY_READ, &gone),
             ERROR_FILE_NOT_FOUND);
}

// A key of its own for a case, below the scratch key, opened with every right.
HKEY Fresh(const char* name) {
    HKEY key = nullptr;
    RegCreateKeyExA(scratch, name, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                    &key, nullptr);
    return key;
}

HKEY OpenBelow(HKEY parent, const char* path, REGSAM access) {
    HKEY key = nullptr;
    RegOpenKeyExA(parent, path, 0, access, &key);
    return key;
}

// Writes a REG_SZ value with its terminator.
LONG SetText(HKEY key, const char* name, const char* text) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          static_cast<DWORD>(strlen(text) + 1));
}

// Checks the subkey names of a key in enumeration order, then ERROR_NO_MORE_ITEMS.
void CheckSubkeys(int line, HKEY key, const char* const* names, DWORD count) {
    char name[64];
    for (DWORD i = 0; i < count; ++i) {
        DWORD size = sizeof name;
        CHECK_EQ_AT(line, RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr),
                    ERROR_SUCCESS);
        CHECK_STR_AT(line, name, names[i]);
    }
    DWORD size = sizeof name;
    CHECK_EQ_AT(line, RegEnumKeyExA(key, count, name, &size, nullptr, nullptr, nullptr, nullptr),
                ERROR_NO_MORE_ITEMS);
}

// Checks the value names of a key in enumeration order, then ERROR_NO_MORE_ITEMS.
void CheckValueNames(int line, HKEY key, const char* const* names, DWORD count) {
    char name[64];
    for (DWORD i = 0; i < count; ++i) {
        DWORD size = sizeof name;
        CHECK_EQ_AT(line, RegEnumValueA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr),
                    ERROR_SUCCESS);
        CHECK_STR_AT(line, name, names[i]);
    }
    DWORD size = sizeof name;
    CHECK_EQ_AT(line, RegEnumValueA(key, count, name, &size, nullptr, nullptr, nullptr, nullptr),
                ERROR_NO_MORE_ITEMS);
}

// Key names match without regard to case and keep the case they were created with.
void KeyNamesIgnoreCase() {
    HKEY key = Fresh("KeyNames");
    HKEY first = nullptr, second = nullptr, third = nullptr;
    DWORD how = kSentinel;
    CHECK_EQ(
        RegCreateKeyExA(key, "MixedCase", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &first, &how),
        ERROR_SUCCESS);
    CHECK_EQ(how, REG_CREATED_NEW_KEY);
    how = kSentinel;
    CHECK_EQ(
        RegCreateKeyExA(key, "MIXEDCASE", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &second, &how),
        ERROR_SUCCESS);
    CHECK_EQ(how, REG_OPENED_EXISTING_KEY);
    CHECK_EQ(RegOpenKeyExA(key, "mixedcase", 0, KEY_READ, &third), ERROR_SUCCESS);
    CHECK_EQ(SetText(second, "Seen", "through another handle"), ERROR_SUCCESS);
    DWORD size = 0;
    CHECK_EQ(RegQueryValueExA(third, "Seen", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    CHECK_EQ(size, sizeof "through another handle");
    const char* const names[] = {"MixedCase"};
    CheckSubkeys(__LINE__, key, names, 1);
    RegCloseKey(first);
    RegCloseKey(second);
    RegCloseKey(third);
    RegCloseKey(key);
}

// Value names match without regard to case; an overwritten value keeps its first spelling.
void ValueNamesIgnoreCase() {
    HKEY key = Fresh("ValueNames");
    CHECK_EQ(SetText(key, "ValueName", "first"), ERROR_SUCCESS);
    char data[16] = "";
    DWORD size = sizeof data;
    CHECK_EQ(
        RegQueryValueExA(key, "VALUENAME", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size),
        ERROR_SUCCESS);
    CHECK_STR(data, "first");
    CHECK_EQ(SetText(key, "valuename", "second"), ERROR_SUCCESS);
    const char* const names[] = {"ValueName"};
    CheckValueNames(__LINE__, key, names, 1);
    size = sizeof data;
    CHECK_EQ(
        RegQueryValueExA(key, "ValueName", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size),
        ERROR_SUCCESS);
    CHECK_STR(data, "second");
    RegCloseKey(key);
}

void CreateSubkeys(HKEY key, const char* const* names, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        HKEY child = nullptr;
        CHECK_EQ(
            RegCreateKeyExA(key, names[i], 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr),
            ERROR_SUCCESS);
        RegCloseKey(child);
    }
}

// Subkeys enumerate in the order of their names without regard to case, whatever order they
// were made in. Windows compares the upper-cased names, so "_" (after "Z") follows the
// letters; unsure, as Wine compares lower-cased names and puts it first: a known gap.
void SubkeysInNameOrder() {
    HKEY key = Fresh("SubkeyOrder");
    const char* const letters[] = {"b", "C", "a", "B2", "aa"};
    CreateSubkeys(key, letters, 5);
    const char* const in_order[] = {"a", "aa", "b", "B2", "C"};
    CheckSubkeys(__LINE__, key, in_order, 5);
    const char* const underscore[] = {"_under"};
    CreateSubkeys(key, underscore, 1);
    conformance::BeginKnownGap(conformance::RunningUnderWine());
    const char* const with_underscore[] = {"a", "aa", "b", "B2", "C", "_under"};
    CheckSubkeys(__LINE__, key, with_underscore, 6);
    conformance::EndKnownGap();
    RegCloseKey(key);
}

// Values enumerate in creation order; an overwritten value keeps its place, a deleted and
// recreated one goes to the end. Wine enumerates values in name order: a known gap.
void ValuesInCreationOrder() {
    HKEY key = Fresh("ValueOrder");
    CHECK_EQ(SetText(key, "zeta", "1"), ERROR_SUCCESS);
    CHECK_EQ(SetText(key, "alpha", "2"), ERROR_SUCCESS);
    CHECK_EQ(SetText(key, "Mid", "3"), ERROR_SUCCESS);
    CHECK_EQ(SetText(key, "ALPHA", "overwritten"), ERROR_SUCCESS);
    conformance::BeginKnownGap(conformance::RunningUnderWine());
    const char* const first[] = {"zeta", "alpha", "Mid"};
    CheckValueNames(__LINE__, key, first, 3);
    CHECK_EQ(RegDeleteValueA(key, "zeta"), ERROR_SUCCESS);
    CHECK_EQ(SetText(key, "Zeta", "again"), ERROR_SUCCESS);
    const char* const second[] = {"alpha", "Mid", "Zeta"};
    CheckValueNames(__LINE__, key, second, 3);
    conformance::EndKnownGap();
    RegCloseKey(key);
}

// RegCreateKeyExA creates every missing level and says whether it created the last one.
void CreateMakesEveryLevel() {
    HKEY key = Fresh("Levels");
    HKEY leaf = nullptr;
    DWORD how = kSentinel;
    CHECK_EQ(
        RegCreateKeyExA(key, "L1\\L2\\L3", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &leaf, &how),
        ERROR_SUCCESS);
    CHECK_EQ(how, REG_CREATED_NEW_KEY);
    RegCloseKey(leaf);
    HKEY middle = OpenBelow(key, "L1\\L2", KEY_READ);
    CHECK(middle != nullptr);
    const char* const below_middle[] = {"L3"};
    CheckSubkeys(__LINE__, middle, below_middle, 1);
    RegCloseKey(middle);
    how = kSentinel;
    CHECK_EQ(
        RegCreateKeyExA(key, "l1\\l2\\l3", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &leaf, &how),
        ERROR_SUCCESS);
    CHECK_EQ(how, REG_OPENED_EXISTING_KEY);
    RegCloseKey(leaf);
    how = kSentinel;
    CHECK_EQ(RegCreateKeyExA(key, "L1\\Other", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &leaf, &how),
             ERROR_SUCCESS);
    CHECK_EQ(how, REG_CREATED_NEW_KEY);
    RegCloseKey(leaf);
    RegCloseKey(key);
}

// An empty or null path opens the same key once more, as a new handle of its own.
void EmptyPathOpensAnew() {
    HKEY key = Fresh("Anew");
    CHECK_EQ(SetText(key, "Marker", "here"), ERROR_SUCCESS);
    HKEY again = nullptr, null_path = nullptr, created = nullptr;
    CHECK_EQ(RegOpenKeyExA(key, "", 0, KEY_READ, &again), ERROR_SUCCESS);
    CHECK(again != nullptr && again != key);
    CHECK_EQ(RegOpenKeyExA(key, nullptr, 0, KEY_READ, &null_path), ERROR_SUCCESS);
    CHECK(null_path != nullptr && null_path != key && null_path != again);
    DWORD how = kSentinel;
    CHECK_EQ(RegCreateKeyExA(key, "", 0, nullptr, 0, KEY_READ, nullptr, &created, &how),
             ERROR_SUCCESS);
    CHECK(created != nullptr && created != key);
    // Unsure: the key was there, so it was opened; Wine says it was created: a known gap.
    conformance::BeginKnownGap(conformance::RunningUnderWine());
    CHECK_EQ(how, REG_OPENED_EXISTING_KEY);
    conformance::EndKnownGap();
    CHECK_EQ(RegCloseKey(again), ERROR_SUCCESS);
    DWORD size = 0;
    CHECK_EQ(RegQueryValueExA(null_path, "Marker", nullptr, nullptr, nullptr, &size),
             ERROR_SUCCESS);
    CHECK_EQ(RegQueryValueExA(key, "Marker", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    RegCloseKey(null_path);
    RegCloseKey(created);
    // Unsure beyond HKEY_CLASSES_ROOT, where Wine's tests saw it on Windows: a predefined
    // root opened with an empty path is the root handle itself.
    HKEY root = nullptr;
    CHECK_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "", 0, KEY_READ, &root), ERROR_SUCCESS);
    CHECK(root == HKEY_CURRENT_USER);
    RegCloseKey(key);
}

// RegOpenKeyA hands back the very handle it was given for a null or empty path, even a null
// one; RegCreateKeyA does so only for a predefined root and opens any other key anew.
void OldFormsHandBackTheHandle() {
    HKEY key = Fresh("OldForms");
    HKEY result = SentinelKey();
    CHECK_EQ(RegOpenKeyA(key, nullptr, &result), ERROR_SUCCESS);
    CHECK(result == key);
    result = SentinelKey();
    CHECK_EQ(RegOpenKeyA(key, "", &result), ERROR_SUCCESS);
    CHECK(result == key);
    result = SentinelKey();
    CHECK_EQ(RegOpenKeyA(nullptr, nullptr, &result), ERROR_SUCCESS);
    CHECK(result == nullptr);
    // As documented for a predefined root; Wine opens a new handle: a known gap.
    conformance::BeginKnownGap(conformance::RunningUnderWine());
    result = SentinelKey();
    CHECK_EQ(RegCreateKeyA(HKEY_CURRENT_USER, nullptr, &result), ERROR_SUCCESS);
    CHECK(result == HKEY_CURRENT_USER);
    result = SentinelKey();
    CHECK_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "", &result), ERROR_SUCCESS);
    CHECK(result == HKEY_CURRENT_USER);
    conformance::EndKnownGap();
    result = nullptr;
    CHECK_EQ(RegCreateKeyA(key, "", &result), ERROR_SUCCESS);
    CHECK(result != nullptr && result != key);
    RegCloseKey(result);
    result = nullptr;
    CHECK_EQ(RegCreateKeyA(key, "Made", &result), ERROR_SUCCESS);
    CHECK(result != nullptr && result != key);
    RegCloseKey(result);
    RegCloseKey(key);
}

// A missing key is ERROR_FILE_NOT_FOUND and clears the result; a handle that is no key is
// ERROR_INVALID_HANDLE and leaves the result alone.
void MissingKeys() {
    HKEY key = Fresh("Missing");
    HKEY result = SentinelKey();
    CHECK_EQ(RegOpenKeyExA(key, "Nowhere", 0, KEY_READ, &result), ERROR_FILE_NOT_FOUND);
    CHECK(result == nullptr);
    result = SentinelKey();
    CHECK_EQ(RegOpenKeyA(key, "Nowhere\\Deeper", &result), ERROR_FILE_NOT_FOUND);
    CHECK(result == nullptr);
    CHECK_EQ(RegOpenKeyExA(key, "Nowhere", 0, KEY_READ, &result), ERROR_FILE_NOT_FOUND);
    CHECK_EQ(RegDeleteKeyA(key, "Nowhere"), ERROR_FILE_NOT_FOUND);
    result = SentinelKey();
    CHECK_EQ(RegOpenKeyExA(nullptr, "Nowhere", 0, KEY_READ, &result), ERROR_INVALID_HANDLE);
    CHECK(result == SentinelKey());
    CHECK_EQ(RegCloseKey(nullptr), ERROR_INVALID_HANDLE);
    RegCloseKey(key);
}

// How the forms of a path are taken. Columns: the caller's line, the path opened below a key
// that holds "Sub\Leaf", the answer.
struct PathCase {
    int line;
    const char* path;
    LONG expected;
};

const PathCase kPathCases[] = {
    {__LINE__, "Sub\\Leaf", ERROR_SUCCESS},
    {__LINE__, "SUB\\leaf", ERROR_SUCCESS},
    {__LINE__, "Sub\\Leaf\\", ERROR_SUCCESS},
    {__LINE__, "Sub\\Leaf\\\\", ERROR_SUCCESS},
    {__LINE__, "\\Sub\\Leaf", ERROR_BAD_PATHNAME},
    {__LINE__, "\\", ERROR_BAD_PATHNAME}, // unsure: seen only for HKEY_CLASSES_ROOT, which differs
    {__LINE__, "Sub\\Nothing", ERROR_FILE_NOT_FOUND},
};

void PathForms() {
    HKEY key = Fresh("Paths");
    HKEY leaf = nullptr;
    CHECK_EQ(
        RegCreateKeyExA(key, "Sub\\Leaf", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &leaf, nullptr),
        ERROR_SUCCESS);
    RegCloseKey(leaf);
    for (const PathCase& c : kPathCases) {
        HKEY opened = nullptr;
        CHECK_EQ_AT(c.line, RegOpenKeyExA(key, c.path, 0, KEY_READ, &opened), c.expected);
        if (opened != nullptr)
            RegCloseKey(opened);
    }
    // Doubled backslashes inside a path are not legal; Windows answers them differently
    // depending on whether the key is in its cache, so this is only reported.
    HKEY doubled = nullptr;
    LONG rc = RegOpenKeyExA(key, "Sub\\\\Leaf", 0, KEY_READ, &doubled);
    printf("note: opening \"Sub\\\\Leaf\" answered %ld\n", static_cast<long>(rc));
    if (rc == ERROR_SUCCESS)
        RegCloseKey(doubled);
    RegCloseKey(key);
}

// Name limits: a key name of up to 256 characters and a value name of up to 16383 are taken;
// one more is refused with ERROR_INVALID_PARAMETER.
void NameLimits() {
    HKEY key = Fresh("Limits");
    static char name[16385];
    memset(name, 'n', sizeof name - 1);
    name[256] = '\0';
    HKEY child = nullptr;
    CHECK_EQ(RegCreateKeyExA(key, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr),
             ERROR_SUCCESS);
    if (child != nullptr)
        RegCloseKey(child);
    name[256] = 'n';
    name[257] = '\0';
    child = nullptr;
    CHECK_EQ(RegCreateKeyExA(key, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr),
             ERROR_INVALID_PARAMETER);
    CHECK_EQ(RegOpenKeyExA(key, name, 0, KEY_READ, &child), ERROR_INVALID_PARAMETER);
    name[257] = 'n';
    name[16383] = '\0';
    CHECK_EQ(SetText(key, name, "x"), ERROR_SUCCESS);
    name[16383] = 'n';
    name[16384] = '\0';
    CHECK_EQ(SetText(key, name, "x"), ERROR_INVALID_PARAMETER);
    RegCloseKey(key);
}

// Creating a subkey asks no right of the parent handle.
void CreateIgnoresParentRights() {
    HKEY key = Fresh("ParentRights");
    HKEY narrow = OpenBelow(scratch, "ParentRights", KEY_NOTIFY);
    CHECK(narrow != nullptr);
    HKEY child = nullptr;
    CHECK_EQ(
        RegCreateKeyExA(narrow, "Child", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &child, nullptr),
        ERROR_SUCCESS);
    CHECK_EQ(SetText(child, "Written", "yes"), ERROR_SUCCESS);
    RegCloseKey(child);
    RegCloseKey(narrow);
    RegCloseKey(key);
}

// RegDeleteKeyA refuses a key that has subkeys and leaves it whole.
void DeleteRefusesKeyWithSubkeys() {
    HKEY key = Fresh("DeleteTree");
    HKEY child = nullptr;
    CHECK_EQ(RegCreateKeyExA(key, "Parent\\Child", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child,
                             nullptr),
             ERROR_SUCCESS);
    RegCloseKey(child);
    CHECK_EQ(RegDeleteKeyA(key, "Parent"), ERROR_ACCESS_DENIED);
    HKEY still = OpenBelow(key, "Parent\\Child", KEY_READ);
    CHECK(still != nullptr);
    RegCloseKey(still);
    CHECK_EQ(RegDeleteKeyA(key, "Parent\\Child"), ERROR_SUCCESS);
    CHECK_EQ(RegDeleteKeyA(key, "PARENT"), ERROR_SUCCESS);
    HKEY gone = nullptr;
    CHECK_EQ(RegOpenKeyExA(key, "Parent", 0, KEY_READ, &gone), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
}

// A key can be deleted through its own handle with an empty path. The key is opened afresh
// for deletion, so a handle that may only read will do.
void DeleteThroughOwnHandle() {
    HKEY key = Fresh("OwnHandle");
    HKEY self = nullptr;
    CHECK_EQ(RegCreateKeyExA(key, "Self", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &self, nullptr),
             ERROR_SUCCESS);
    HKEY reader = OpenBelow(key, "Self", KEY_READ);
    CHECK_EQ(RegDeleteKeyA(reader, ""), ERROR_SUCCESS);
    HKEY gone = nullptr;
    CHECK_EQ(RegOpenKeyExA(key, "Self", 0, KEY_READ, &gone), ERROR_FILE_NOT_FOUND);
    CHECK_EQ(RegDeleteKeyA(self, ""), ERROR_KEY_DELETED);
    RegCloseKey(reader);
    RegCloseKey(self);
    RegCloseKey(key);
}

// A handle of a deleted key answers ERROR_KEY_DELETED to everything but RegCloseKey, even
// after a key of the same name is made again. Columns: line, call on the handle.
struct HandleCall {
    int line;
    LONG (*call)(HKEY key);
};

const HandleCall kCallsOnDeletedKey[] = {
    {__LINE__,
     [](HKEY k) { return RegQueryValueExA(k, "Kept", nullptr, nullptr, nullptr, nullptr); }},
    {__LINE__, [](HKEY k) { return SetText(k, "New", "value"); }},
    {__LINE__, [](HKEY k) { return RegDeleteValueA(k, "Kept"); }},
    {__LINE__,
     [](HKEY k) {
         char name[32];
         DWORD size = sizeof name;
         return RegEnumKeyExA(k, 0, name, &size, nullptr, nullptr, nullptr, nullptr);
     }},
    {__LINE__,
     [](HKEY k) {
         char name[32];
         DWORD size = sizeof name;
         return RegEnumValueA(k, 0, name, &size, nullptr, nullptr, nullptr, nullptr);
     }},
    {__LINE__,
     [](HKEY k) {
         DWORD values = 0;
         return RegQueryInfoKeyA(k, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                                 nullptr, nullptr, nullptr, nullptr);
     }},
    {__LINE__,
     [](HKEY k) {
         HKEY child = nullptr;
         LONG rc =
             RegCreateKeyExA(k, "Child", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr);
         if (rc == ERROR_SUCCESS)
             RegCloseKey(child);
         return rc;
     }},
    {__LINE__,
     [](HKEY k) {
         HKEY again = nullptr;
         LONG rc = RegOpenKeyExA(k, "", 0, KEY_READ, &again);
         if (rc == ERROR_SUCCESS)
             RegCloseKey(again);
         return rc;
     }},
};

void DeletedKeyHandle() {
    HKEY key = Fresh("Deleted");
    HKEY doomed = nullptr;
    CHECK_EQ(
        RegCreateKeyExA(key, "Doomed", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &doomed, nullptr),
        ERROR_SUCCESS);
    CHECK_EQ(SetText(doomed, "Kept", "before"), ERROR_SUCCESS);
    CHECK_EQ(RegDeleteKeyA(key, "Doomed"), ERROR_SUCCESS);
    for (const HandleCall& c : kCallsOnDeletedKey)
        CHECK_EQ_AT(c.line, c.call(doomed), ERROR_KEY_DELETED);
    HKEY reborn = Fresh("Deleted\\Doomed");
    CHECK(reborn != nullptr);
    CHECK_EQ(RegQueryValueExA(reborn, "Kept", nullptr, nullptr, nullptr, nullptr),
             ERROR_FILE_NOT_FOUND);
    for (const HandleCall& c : kCallsOnDeletedKey)
        CHECK_EQ_AT(c.line, c.call(doomed), ERROR_KEY_DELETED);
    CHECK_EQ(RegCloseKey(doomed), ERROR_SUCCESS);
    RegCloseKey(reborn);
    RegCloseKey(key);
}

// RegQueryValueExA: ERROR_MORE_DATA with the needed size and the type when the buffer is too
// small, and the buffer untouched; a null buffer with a size asks for the size.
void QueryValueBuffers() {
    HKEY key = Fresh("QueryBuffers");
    CHECK_EQ(SetText(key, "Text", "hello"), ERROR_SUCCESS);
    BYTE buffer[16];
    memset(buffer, 'x', sizeof buffer);
    DWORD type = kSentinel, size = 2;
    CHECK_EQ(RegQueryValueExA(key, "Text", nullptr, &type, buffer, &size), ERROR_MORE_DATA);
    CHECK_EQ(size, 6);
    CHECK_EQ(type, REG_SZ);
    CHECK_BYTES(buffer, "xxxxxxxx", 8);

    type = kSentinel;
    size = kSentinel;
    CHECK_EQ(RegQueryValueExA(key, "Text", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    CHECK_EQ(size, 6);
    CHECK_EQ(type, REG_SZ);
    type = kSentinel;
    CHECK_EQ(RegQueryValueExA(key, "Text", nullptr, &type, nullptr, nullptr), ERROR_SUCCESS);
    CHECK_EQ(type, REG_SZ);

    memset(buffer, kGuard, sizeof buffer);
    size = 6;
    CHECK_EQ(RegQueryValueExA(key, "Text", nullptr, nullptr, buffer, &size), ERROR_SUCCESS);
    CHECK_EQ(size, 6);
    CHECK_BYTES(buffer, "hello", 6);
    CHECK_EQ(buffer[6], kGuard);

    CHECK_EQ(RegQueryValueExA(key, "Text", nullptr, nullptr, buffer, nullptr),
             ERROR_INVALID_PARAMETER);

    size = sizeof buffer;
    CHECK_EQ(RegQueryValueExA(key, "Absent", nullptr, nullptr, buffer, &size),
             ERROR_FILE_NOT_FOUND);
    CHECK_EQ(size, sizeof buffer);
    // Unsure beyond HKEY_CLASSES_ROOT, where Wine's tests saw it on Windows: without a
    // buffer the size is cleared before the value is looked for.
    size = kSentinel;
    CHECK_EQ(RegQueryValueExA(key, "Absent", nullptr, nullptr, nullptr, &size),
             ERROR_FILE_NOT_FOUND);
    CHECK_EQ(size, 0);
    RegCloseKey(key);
}

// Data of every type comes back as it went in. Columns: line, value name, type, data, size.
struct TypedValue {
    int line;
    const char* name;
    DWORD type;
    const char* data;
    DWORD size;
};

const TypedValue kTypedValues[] = {
    {__LINE__, "Sz", REG_SZ, "text", 5},
    {__LINE__, "EmptySz", REG_SZ, "", 1},
    {__LINE__, "Expand", REG_EXPAND_SZ, "%SystemRoot%\\x", 15},
    {__LINE__, "Multi", REG_MULTI_SZ, "one\0two\0", 9},
    {__LINE__, "Binary", REG_BINARY, "\x00\x01\x7f\xff", 4},
    {__LINE__, "EmptyBinary", REG_BINARY, "", 0},
    {__LINE__, "Dword", REG_DWORD, "\x78\x56\x34\x12", 4},
    {__LINE__, "None", REG_NONE, "\x01\x02\x03", 3},
};

void ValueTypesRoundTrip() {
    HKEY key = Fresh("Types");
    for (const TypedValue& v : kTypedValues)
        CHECK_EQ_AT(
            v.line,
            RegSetValueExA(key, v.name, 0, v.type, reinterpret_cast<const BYTE*>(v.data), v.size),
            ERROR_SUCCESS);
    for (const TypedValue& v : kTypedValues) {
        BYTE buffer[32];
        memset(buffer, kGuard, sizeof buffer);
        DWORD type = kSentinel, size = v.size + 1;
        CHECK_EQ_AT(v.line, RegQueryValueExA(key, v.name, nullptr, &type, buffer, &size),
                    ERROR_SUCCESS);
        CHECK_EQ_AT(v.line, type, v.type);
        CHECK_EQ_AT(v.line, size, v.size);
        CHECK_BYTES_AT(v.line, buffer, v.data, v.size);
        CHECK_EQ_AT(v.line, buffer[v.size], kGuard);
    }
    RegCloseKey(key);
}

// Strings and their terminators, as NT treats them: a size one short of the terminator that
// follows the text is stored with it; a size two short is stored as given. Such a string
// comes back with a terminator after it only when the buffer has room for one.
void StringTerminators() {
    HKEY key = Fresh("Terminators");
    static const char text[] = "FullString";
    const DWORD length = sizeof text - 1;
    CHECK_EQ(
        RegSetValueExA(key, "OneShort", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), length),
        ERROR_SUCCESS);
    DWORD size = 0;
    CHECK_EQ(RegQueryValueExA(key, "OneShort", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    CHECK_EQ(size, length + 1);

    CHECK_EQ(
        RegSetValueExA(key, "TwoShort", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), length - 1),
        ERROR_SUCCESS);
    BYTE buffer[16];
    memset(buffer, kGuard, sizeof buffer);
    size = length - 1;
    CHECK_EQ(RegQueryValueExA(key, "TwoShort", nullptr, nullptr, buffer, &size), ERROR_SUCCESS);
    CHECK_EQ(size, length - 1);
    CHECK_BYTES(buffer, text, length - 1);
    CHECK_EQ(buffer[length - 1], kGuard);

    memset(buffer, kGuard, sizeof buffer);
    size = length;
    CHECK_EQ(RegQueryValueExA(key, "TwoShort", nullptr, nullptr, buffer, &size), ERROR_SUCCESS);
    CHECK_EQ(size, length - 1);
    CHECK_EQ(buffer[length - 1], 0);
    CHECK_EQ(buffer[length], kGuard);

    char name[16];
    DWORD name_size = sizeof name;
    memset(buffer, kGuard, sizeof buffer);
    size = length;
    CHECK_EQ(RegEnumValueA(key, 1, name, &name_size, nullptr, nullptr, buffer, &size),
             ERROR_SUCCESS);
    CHECK_STR(name, "TwoShort");
    CHECK_EQ(size, length - 1);
    CHECK_EQ(buffer[length - 1], 0);
    CHECK_EQ(buffer[length], kGuard);
    RegCloseKey(key);
}

// RegEnumValueA when the name, the data or both do not fit: ERROR_MORE_DATA, the type and the
// data size reported, the name size left as given.
void EnumValueBuffers() {
    HKEY key = Fresh("EnumValue");
    CHECK_EQ(RegSetValueExA(key, "Test", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);
    char name[20], data[20];
    DWORD name_size = sizeof name, data_size = sizeof data, type = kSentinel;
    strcpy(name, "xxxxxxxxxx");
    strcpy(data, "xxxxxxxxxx");
    CHECK_EQ(RegEnumValueA(key, 0, name, &name_size, nullptr, &type, reinterpret_cast<BYTE*>(data),
                           &data_size),
             ERROR_SUCCESS);
    CHECK_EQ(name_size, 4);
    CHECK_EQ(data_size, 0);
    CHECK_EQ(type, REG_BINARY);
    CHECK_STR(name, "Test");
    CHECK_STR(data, "xxxxxxxxxx");

    CHECK_EQ(SetText(key, "Test", "foobar"), ERROR_SUCCESS);

    name_size = 2;
    data_size = 2;
    type = kSentinel;
    strcpy(name, "xxxxxxxxxx");
    strcpy(data, "xxxxxxxxxx");
    CHECK_EQ(RegEnumValueA(key, 0, name, &name_size, nullptr, &type, reinterpret_cast<BYTE*>(data),
                           &data_size),
             ERROR_MORE_DATA);
    CHECK_EQ(name_size, 2);
    CHECK_EQ(data_size, 7);
    CHECK_EQ(type, REG_SZ);
    CHECK_STR(name, "xxxxxxxxxx");
    CHECK_STR(data, "xxxxxxxxxx");

    // Only the name is too long. Windows XP leaves both buffers alone, later versions cut the
    // name and copy the data, so the buffers are not checked.
    name_size = 3;
    data_size = sizeof data;
    type = kSentinel;
    CHECK_EQ(RegEnumValueA(key, 0, name, &name_size, nullptr, &type, reinterpret_cast<BYTE*>(data),
                           &data_size),
             ERROR_MORE_DATA);
    CHECK_EQ(name_size, 3);
    CHECK_EQ(data_size, 7);
    CHECK_EQ(type, REG_SZ);

    name_size = sizeof name;
    data_size = 2;
    type = kSentinel;
    strcpy(name, "xxxxxxxxxx");
    strcpy(data, "xxxxxxxxxx");
    CHECK_EQ(RegEnumValueA(key, 0, name, &name_size, nullptr, &type, reinterpret_cast<BYTE*>(data),
                           &data_size),
             ERROR_MORE_DATA);
    CHECK_EQ(name_size, sizeof name);
    CHECK_EQ(data_size, 7);
    CHECK_EQ(type, REG_SZ);
    CHECK_STR(name, "xxxxxxxxxx");
    CHECK_STR(data, "xxxxxxxxxx");

    name_size = sizeof name;
    data_size = sizeof data;
    CHECK_EQ(RegEnumValueA(key, 0, name, &name_size, nullptr, &type, reinterpret_cast<BYTE*>(data),
                           &data_size),
             ERROR_SUCCESS);
    CHECK_EQ(name_size, 4);
    CHECK_EQ(data_size, 7);
    CHECK_STR(name, "Test");
    CHECK_STR(data, "foobar");

    name_size = sizeof name;
    CHECK_EQ(RegEnumValueA(key, 1, name, &name_size, nullptr, nullptr, nullptr, nullptr),
             ERROR_NO_MORE_ITEMS);
    data_size = sizeof data;
    CHECK_EQ(RegEnumValueA(key, 0, nullptr, &name_size, nullptr, nullptr,
                           reinterpret_cast<BYTE*>(data), &data_size),
             ERROR_INVALID_PARAMETER);
    RegCloseKey(key);
}

// RegEnumKeyExA and RegEnumKeyA need room for the terminator; a name that does not fit is
// ERROR_MORE_DATA with the buffer untouched. Unsure: the size stays as given (Wine's reading;
// the documentation does not say).
void EnumKeyBuffers() {
    HKEY key = Fresh("EnumKey");
    HKEY child = Fresh("EnumKey\\Eleven_char");
    RegCloseKey(child);
    char name[32];
    strcpy(name, "xxxxxxxxxxxxxxxx");
    DWORD size = 11;
    CHECK_EQ(RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr),
             ERROR_MORE_DATA);
    CHECK_EQ(size, 11);
    CHECK_STR(name, "xxxxxxxxxxxxxxxx");
    CHECK_EQ(RegEnumKeyA(key, 0, name, 11), ERROR_MORE_DATA);
    CHECK_STR(name, "xxxxxxxxxxxxxxxx");
    size = 12;
    CHECK_EQ(RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    CHECK_EQ(size, 11);
    CHECK_STR(name, "Eleven_char");
    strcpy(name, "xxxxxxxxxxxxxxxx");
    CHECK_EQ(RegEnumKeyA(key, 0, name, 12), ERROR_SUCCESS);
    CHECK_STR(name, "Eleven_char");
    size = sizeof name;
    CHECK_EQ(RegEnumKeyExA(key, 1, name, &size, nullptr, nullptr, nullptr, nullptr),
             ERROR_NO_MORE_ITEMS);
    CHECK_EQ(RegEnumKeyA(key, 1, name, sizeof name), ERROR_NO_MORE_ITEMS);
    RegCloseKey(key);
}

// An empty key ends both enumerations at once.
void EmptyKeyEnumerations() {
    HKEY key = Fresh("Empty");
    char name[32];
    DWORD size = sizeof name;
    CHECK_EQ(RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr),
             ERROR_NO_MORE_ITEMS);
    CHECK_EQ(RegEnumKeyA(key, 0, name, sizeof name), ERROR_NO_MORE_ITEMS);
    size = sizeof name;
    CHECK_EQ(RegEnumValueA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr),
             ERROR_NO_MORE_ITEMS);
    RegCloseKey(key);
}

// RegQueryInfoKeyA counts subkeys and values and their longest names; the largest data counts
// strings in the UTF-16 bytes Windows keeps them in.
void QueryInfoCounts() {
    HKEY key = Fresh("Info");
    RegCloseKey(Fresh("Info\\a"));
    RegCloseKey(Fresh("Info\\longest"));
    CHECK_EQ(SetText(key, nullptr, "data"), ERROR_SUCCESS);
    CHECK_EQ(SetText(key, "name one", "x"), ERROR_SUCCESS);
    CHECK_EQ(RegSetValueExA(key, "Bin", 0, REG_BINARY, reinterpret_cast<const BYTE*>("1234567"), 7),
             ERROR_SUCCESS);
    DWORD subkeys = kSentinel, longest_subkey = kSentinel, values = kSentinel;
    DWORD longest_name = kSentinel, largest_data = kSentinel;
    CHECK_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, &longest_subkey, nullptr,
                              &values, &longest_name, &largest_data, nullptr, nullptr),
             ERROR_SUCCESS);
    CHECK_EQ(subkeys, 2);
    CHECK_EQ(longest_subkey, 7);
    CHECK_EQ(values, 3);
    CHECK_EQ(longest_name, 8);
    CHECK_EQ(largest_data, 10);
    RegCloseKey(key);
}

// Which calls a handle's rights allow. Columns: line, rights the handle was opened with, the
// call, its answer.
struct RightsCase {
    int line;
    REGSAM access;
    LONG (*call)(HKEY key);
    LONG expected;
};

LONG QueryProbe(HKEY key) {
    BYTE data[16];
    DWORD size = sizeof data;
    return RegQueryValueExA(key, "Probe", nullptr, nullptr, data, &size);
}

LONG SetProbe(HKEY key) {
    return SetText(key, "Probe", "written");
}

LONG EnumValues(HKEY key) {
    char name[16];
    DWORD size = sizeof name;
    return RegEnumValueA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr);
}

LONG EnumKeys(HKEY key) {
    char name[16];
    DWORD size = sizeof name;
    return RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr);
}

LONG DeleteMissingValue(HKEY key) {
    return RegDeleteValueA(key, "NeverThere");
}

const RightsCase kRightsCases[] = {
    {__LINE__, KEY_READ, QueryProbe, ERROR_SUCCESS},
    {__LINE__, KEY_READ, EnumValues, ERROR_SUCCESS},
    {__LINE__, KEY_READ, EnumKeys, ERROR_SUCCESS},
    {__LINE__, KEY_READ, SetProbe, ERROR_ACCESS_DENIED},
    {__LINE__, KEY_READ, DeleteMissingValue, ERROR_ACCESS_DENIED},
    {__LINE__, KEY_WRITE, SetProbe, ERROR_SUCCESS},
    {__LINE__, KEY_WRITE, DeleteMissingValue, ERROR_FILE_NOT_FOUND},
    {__LINE__, KEY_WRITE, QueryProbe, ERROR_ACCESS_DENIED},
    {__LINE__, KEY_WRITE, EnumValues, ERROR_ACCESS_DENIED},
    {__LINE__, KEY_WRITE, EnumKeys, ERROR_ACCESS_DENIED},
    {__LINE__, KEY_QUERY_VALUE, QueryProbe, ERROR_SUCCESS},
    {__LINE__, KEY_QUERY_VALUE, EnumKeys, ERROR_ACCESS_DENIED},
    {__LINE__, KEY_ENUMERATE_SUB_KEYS, EnumKeys, ERROR_SUCCESS},
    {__LINE__, KEY_ENUMERATE_SUB_KEYS, QueryProbe, ERROR_ACCESS_DENIED},
    {__LINE__, KEY_SET_VALUE, SetProbe, ERROR_SUCCESS},
    {__LINE__, KEY_SET_VALUE, QueryProbe, ERROR_ACCESS_DENIED},
};

void AccessRights() {
    HKEY key = Fresh("Rights");
    CHECK_EQ(SetText(key, "Probe", "readable"), ERROR_SUCCESS);
    RegCloseKey(Fresh("Rights\\Child"));
    for (const RightsCase& c : kRightsCases) {
        HKEY handle = OpenBelow(scratch, "Rights", c.access);
        CHECK_AT(c.line, handle != nullptr);
        CHECK_EQ_AT(c.line, c.call(handle), c.expected);
        RegCloseKey(handle);
    }
    RegCloseKey(key);
}

// The default value is the one without a name: a null name and "" are the same value.
void DefaultValue() {
    HKEY key = Fresh("Default");
    CHECK_EQ(RegQueryValueExA(key, nullptr, nullptr, nullptr, nullptr, nullptr),
             ERROR_FILE_NOT_FOUND);
    CHECK_EQ(SetText(key, nullptr, "unnamed"), ERROR_SUCCESS);
    char data[16];
    DWORD size = sizeof data;
    CHECK_EQ(RegQueryValueExA(key, "", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size),
             ERROR_SUCCESS);
    CHECK_STR(data, "unnamed");
    CHECK_EQ(SetText(key, "", "again"), ERROR_SUCCESS);
    const char* const names[] = {""};
    CheckValueNames(__LINE__, key, names, 1);
    char name[8];
    DWORD name_size = sizeof name;
    CHECK_EQ(RegEnumValueA(key, 0, name, &name_size, nullptr, nullptr, nullptr, nullptr),
             ERROR_SUCCESS);
    CHECK_EQ(name_size, 0);
    size = sizeof data;
    CHECK_EQ(RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size),
             ERROR_SUCCESS);
    CHECK_STR(data, "again");
    CHECK_EQ(RegDeleteValueA(key, nullptr), ERROR_SUCCESS);
    CHECK_EQ(RegDeleteValueA(key, ""), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
}

// Registry functions return their error and leave the thread's last-error code alone, both
// when they succeed and when they fail. Columns: line, the call on a handle with every right
// and on one that may only read.
struct LastErrorCase {
    int line;
    LONG (*call)(HKEY all, HKEY reader);
};

const LastErrorCase kLastErrorCases[] = {
    {__LINE__, [](HKEY all, HKEY) { return SetText(all, "V", "x"); }},
    {__LINE__, [](HKEY, HKEY reader) { return SetText(reader, "V", "x"); }},
    {__LINE__,
     [](HKEY all, HKEY) { return RegQueryValueExA(all, "V", nullptr, nullptr, nullptr, nullptr); }},
    {__LINE__,
     [](HKEY all, HKEY) {
         return RegQueryValueExA(all, "No", nullptr, nullptr, nullptr, nullptr);
     }},
    {__LINE__,
     [](HKEY all, HKEY) {
         BYTE small[1];
         DWORD size = 1;
         return RegQueryValueExA(all, "V", nullptr, nullptr, small, &size);
     }},
    {__LINE__,
     [](HKEY all, HKEY) {
         char name[8];
         DWORD size = sizeof name;
         return RegEnumValueA(all, 5, name, &size, nullptr, nullptr, nullptr, nullptr);
     }},
    {__LINE__,
     [](HKEY all, HKEY) {
         char name[8];
         DWORD size = sizeof name;
         return RegEnumKeyExA(all, 0, name, &size, nullptr, nullptr, nullptr, nullptr);
     }},
    {__LINE__,
     [](HKEY all, HKEY) {
         HKEY key = nullptr;
         return RegOpenKeyExA(all, "Missing", 0, KEY_READ, &key);
     }},
    {__LINE__,
     [](HKEY all, HKEY) {
         HKEY key = nullptr;
         return RegOpenKeyA(all, "Missing", &key);
     }},
    {__LINE__,
     [](HKEY all, HKEY) {
         HKEY key = nullptr;
         LONG rc =
             RegCreateKeyExA(all, "Made", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
         RegCloseKey(key);
         return rc;
     }},
    {__LINE__, [](HKEY all, HKEY) { return RegDeleteKeyA(all, "Made"); }},
    {__LINE__, [](HKEY all, HKEY) { return RegDeleteKeyA(all, "Made"); }},
    {__LINE__, [](HKEY all, HKEY) { return RegDeleteValueA(all, "No"); }},
    {__LINE__, [](HKEY, HKEY) { return RegCloseKey(nullptr); }},
};

void LastErrorUntouched() {
    HKEY all = Fresh("LastError");
    HKEY reader = OpenBelow(scratch, "LastError", KEY_READ);
    for (const LastErrorCase& c : kLastErrorCases) {
        SetLastError(kSentinel);
        c.call(all, reader);
        CHECK_EQ_AT(c.line, GetLastError(), kSentinel);
    }
    RegCloseKey(reader);
    RegCloseKey(all);
}

const conformance::Case kCases[] = {
    {"KeyNamesIgnoreCase", KeyNamesIgnoreCase},
    {"ValueNamesIgnoreCase", ValueNamesIgnoreCase},
    {"SubkeysInNameOrder", SubkeysInNameOrder},
    {"ValuesInCreationOrder", ValuesInCreationOrder},
    {"CreateMakesEveryLevel", CreateMakesEveryLevel},
    {"EmptyPathOpensAnew", EmptyPathOpensAnew},
    {"OldFormsHandBackTheHandle", OldFormsHandBackTheHandle},
    {"MissingKeys", MissingKeys},
    {"PathForms", PathForms},
    {"NameLimits", NameLimits},
    {"CreateIgnoresParentRights", CreateIgnoresParentRights},
    {"DeleteRefusesKeyWithSubkeys", DeleteRefusesKeyWithSubkeys},
    {"DeleteThroughOwnHandle", DeleteThroughOwnHandle},
    {"DeletedKeyHandle", DeletedKeyHandle},
    {"QueryValueBuffers", QueryValueBuffers},
    {"ValueTypesRoundTrip", ValueTypesRoundTrip},
    {"StringTerminators", StringTerminators},
    {"EnumValueBuffers", EnumValueBuffers},
    {"EnumKeyBuffers", EnumKeyBuffers},
    {"EmptyKeyEnumerations", EmptyKeyEnumerations},
    {"QueryInfoCounts", QueryInfoCounts},
    {"AccessRights", AccessRights},
    {"DefaultValue", DefaultValue},
    {"LastErrorUntouched", LastErrorUntouched},
};

} // namespace

int main() {
    return conformance::RunCases(kCases, sizeof kCases / sizeof kCases[0], SetUpScratch,
                                 TearDownScratch);
}
