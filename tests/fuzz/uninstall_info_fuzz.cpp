// Fuzz target: arbitrary bytes as the contents of the uninstall information key, loaded into
// the record on a fresh in-memory machine.
//
// The bytes are a little program. Each operation starts with a byte whose low two bits say
// what it does and whose other bits pick the value's type and whether its data carries a
// terminator; texts follow as a length and that many bytes:
//   0  add a value to the key itself:          name, data
//   1  create a subkey of the key, make it the current one: path (may hold "\")
//   2  add a value to the current subkey:      name, data
//   3  create a subkey of the current subkey, make it current: name
// A length is one byte; 255 means that a 16-bit length (little-endian) follows. A text that
// runs past the input's end is cut there. Message boxes answer OK at once on the host.
//
// Besides the sanitizers, the target checks what the loader promises: counts within their
// limits and every text field terminated within its width.
#include "softuninst/uninstall_info.h"

#include <hostwin/testing.h>

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>

namespace {

struct Input {
    const uint8_t* data;
    size_t size;
    size_t at;

    bool Done() const { return at >= size; }
    uint8_t Byte() { return at < size ? data[at++] : 0; }
    std::string Text() {
        size_t length = Byte();
        if (length == 255)
            length = Byte() | static_cast<size_t>(Byte()) << 8;
        if (length > size - at)
            length = size - at;
        std::string text(reinterpret_cast<const char*>(data + at), length);
        at += length;
        return text;
    }
};

const DWORD kTypes[] = {REG_SZ, REG_SZ, REG_BINARY, REG_EXPAND_SZ};

void AddValue(HKEY key, uint8_t op, Input* in) {
    std::string name = in->Text();
    std::string data = in->Text();
    if (op & 0x10)
        data.push_back('\0'); // as REG_SZ values are written, with their terminator
    RegSetValueExA(key, name.c_str(), 0, kTypes[(op >> 2) & 3],
                   reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()));
}

HKEY CreateBelow(HKEY parent, const std::string& path, HKEY previous) {
    HKEY key;
    if (RegCreateKeyExA(parent, path.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) !=
        ERROR_SUCCESS)
        return previous;
    if (previous != NULL)
        RegCloseKey(previous);
    return key;
}

void Check(bool promise) {
    if (!promise)
        abort();
}

bool Terminated(const char* field, size_t size) {
    return memchr(field, '\0', size) != NULL;
}

void CheckRecord(const UninstallInfo& u) {
    Check(u.FriendlyNameCount <= kMaxFriendlyNames);
    Check(u.AppletCount <= kMaxApplets);
    Check(u.InstalledFileCount <= kMaxInstalledFiles);
    Check(u.DeviceClassCount <= kMaxDeviceClasses);
    Check(u.StringCount <= kMaxStrings);
    Check(u.DriverModel >= kDriverModelNone && u.DriverModel <= kDriverModelVxd);
    Check(Terminated(u.ModemProvider, sizeof u.ModemProvider));
    Check(Terminated(u.FullCompanyName, sizeof u.FullCompanyName));
    Check(Terminated(u.ShortProductName, sizeof u.ShortProductName));
    Check(Terminated(u.FullProductName, sizeof u.FullProductName));
    Check(Terminated(u.Version, sizeof u.Version));
    Check(Terminated(u.Device, sizeof u.Device));
    Check(Terminated(u.UninstallKey, sizeof u.UninstallKey));
    Check(Terminated(u.SoftwareKey, sizeof u.SoftwareKey));
    Check(Terminated(u.DeviceServiceName, sizeof u.DeviceServiceName));
    for (const auto& name : u.FriendlyNames)
        Check(Terminated(name, sizeof name));
    for (const AppletEntry& a : u.Applets)
        Check(Terminated(a.Class, sizeof a.Class) && Terminated(a.Name, sizeof a.Name) &&
              Terminated(a.AutoRunValue, sizeof a.AutoRunValue));
    for (const auto& file : u.InstalledFiles)
        Check(Terminated(file, sizeof file));
    for (DWORD i = 0; i < kMaxDeviceClasses; ++i) {
        Check(Terminated(u.DeviceClasses[i].ClassName, sizeof u.DeviceClasses[i].ClassName));
        Check(i >= u.DeviceClassCount || u.DeviceClasses[i].Order >= 0);
    }
    for (const StringEntry& s : u.Strings)
        Check(Terminated(s.Tag, sizeof s.Tag) && Terminated(s.Text, sizeof s.Text));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Every input describes the whole key: a fresh machine each time.
    hostwin::ResetMachine();
    HKEY root;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kUninstallInfoKey, 0, NULL, 0, KEY_ALL_ACCESS, NULL,
                        &root, NULL) != ERROR_SUCCESS)
        return 0;
    HKEY current = NULL;
    Input in = {data, size, 0};
    while (!in.Done()) {
        uint8_t op = in.Byte();
        switch (op & 3) {
        case 0:
            AddValue(root, op, &in);
            break;
        case 1:
            current = CreateBelow(root, in.Text(), current);
            break;
        case 2:
            if (current != NULL)
                AddValue(current, op, &in);
            else
                AddValue(root, op, &in);
            break;
        case 3:
            current = CreateBelow(current != NULL ? current : root, in.Text(), current);
            break;
        }
    }
    if (current != NULL)
        RegCloseKey(current);
    RegCloseKey(root);

    SetLastError(0);
    if (UninstallInfoPresent() != kUninstallDone)
        abort(); // the key was just made
    UninstallStatus status = LoadUninstallInfo(&g_uninstall_info);
    Check(status == kUninstallDone || status == kUninstallInfoInvalid);
    CheckRecord(g_uninstall_info);
    if (status == kUninstallDone) {
        LookupString(g_uninstall_info, "SZ_ERROR");
        LookupString(g_uninstall_info, "sz_done");
    }
    return 0;
}
