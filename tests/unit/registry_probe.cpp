#include "registry_probe.h"

namespace {

struct OpenedKey {
    HKEY key = nullptr;
    explicit OpenedKey(const std::string& path) {
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            key = nullptr;
    }
    ~OpenedKey() {
        if (key != nullptr)
            RegCloseKey(key);
    }
};

} // namespace

bool KeyExists(const std::string& path) {
    return OpenedKey(path).key != nullptr;
}

std::vector<std::string> SubkeysOf(const std::string& path) {
    std::vector<std::string> names;
    OpenedKey k(path);
    char name[1024];
    for (DWORD i = 0; k.key != nullptr; ++i) {
        DWORD size = sizeof name;
        if (RegEnumKeyExA(k.key, i, name, &size, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.emplace_back(name, size);
    }
    return names;
}

std::vector<std::string> ValuesOf(const std::string& path) {
    std::vector<std::string> names;
    OpenedKey k(path);
    char name[1024];
    for (DWORD i = 0; k.key != nullptr; ++i) {
        DWORD size = sizeof name;
        if (RegEnumValueA(k.key, i, name, &size, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.emplace_back(name, size);
    }
    return names;
}

bool ReadValue(const std::string& path, const std::string& name, DWORD* type, std::string* data) {
    OpenedKey k(path);
    if (k.key == nullptr)
        return false;
    DWORD size = 0;
    if (RegQueryValueExA(k.key, name.c_str(), nullptr, type, nullptr, &size) != ERROR_SUCCESS)
        return false;
    data->assign(size, '\0');
    return RegQueryValueExA(k.key, name.c_str(), nullptr, type,
                            reinterpret_cast<BYTE*>(data->data()), &size) == ERROR_SUCCESS;
}

void WriteValue(const std::string& path, const std::string& name, DWORD type,
                const std::string& data) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                   static_cast<DWORD>(data.size()));
    RegCloseKey(key);
}

void WriteString(const std::string& path, const std::string& name, const std::string& text) {
    WriteValue(path, name, REG_SZ, std::string(text.c_str(), text.size() + 1));
}

void CreateKey(const std::string& path) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) == ERROR_SUCCESS)
        RegCloseKey(key);
}

std::string Le32(int32_t number) {
    uint32_t bits = static_cast<uint32_t>(number);
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
    return s;
}
