// The registry functions as Windows NT has them: names matched without regard to case,
// subkeys enumerated in name order and values in creation order, every missing level
// created, a key with subkeys refused for deletion, a handle of a deleted key answering
// ERROR_KEY_DELETED, access checked against the rights a handle was opened with. They return
// their error and leave the thread's last-error code alone.
#include "internal.h"
#include "registry_store.h"

#include <string.h>

using hostwin::FaultHits;
namespace store = hostwin::registry;

namespace {

constexpr size_t kMaxHandles = 4096;
constexpr uintptr_t kFirstHandle = 0x1000;

struct OpenKey {
    bool used;
    store::KeyId id;
    REGSAM access;
};

struct HandleTable {
    unsigned generation;
    OpenKey keys[kMaxHandles];
};

HandleTable table;

void RefreshTable() {
    if (table.generation == hostwin::MachineGeneration())
        return;
    memset(&table, 0, sizeof table);
    table.generation = hostwin::MachineGeneration();
}

HKEY HandleOf(size_t slot) {
    return reinterpret_cast<HKEY>(kFirstHandle + slot * 4);
}

OpenKey* SlotOf(HKEY key) {
    uintptr_t v = reinterpret_cast<uintptr_t>(key);
    if (v < kFirstHandle || (v - kFirstHandle) % 4 != 0)
        return nullptr;
    size_t slot = (v - kFirstHandle) / 4;
    if (slot >= kMaxHandles || !table.keys[slot].used)
        return nullptr;
    return &table.keys[slot];
}

// Finds the key behind a handle; the caller holds a transaction.
LONG Resolve(HKEY key, store::KeyId* id, REGSAM* access) {
    RefreshTable();
    if (store::KeyId root = store::RootId(key)) {
        *id = root;
        *access = KEY_ALL_ACCESS;
        return ERROR_SUCCESS;
    }
    OpenKey* open = SlotOf(key);
    if (open == nullptr)
        return ERROR_INVALID_HANDLE;
    if (!store::KeyExists(open->id))
        return ERROR_KEY_DELETED;
    *id = open->id;
    *access = open->access;
    return ERROR_SUCCESS;
}

LONG NewHandle(store::KeyId id, REGSAM access, PHKEY result) {
    for (size_t slot = 0; slot < kMaxHandles; ++slot) {
        if (!table.keys[slot].used) {
            table.keys[slot] = OpenKey{true, id, access};
            *result = HandleOf(slot);
            return ERROR_SUCCESS;
        }
    }
    return ERROR_NOT_ENOUGH_MEMORY;
}

// Rights that a request for MAXIMUM_ALLOWED gets: an administrator's, everything.
REGSAM Granted(REGSAM requested) {
    return (requested & MAXIMUM_ALLOWED) != 0 ? KEY_ALL_ACCESS : requested;
}

// Windows takes key names of up to 256 characters and value names of up to 16383; longer ones
// are refused with ERROR_INVALID_PARAMETER.
constexpr size_t kMaxKeyNameLength = 256;
constexpr size_t kMaxValueNameLength = 16383;

// Walks a backslash-separated path below a key, creating missing levels when asked. Windows
// asks no right of the parent handle for either. A leading backslash is refused; trailing ones
// are accepted. Doubled backslashes inside a path are not legal names: Windows answers them
// differently depending on its key cache, so here they count as one, as in Wine.
LONG Walk(store::KeyId from, const char* path, bool create, store::KeyId* out, DWORD* disposition) {
    *disposition = REG_OPENED_EXISTING_KEY;
    if (path != nullptr && path[0] == '\\')
        return ERROR_BAD_PATHNAME;
    store::KeyId at = from;
    const char* p = path != nullptr ? path : "";
    while (*p != '\0') {
        size_t length = strcspn(p, "\\");
        if (length > kMaxKeyNameLength)
            return ERROR_INVALID_PARAMETER;
        if (length != 0) {
            store::KeyId child = store::FindChild(at, p, length);
            if (child == 0) {
                if (!create)
                    return ERROR_FILE_NOT_FOUND;
                child = store::CreateChild(at, p, length);
                *disposition = REG_CREATED_NEW_KEY;
            }
            at = child;
        }
        p += length;
        if (*p == '\\')
            ++p;
    }
    *out = at;
    return ERROR_SUCCESS;
}

bool IsPredefined(HKEY key) {
    return store::RootId(key) != 0;
}

bool IsEmptyPath(LPCSTR path) {
    return path == nullptr || path[0] == '\0';
}

// Opens or creates a key below a handle. A handle that names no key leaves *result as it
// was; a key that is not there sets it to null, as RegOpenKeyExA does.
LONG OpenOrCreate(HKEY key, LPCSTR sub_key, REGSAM access, bool create, PHKEY result,
                  LPDWORD disposition) {
    if (result == nullptr)
        return ERROR_INVALID_PARAMETER;
    if (!store::StoreReady())
        return ERROR_REGISTRY_CORRUPT;
    store::Transaction txn(create);
    if (!txn.Ok())
        return ERROR_CANTWRITE;
    store::KeyId id = 0;
    REGSAM parent_access = 0;
    LONG rc = Resolve(key, &id, &parent_access);
    if (rc == ERROR_INVALID_HANDLE)
        return rc;
    if (!create)
        *result = nullptr;
    if (rc != ERROR_SUCCESS)
        return rc;
    store::KeyId target = 0;
    DWORD how = REG_OPENED_EXISTING_KEY;
    rc = Walk(id, sub_key, create, &target, &how);
    if (rc != ERROR_SUCCESS)
        return rc;
    HKEY opened = nullptr;
    rc = NewHandle(target, Granted(access), &opened);
    if (rc != ERROR_SUCCESS)
        return rc;
    txn.Commit();
    *result = opened;
    if (disposition != nullptr)
        *disposition = how;
    return ERROR_SUCCESS;
}

// Resolves a handle inside a transaction and checks that it carries the needed right.
LONG Begin(HKEY key, REGSAM needed, store::KeyId* id) {
    REGSAM access = 0;
    LONG rc = Resolve(key, id, &access);
    if (rc != ERROR_SUCCESS)
        return rc;
    if ((access & needed) != needed)
        return ERROR_ACCESS_DENIED;
    return ERROR_SUCCESS;
}

bool IsStringType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Copies value data to a caller's buffer the way the query functions do: nothing is written
// unless all of it fits; a string that does not end in a terminator gets one after it when
// the buffer has room, without counting it in the size.
LONG CopyData(const store::Value& value, LPBYTE out, DWORD room) {
    if (out == nullptr || value.data.empty())
        return ERROR_SUCCESS;
    if (value.data.size() > room)
        return ERROR_MORE_DATA;
    memcpy(out, value.data.data(), value.data.size());
    if (IsStringType(value.type) && value.data.size() < room && value.data.back() != '\0')
        out[value.data.size()] = '\0';
    return ERROR_SUCCESS;
}

const char* NameOrDefault(LPCSTR name) {
    return name != nullptr ? name : "";
}

} // namespace

