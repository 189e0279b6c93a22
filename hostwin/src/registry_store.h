// The registry's storage: keys and values in one SQLite database.
//
// Keys form a tree of rows that are never renumbered, so a handle keeps the id of its key
// and finds out that the key was deleted when the row is gone. Names keep their case and are
// matched through an upper-cased copy, the way Windows compares them; values keep their
// creation order in an ever-growing sequence number.
#pragma once

#include <windows.h>

#include <stdint.h>
#include <string>

namespace hostwin::registry {

using KeyId = int64_t;

// Ids of the predefined roots; HKEY_LOCAL_MACHINE is the one the product uses.
KeyId RootId(HKEY predefined);

// Opens the store of the current machine; false when the database cannot be opened.
bool StoreReady();

// One transaction around an API call: commits when Commit() was called, else rolls back.
class Transaction {
  public:
    explicit Transaction(bool write);
    ~Transaction();
    bool Ok() const { return ok_; }
    void Commit();

  private:
    bool ok_;
    bool done_;
};

bool KeyExists(KeyId key);
KeyId FindChild(KeyId parent, const char* name, size_t length); // 0: none
KeyId CreateChild(KeyId parent, const char* name, size_t length);
bool HasChildren(KeyId key);
void DeleteKeyRow(KeyId key); // the key's values go with it
bool ChildAt(KeyId parent, DWORD index, std::string* name);
size_t ChildCount(KeyId parent);
size_t LongestChildName(KeyId parent);

struct Value {
    std::string name;
    DWORD type;
    std::string data;
};

bool FindValue(KeyId key, const char* name, Value* out);
bool ValueAt(KeyId key, DWORD index, Value* out);
void SetValue(KeyId key, const char* name, DWORD type, const BYTE* data, DWORD size);
bool DeleteValue(KeyId key, const char* name); // false: no such value
size_t ValueCount(KeyId key);
// The longest value name, and the largest data with strings counted in UTF-16 bytes.
void ValueMaxima(KeyId key, size_t* longest_name, size_t* largest_data);

} // namespace hostwin::registry
