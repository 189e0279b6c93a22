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

// Walks a backslash-separated path below a key, creating missing levels when asked.
LONG Walk(store::KeyId from, REGSAM from_access, const char* path, bool create, store::KeyId* out,
          DWORD* disposition) {
    *disposition = REG_OPENED_EXISTING_KEY;
    if (path != nullptr && path[0] == '\\')
        return ERROR_BAD_PATHNAME;
    store::KeyId at = from;
    const char* p = path != nullptr ? path : "";
    while (*p != '\0') {
        size_t length = strcspn(p, "\\");
        if (length != 0) {
            store::KeyId child = store::FindChild(at, p, length);
            if (child == 0) {
                if (!create)
                    return ERROR_FILE_NOT_FOUND;
                if (at == from && (from_access & KEY_CREATE_SUB_KEY) == 0)
                    return ERROR_ACCESS_DENIED;
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

LONG OpenOrCreate(HKEY key, LPCSTR sub_key, REGSAM access, bool create, PHKEY result,
                  LPDWORD disposition) {
    if (result == nullptr)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    if (!store::StoreReady())
        return ERROR_REGISTRY_CORRUPT;
    store::Transaction txn(create);
    if (!txn.Ok())
        return ERROR_CANTWRITE;
    store::KeyId id = 0;
    REGSAM parent_access = 0;
    LONG rc = Resolve(key, &id, &parent_access);
    if (rc != ERROR_SUCCESS)
        return rc;
    store::KeyId target = 0;
    DWORD how = REG_OPENED_EXISTING_KEY;
    rc = Walk(id, parent_access, sub_key, create, &target, &how);
    if (rc != ERROR_SUCCESS)
        return rc;
    rc = NewHandle(target, Granted(access), result);
    if (rc != ERROR_SUCCESS)
        return rc;
    txn.Commit();
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

// Copies data to a caller's buffer the way the query functions do: the size is always set;
// a buffer that is too small gets ERROR_MORE_DATA.
LONG CopyData(const std::string& data, LPBYTE out, LPDWORD out_size) {
    if (out_size == nullptr)
        return out == nullptr ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
    DWORD room = *out_size;
    *out_size = static_cast<DWORD>(data.size());
    if (out == nullptr)
        return ERROR_SUCCESS;
    if (data.size() > room)
        return ERROR_MORE_DATA;
    if (!data.empty())
        memcpy(out, data.data(), data.size());
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

LONG WINAPI RegOpenKeyExA(HKEY key, LPCSTR sub_key, DWORD, REGSAM access, PHKEY result) {
    DWORD injected;
    if (FaultHits("RegOpenKeyExA", &injected)) {
        if (result != nullptr)
            *result = nullptr;
        return static_cast<LONG>(injected);
    }
    return OpenOrCreate(key, sub_key, access, false, result, nullptr);
}

LONG WINAPI RegCreateKeyExA(HKEY key, LPCSTR sub_key, DWORD, LPSTR, DWORD, REGSAM access,
                            LPSECURITY_ATTRIBUTES, PHKEY result, LPDWORD disposition) {
    DWORD injected;
    if (FaultHits("RegCreateKeyExA", &injected)) {
        if (result != nullptr)
            *result = nullptr;
        return static_cast<LONG>(injected);
    }
    if (sub_key == nullptr)
        return ERROR_INVALID_PARAMETER;
    return OpenOrCreate(key, sub_key, access, true, result, disposition);
}

// The older forms hand back the same handle for an empty path, as documented, and open with
// the most rights the caller may have.
LONG WINAPI RegOpenKeyA(HKEY key, LPCSTR sub_key, PHKEY result) {
    DWORD injected;
    if (FaultHits("RegOpenKeyA", &injected)) {
        if (result != nullptr)
            *result = nullptr;
        return static_cast<LONG>(injected);
    }
    if (result != nullptr && (sub_key == nullptr || sub_key[0] == '\0')) {
        *result = key;
        return ERROR_SUCCESS;
    }
    return OpenOrCreate(key, sub_key, MAXIMUM_ALLOWED, false, result, nullptr);
}

LONG WINAPI RegCreateKeyA(HKEY key, LPCSTR sub_key, PHKEY result) {
    DWORD injected;
    if (FaultHits("RegCreateKeyA", &injected)) {
        if (result != nullptr)
            *result = nullptr;
        return static_cast<LONG>(injected);
    }
    if (result != nullptr && (sub_key == nullptr || sub_key[0] == '\0')) {
        *result = key;
        return ERROR_SUCCESS;
    }
    return OpenOrCreate(key, sub_key, MAXIMUM_ALLOWED, true, result, nullptr);
}

LONG WINAPI RegCloseKey(HKEY key) {
    HOSTWIN_FAULT_POINT("RegCloseKey");
    RefreshTable();
    if (store::RootId(key) != 0)
        return ERROR_SUCCESS;
    OpenKey* open = SlotOf(key);
    if (open == nullptr)
        return ERROR_INVALID_HANDLE;
    open->used = false;
    return ERROR_SUCCESS;
}

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
    rc = Walk(id, access, sub_key, false, &target, &how);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (target <= 4 /* a predefined root */ || store::HasChildren(target))
        return ERROR_ACCESS_DENIED;
    store::DeleteKeyRow(target);
    txn.Commit();
    return ERROR_SUCCESS;
}

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
    store::Value value;
    if (!store::FindValue(id, NameOrDefault(value_name), &value))
        return ERROR_FILE_NOT_FOUND;
    if (type != nullptr)
        *type = value.type;
    return CopyData(value.data, data, data_size);
}

LONG WINAPI RegSetValueExA(HKEY key, LPCSTR value_name, DWORD, DWORD type, const BYTE* data,
                           DWORD data_size) {
    HOSTWIN_FAULT_POINT("RegSetValueExA");
    if (data == nullptr && data_size != 0)
        return ERROR_NOACCESS;
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

// The subkey name at an index; room counts the terminator.
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
    if (value.name.size() + 1 > *name_size)
        return ERROR_MORE_DATA;
    if (data != nullptr && value.data.size() > *data_size) {
        *data_size = static_cast<DWORD>(value.data.size());
        return ERROR_MORE_DATA;
    }
    memcpy(name, value.name.c_str(), value.name.size() + 1);
    *name_size = static_cast<DWORD>(value.name.size());
    if (type != nullptr)
        *type = value.type;
    return CopyData(value.data, data, data_size);
}

LONG WINAPI RegQueryInfoKeyA(HKEY key, LPSTR class_name, LPDWORD class_size, LPDWORD,
                             LPDWORD sub_keys, LPDWORD max_sub_key_len, LPDWORD max_class_len,
                             LPDWORD values, LPDWORD max_value_name_len, LPDWORD max_value_len,
                             LPDWORD security_descriptor_size, PFILETIME last_write) {
    HOSTWIN_FAULT_POINT("RegQueryInfoKeyA");
    if (!store::StoreReady())
        return ERROR_REGISTRY_CORRUPT;
    store::Transaction txn(false);
    store::KeyId id = 0;
    LONG rc = Begin(key, KEY_QUERY_VALUE, &id);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (class_name != nullptr && class_size != nullptr && *class_size > 0)
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