#define HOSTWIN_FAULT_POINT(api)                                                                   \
    do {                                                                                           \
        DWORD injected_;                                                                           \
        if (FaultHits(api, &injected_))                                                            \
            return static_cast<LONG>(injected_);                                                   \
    } while (0)

// An opening call that fails by injection leaves no handle behind.
#define HOSTWIN_OPEN_FAULT_POINT(api, result)                                                      \
    do {                                                                                           \
        DWORD injected_;                                                                           \
        if (FaultHits(api, &injected_)) {                                                          \
            if ((result) != nullptr)                                                               \
                *(result) = nullptr;                                                               \
            return static_cast<LONG>(injected_);                                                   \
        }                                                                                          \
    } while (0)

// A predefined root with an empty path is handed back as it is; any other key is opened anew.
LONG WINAPI RegOpenKeyExA(HKEY key, LPCSTR sub_key, DWORD, REGSAM access, PHKEY result) {
    HOSTWIN_OPEN_FAULT_POINT("RegOpenKeyExA", result);
    if (result != nullptr && IsEmptyPath(sub_key) && IsPredefined(key)) {
        *result = key;
        return ERROR_SUCCESS;
    }
    return OpenOrCreate(key, sub_key, access, false, result, nullptr);
}

LONG WINAPI RegCreateKeyExA(HKEY key, LPCSTR sub_key, DWORD, LPSTR, DWORD, REGSAM access,
                            LPSECURITY_ATTRIBUTES, PHKEY result, LPDWORD disposition) {
    HOSTWIN_OPEN_FAULT_POINT("RegCreateKeyExA", result);
    if (sub_key == nullptr)
        return ERROR_INVALID_PARAMETER;
    return OpenOrCreate(key, sub_key, access, true, result, disposition);
}

