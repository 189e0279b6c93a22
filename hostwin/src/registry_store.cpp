// The registry's storage on SQLite: a file in the machine directory (WAL mode, so that
// several programs of one machine share it), or an in-memory database for unit tests.
#include "registry_store.h"

#include "internal.h"

#include <sqlite3.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace hostwin::registry {

namespace {

const char* const kSchema =
    "CREATE TABLE IF NOT EXISTS keys("
    " id INTEGER PRIMARY KEY AUTOINCREMENT, parent INTEGER NOT NULL,"
    " name BLOB NOT NULL, fold BLOB NOT NULL, UNIQUE(parent, fold));"
    "CREATE TABLE IF NOT EXISTS vals("
    " seq INTEGER PRIMARY KEY AUTOINCREMENT, key INTEGER NOT NULL,"
    " name BLOB NOT NULL, fold BLOB NOT NULL, type INTEGER NOT NULL, data BLOB NOT NULL,"
    " UNIQUE(key, fold));"
    // Values enumerate by index in creation order; this keeps each step from sorting the key.
    "CREATE INDEX IF NOT EXISTS vals_order ON vals(key, seq);"
    "INSERT OR IGNORE INTO keys(id, parent, name, fold) VALUES"
    " (1, 0, 'HKEY_CLASSES_ROOT', 'HKEY_CLASSES_ROOT'),"
    " (2, 0, 'HKEY_CURRENT_USER', 'HKEY_CURRENT_USER'),"
    " (3, 0, 'HKEY_LOCAL_MACHINE', 'HKEY_LOCAL_MACHINE'),"
    " (4, 0, 'HKEY_USERS', 'HKEY_USERS');";

enum Statement {
    kBeginRead,
    kBeginWrite,
    kCommit,
    kRollback,
    kKeyExists,
    kFindChild,
    kCreateChild,
    kHasChildren,
    kDeleteValuesOfKey,
    kDeleteKey,
    kChildAt,
    kChildCount,
    kLongestChild,
    kFindValue,
    kValueAt,
    kUpdateValue,
    kInsertValue,
    kDeleteValue,
    kValueCount,
    kValueMaxima,
    kStatementCount
};

const char* const kStatementText[kStatementCount] = {
    "BEGIN",
    "BEGIN IMMEDIATE",
    "COMMIT",
    "ROLLBACK",
    "SELECT 1 FROM keys WHERE id = ?1",
    "SELECT id FROM keys WHERE parent = ?1 AND fold = ?2",
    "INSERT INTO keys(parent, name, fold) VALUES (?1, ?2, ?3)",
    "SELECT 1 FROM keys WHERE parent = ?1 LIMIT 1",
    "DELETE FROM vals WHERE key = ?1",
    "DELETE FROM keys WHERE id = ?1",
    "SELECT name FROM keys WHERE parent = ?1 ORDER BY fold LIMIT 1 OFFSET ?2",
    "SELECT count(*) FROM keys WHERE parent = ?1",
    "SELECT coalesce(max(length(name)), 0) FROM keys WHERE parent = ?1",
    "SELECT name, type, data FROM vals WHERE key = ?1 AND fold = ?2",
    "SELECT name, type, data FROM vals WHERE key = ?1 ORDER BY seq LIMIT 1 OFFSET ?2",
    "UPDATE vals SET type = ?4, data = ?5 WHERE key = ?1 AND fold = ?2",
    "INSERT INTO vals(key, fold, name, type, data) VALUES (?1, ?2, ?3, ?4, ?5)",
    "DELETE FROM vals WHERE key = ?1 AND fold = ?2",
    "SELECT count(*) FROM vals WHERE key = ?1",
    ("SELECT coalesce(max(length(name)), 0),"
     " coalesce(max(CASE WHEN type IN (1, 2, 7) THEN 2 * length(data) ELSE length(data) END), 0)"
     " FROM vals WHERE key = ?1"),
};

struct Store {
    unsigned generation;
    sqlite3* db;
    sqlite3_stmt* statements[kStatementCount];
};

Store store;

void CloseStore() {
    for (sqlite3_stmt*& s : store.statements) {
        sqlite3_finalize(s);
        s = nullptr;
    }
    if (store.db != nullptr)
        sqlite3_close(store.db);
    store.db = nullptr;
}

bool OpenStore() {
    char path[4096];
    const char* target = ":memory:";
    if (MachineDirectory() != nullptr) {
        if (!MachinePath("registry.sqlite", path, sizeof path))
            return false;
        target = path;
    }
    if (sqlite3_open(target, &store.db) != SQLITE_OK)
        return false;
    sqlite3_busy_timeout(store.db, 10000);
    if (MachineDirectory() != nullptr) {
        sqlite3_exec(store.db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", nullptr,
                     nullptr, nullptr);
    }
    if (sqlite3_exec(store.db, kSchema, nullptr, nullptr, nullptr) != SQLITE_OK)
        return false;
    for (int i = 0; i < kStatementCount; ++i)
        if (sqlite3_prepare_v2(store.db, kStatementText[i], -1, &store.statements[i], nullptr) !=
            SQLITE_OK)
            return false;
    return true;
}

// A prepared statement in use; reset and cleared when it goes out of scope.
class Query {
  public:
    explicit Query(Statement which) : s_(store.statements[which]) {}
    ~Query() {
        sqlite3_reset(s_);
        sqlite3_clear_bindings(s_);
    }
    Query& Int(int at, int64_t v) {
        sqlite3_bind_int64(s_, at, v);
        return *this;
    }
    Query& Blob(int at, const void* data, size_t size) {
        sqlite3_bind_blob(s_, at, size != 0 ? data : "", static_cast<int>(size), SQLITE_TRANSIENT);
        return *this;
    }
    bool Row() { return sqlite3_step(s_) == SQLITE_ROW; }
    void Run() {
        int rc = sqlite3_step(s_);
        if (rc != SQLITE_DONE && rc != SQLITE_ROW) {
            fprintf(stderr, "hostwin registry: %s\n", sqlite3_errmsg(store.db));
            abort(); // the store is broken; nothing sensible can follow
        }
    }
    int64_t IntAt(int column) { return sqlite3_column_int64(s_, column); }
    std::string BlobAt(int column) {
        const void* p = sqlite3_column_blob(s_, column);
        int n = sqlite3_column_bytes(s_, column);
        return p != nullptr ? std::string(static_cast<const char*>(p), n) : std::string();
    }

