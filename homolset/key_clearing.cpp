// Deleting subkey trees. The registry refuses to delete a key that still has subkeys, so
// each subtree goes deepest first. A key that cannot be deleted is stepped over by index, so
// the walk always ends.
#include "homolset/line_handlers.h"

namespace {

constexpr DWORD kNameSize = 500;

LONG DeleteTree(HKEY parent, const char* name) {
    HKEY key;
    if (RegOpenKeyExA(parent, name, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        DeleteSubkeyTrees(key);
        RegCloseKey(key);
    }
    return RegDeleteKeyA(parent, name);
}

} // namespace

void DeleteSubkeyTrees(HKEY key) {
    DWORD index = 0;
    for (;;) {
        char name[kNameSize];
        DWORD size = kNameSize; // passed afresh on every call
        LONG rc = RegEnumKeyExA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA) {
            ++index; // a name too long to hold cannot be deleted by name: step over it
            continue;
        }
        if (rc != ERROR_SUCCESS)
            return;
        if (DeleteTree(key, name) != ERROR_SUCCESS)
            ++index;
    }
}