// The older forms open with the most rights the caller may have. RegOpenKeyA hands back the
// very handle it was given for an empty path, whatever the key.
LONG WINAPI RegOpenKeyA(HKEY key, LPCSTR sub_key, PHKEY result) {
    HOSTWIN_OPEN_FAULT_POINT("RegOpenKeyA", result);
    if (result != nullptr && IsEmptyPath(sub_key)) {
        *result = key;
        return ERROR_SUCCESS;
    }
    return OpenOrCreate(key, sub_key, MAXIMUM_ALLOWED, false, result, nullptr);
}

// A predefined root with an empty path is handed back as it is, as documented; any other
// key is opened anew.
LONG WINAPI RegCreateKeyA(HKEY key, LPCSTR sub_key, PHKEY result) {
    HOSTWIN_OPEN_FAULT_POINT("RegCreateKeyA", result);
    if (result != nullptr && IsEmptyPath(sub_key) && IsPredefined(key)) {
        *result = key;
        return ERROR_SUCCESS;
    }
    return OpenOrCreate(key, NameOrDefault(sub_key), MAXIMUM_ALLOWED, true, result, nullptr);
}

LONG WINAPI RegCloseKey(HKEY key) {
    HOSTWIN_FAULT_POINT("RegCloseKey");
    RefreshTable();
    if (IsPredefined(key))
        return ERROR_SUCCESS;
    OpenKey* open = SlotOf(key);
    if (open == nullptr)
        return ERROR_INVALID_HANDLE;
    open->used = false;
    return ERROR_SUCCESS;
}

// The key to delete is opened afresh for deletion, so the rights of the handle given do not
// matter, even for its own key (an empty path).
LONG WINAPI RegDeleteKeyA(HKEY key, LPCSTR sub_key) {
    HOSTWIN_FAULT_POINT("RegDeleteKeyA");
    if (sub_key == nullptr)
        return ERROR_INVALID_PARAMETER;
    if (!store::StoreReady())
        return ERROR_REGISTRY_CORRUPT;
    store::Transaction txn(true);
    if (!txn.Ok())
        return ERROR_CANTWRITE;
    store::KeyId id = 0;
    REGSAM access = 0;
    LONG rc = Resolve(key, &id, &access);
    if (rc != ERROR_SUCCESS)
        return rc;
    store::KeyId target = 0;
    DWORD how = 0;
    rc = Walk(id, sub_key, false, &target, &how);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (target <= 4 /* a predefined root */ || store::HasChildren(target))
        return ERROR_ACCESS_DENIED;
    store::DeleteKeyRow(target);
    txn.Commit();
    return ERROR_SUCCESS;
}

// The size is cleared first when no buffer is given, so a missing value reports 0. Type and
// size are reported even when the buffer is too small; the buffer itself is then untouched.
LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR value_name, LPDWORD, LPDWORD type, LPBYTE data,
                             LPDWORD data_size) {
    HOSTWIN_FAULT_POINT("RegQueryValueExA");
    if (data != nullptr && data_size == nullptr)
        return ERROR_INVALID_PARAMETER;
    if (!store::StoreReady())
        return ERROR_REGISTRY_CORRUPT;
    store::Transaction txn(false);
    store::KeyId id = 0;
    LONG rc = Begin(key, KEY_QUERY_VALUE, &id);
    if (rc != ERROR_SUCCESS)
        return rc;
    DWORD room = data_size != nullptr ? *data_size : 0;
    if (data == nullptr && data_size != nullptr)
        *data_size = 0;
    store::Value value;
    if (!store::FindValue(id, NameOrDefault(value_name), &value))
        return ERROR_FILE_NOT_FOUND;
    rc = CopyData(value, data, room);
    if (type != nullptr)
        *type = value.type;
    if (data_size != nullptr)
        *data_size = static_cast<DWORD>(value.data.size());
    return rc;
}