  private:
    sqlite3_stmt* s_;
};

// Windows matches names without regard to letter case.
std::string Fold(const char* name, size_t length) {
    std::string folded(name, length);
    for (char& c : folded)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return folded;
}

std::string Fold(const char* name) {
    return Fold(name, strlen(name));
}

} // namespace

KeyId RootId(HKEY predefined) {
    if (predefined == HKEY_CLASSES_ROOT)
        return 1;
    if (predefined == HKEY_CURRENT_USER)
        return 2;
    if (predefined == HKEY_LOCAL_MACHINE)
        return 3;
    if (predefined == HKEY_USERS)
        return 4;
    return 0;
}

bool StoreReady() {
    if (store.db != nullptr && store.generation == MachineGeneration())
        return true;
    CloseStore();
    store.generation = MachineGeneration();
    if (OpenStore())
        return true;
    CloseStore();
    return false;
}

Transaction::Transaction(bool write) : ok_(false), done_(false) {
    sqlite3_stmt* begin = store.statements[write ? kBeginWrite : kBeginRead];
    ok_ = sqlite3_step(begin) == SQLITE_DONE;
    sqlite3_reset(begin);
}

Transaction::~Transaction() {
    if (ok_ && !done_)
        Query(kRollback).Run();
}

void Transaction::Commit() {
    if (ok_ && !done_)
        Query(kCommit).Run();
    done_ = true;
}