// A string whose size misses its terminator by one byte, with the terminator right after it,
// is stored with the terminator, as Windows NT does.
LONG WINAPI RegSetValueExA(HKEY key, LPCSTR value_name, DWORD, DWORD type, const BYTE* data,
                           DWORD data_size) {
    HOSTWIN_FAULT_POINT("RegSetValueExA");
    if (data == nullptr && data_size != 0)
        return ERROR_NOACCESS;
    if (value_name != nullptr && strlen(value_name) > kMaxValueNameLength)
        return ERROR_INVALID_PARAMETER;
    if (data_size != 0 && IsStringType(type) && data[data_size - 1] != '\0' &&
        data[data_size] == '\0')
        ++data_size;
    if (!store::StoreReady())
        return ERROR_REGISTRY_CORRUPT;
    store::Transaction txn(true);
    if (!txn.Ok())
        return ERROR_CANTWRITE;
    store::KeyId id = 0;
    LONG rc = Begin(key, KEY_SET_VALUE, &id);
    if (rc != ERROR_SUCCESS)
        return rc;
    store::SetValue(id, NameOrDefault(value_name), type, data, data_size);
    txn.Commit();
    return ERROR_SUCCESS;
}

LONG WINAPI RegDeleteValueA(HKEY key, LPCSTR value_name) {
    HOSTWIN_FAULT_POINT("RegDeleteValueA");
    if (!store::StoreReady())
        return ERROR_REGISTRY_CORRUPT;
    store::Transaction txn(true);
    if (!txn.Ok())
        return ERROR_CANTWRITE;
    store::KeyId id = 0;
    LONG rc = Begin(key, KEY_SET_VALUE, &id);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (!store::DeleteValue(id, NameOrDefault(value_name)))
        return ERROR_FILE_NOT_FOUND;
    txn.Commit();
    return ERROR_SUCCESS;
}

namespace {

// The subkey name at an index; room counts the terminator. A name that does not fit leaves
// the buffer and the length alone.
LONG EnumKeyName(HKEY key, DWORD index, LPSTR name, DWORD room, DWORD* length) {
    if (name == nullptr)
        return ERROR_INVALID_PARAMETER;
    if (!store::StoreReady())
        return ERROR_REGISTRY_CORRUPT;
    store::Transaction txn(false);
    store::KeyId id = 0;
    LONG rc = Begin(key, KEY_ENUMERATE_SUB_KEYS, &id);
    if (rc != ERROR_SUCCESS)
        return rc;
    std::string child;
    if (!store::ChildAt(id, index, &child))
        return ERROR_NO_MORE_ITEMS;
    if (child.size() + 1 > room)
        return ERROR_MORE_DATA;
    memcpy(name, child.c_str(), child.size() + 1);
    *length = static_cast<DWORD>(child.size());
    return ERROR_SUCCESS;
}

} // namespace

LONG WINAPI RegEnumKeyA(HKEY key, DWORD index, LPSTR name, DWORD name_size) {
    HOSTWIN_FAULT_POINT("RegEnumKeyA");
    DWORD length = 0;
    return EnumKeyName(key, index, name, name_size, &length);
}

LONG WINAPI RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD name_size, LPDWORD,
                          LPSTR class_name, LPDWORD class_size, PFILETIME last_write) {
    HOSTWIN_FAULT_POINT("RegEnumKeyExA");
    if (name_size == nullptr)
        return ERROR_INVALID_PARAMETER;
    DWORD length = 0;
    LONG rc = EnumKeyName(key, index, name, *name_size, &length);
    if (rc != ERROR_SUCCESS)
        return rc;
    *name_size = length;
    if (class_name != nullptr && class_size != nullptr && *class_size > 0)
        class_name[0] = '\0';
    if (class_size != nullptr)
        *class_size = 0;
    if (last_write != nullptr)
        *last_write = FILETIME{0, 0};
    return ERROR_SUCCESS;
}

// The data is copied first when it fits; a name that does not fit is cut to the buffer and
// its size left as the caller gave it. Type and data size are reported on ERROR_MORE_DATA.
LONG WINAPI RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD name_size, LPDWORD,
                          LPDWORD type, LPBYTE data, LPDWORD data_size) {
    HOSTWIN_FAULT_POINT("RegEnumValueA");
    if (name == nullptr || name_size == nullptr)
        return ERROR_INVALID_PARAMETER;
    if (data != nullptr && data_size == nullptr)
        return ERROR_INVALID_PARAMETER;
    if (!store::StoreReady())
        return ERROR_REGISTRY_CORRUPT;
    store::Transaction txn(false);
    store::KeyId id = 0;
    LONG rc = Begin(key, KEY_QUERY_VALUE, &id);
    if (rc != ERROR_SUCCESS)
        return rc;
    store::Value value;
    if (!store::ValueAt(id, index, &value))
        return ERROR_NO_MORE_ITEMS;
    rc = CopyData(value, data, data_size != nullptr ? *data_size : 0);
    if (rc == ERROR_SUCCESS) {
        if (value.name.size() + 1 > *name_size) {
            rc = ERROR_MORE_DATA;
            if (*name_size > 0) {
                memcpy(name, value.name.data(), *name_size - 1);
                name[*name_size - 1] = '\0';
            }
        } else {
            memcpy(name, value.name.c_str(), value.name.size() + 1);
            *name_size = static_cast<DWORD>(value.name.size());
        }
    }
    if (type != nullptr)
        *type = value.type;
    if (data_size != nullptr)
        *data_size = static_cast<DWORD>(value.data.size());
    return rc;
}

// Windows keeps string data in UTF-16, so the longest data is counted in those bytes.
LONG WINAPI RegQueryInfoKeyA(HKEY key, LPSTR class_name, LPDWORD class_size, LPDWORD,
                             LPDWORD sub_keys, LPDWORD max_sub_key_len, LPDWORD max_class_len,
                             LPDWORD values, LPDWORD max_value_name_len, LPDWORD max_value_len,
                             LPDWORD security_descriptor_size, PFILETIME last_write) {
    HOSTWIN_FAULT_POINT("RegQueryInfoKeyA");
    if (class_name != nullptr && class_size == nullptr)
        return ERROR_INVALID_PARAMETER;
    if (!store::StoreReady())
        return ERROR_REGISTRY_CORRUPT;
    store::Transaction txn(false);
    store::KeyId id = 0;
    LONG rc = Begin(key, KEY_QUERY_VALUE, &id);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (class_name != nullptr && *class_size > 0)
        class_name[0] = '\0';
    if (class_size != nullptr)
        *class_size = 0;
    if (sub_keys != nullptr)
        *sub_keys = static_cast<DWORD>(store::ChildCount(id));
    if (max_sub_key_len != nullptr)
        *max_sub_key_len = static_cast<DWORD>(store::LongestChildName(id));
    if (max_class_len != nullptr)
        *max_class_len = 0;
    size_t longest_name = 0, largest_data = 0;
    store::ValueMaxima(id, &longest_name, &largest_data);
    if (values != nullptr)
        *values = static_cast<DWORD>(store::ValueCount(id));
    if (max_value_name_len != nullptr)
        *max_value_name_len = static_cast<DWORD>(longest_name);
    if (max_value_len != nullptr)
        *max_value_len = static_cast<DWORD>(largest_data);
    if (security_descriptor_size != nullptr)
        *security_descriptor_size = 0;
    if (last_write != nullptr)
        *last_write = FILETIME{0, 0};
    return ERROR_SUCCESS;
}