bool KeyExists(KeyId key) {
    return Query(kKeyExists).Int(1, key).Row();
}

KeyId FindChild(KeyId parent, const char* name, size_t length) {
    std::string fold = Fold(name, length);
    Query q(kFindChild);
    q.Int(1, parent).Blob(2, fold.data(), fold.size());
    return q.Row() ? q.IntAt(0) : 0;
}

KeyId CreateChild(KeyId parent, const char* name, size_t length) {
    std::string fold = Fold(name, length);
    Query(kCreateChild)
        .Int(1, parent)
        .Blob(2, name, length)
        .Blob(3, fold.data(), fold.size())
        .Run();
    return sqlite3_last_insert_rowid(store.db);
}

bool HasChildren(KeyId key) {
    return Query(kHasChildren).Int(1, key).Row();
}

void DeleteKeyRow(KeyId key) {
    Query(kDeleteValuesOfKey).Int(1, key).Run();
    Query(kDeleteKey).Int(1, key).Run();
}

bool ChildAt(KeyId parent, DWORD index, std::string* name) {
    Query q(kChildAt);
    q.Int(1, parent).Int(2, index);
    if (!q.Row())
        return false;
    *name = q.BlobAt(0);
    return true;
}

size_t ChildCount(KeyId parent) {
    Query q(kChildCount);
    q.Int(1, parent);
    return q.Row() ? static_cast<size_t>(q.IntAt(0)) : 0;
}

size_t LongestChildName(KeyId parent) {
    Query q(kLongestChild);
    q.Int(1, parent);
    return q.Row() ? static_cast<size_t>(q.IntAt(0)) : 0;
}

static bool ReadValueRow(Query& q, Value* out) {
    if (!q.Row())
        return false;
    out->name = q.BlobAt(0);
    out->type = static_cast<DWORD>(q.IntAt(1));
    out->data = q.BlobAt(2);
    return true;
}

bool FindValue(KeyId key, const char* name, Value* out) {
    std::string fold = Fold(name);
    Query q(kFindValue);
    q.Int(1, key).Blob(2, fold.data(), fold.size());
    return ReadValueRow(q, out);
}

bool ValueAt(KeyId key, DWORD index, Value* out) {
    Query q(kValueAt);
    q.Int(1, key).Int(2, index);
    return ReadValueRow(q, out);
}

void SetValue(KeyId key, const char* name, DWORD type, const BYTE* data, DWORD size) {
    std::string fold = Fold(name);
    size_t name_length = strlen(name);
    // An existing value keeps its place in the enumeration and the spelling it was created with.
    Query update(kUpdateValue);
    update.Int(1, key).Blob(2, fold.data(), fold.size());
    update.Int(4, type).Blob(5, data, size).Run();
    if (sqlite3_changes(store.db) != 0)
        return;
    Query insert(kInsertValue);
    insert.Int(1, key).Blob(2, fold.data(), fold.size()).Blob(3, name, name_length);
    insert.Int(4, type).Blob(5, data, size).Run();
}

bool DeleteValue(KeyId key, const char* name) {
    std::string fold = Fold(name);
    Query(kDeleteValue).Int(1, key).Blob(2, fold.data(), fold.size()).Run();
    return sqlite3_changes(store.db) != 0;
}

size_t ValueCount(KeyId key) {
    Query q(kValueCount);
    q.Int(1, key);
    return q.Row() ? static_cast<size_t>(q.IntAt(0)) : 0;
}

void ValueMaxima(KeyId key, size_t* longest_name, size_t* largest_data) {
    Query q(kValueMaxima);
    q.Int(1, key);
    bool row = q.Row();
    *longest_name = row ? static_cast<size_t>(q.IntAt(0)) : 0;
    *largest_data = row ? static_cast<size_t>(q.IntAt(1)) : 0;
}

} // namespace hostwin::registry
