// Device installation of one modem as Windows does it around a co-installer: creates a modem
// device with SetupAPI, writes its driver key's InfPath, loads VTRXIFS.dll and calls the
// co-installer for DIF_INSTALLDEVICE before and after the class installer's work.
//
//   coinstall INFNAME     (InfPath, e.g. oem7.inf)
//
// Prints "pre: 0x........" and "post: 0x........"; exit status 0 when the answers are
// ERROR_DI_POSTPROCESSING_REQUIRED and NO_ERROR, 1 when not, 2 when there is nothing to call.
#include <windows.h>
#include <setupapi.h>

#include <stdio.h>
#include <string.h>

namespace {

const GUID kModemClass = {
    0x4D36E96D, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

typedef DWORD(WINAPI* CoInstaller)(DI_FUNCTION, HDEVINFO, PSP_DEVINFO_DATA,
                                   PCOINSTALLER_CONTEXT_DATA);

} // namespace

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    HDEVINFO set = SetupDiCreateDeviceInfoList(&kModemClass, NULL);
    if (set == INVALID_HANDLE_VALUE)
        return 2;
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    if (!SetupDiCreateDeviceInfoA(set, "MODEM", &kModemClass, NULL, NULL, DICD_GENERATE_ID,
                                  &device) ||
        !SetupDiRegisterDeviceInfo(set, &device, 0, NULL, NULL, NULL)) {
        printf("device: %lu\n", GetLastError());
        return 2;
    }
    HMODULE library = LoadLibraryA("VTRXIFS.dll");
    CoInstaller call = library != NULL ? reinterpret_cast<CoInstaller>(reinterpret_cast<void*>(
                                             GetProcAddress(library, "_DeroRiridCoInstaller@16")))
                                       : NULL;
    if (call == NULL) {
        printf("library: %lu\n", GetLastError());
        return 2;
    }
    COINSTALLER_CONTEXT_DATA context = {};
    DWORD pre = call(DIF_INSTALLDEVICE, set, &device, &context);
    printf("pre: 0x%08lX\n", pre);

    // The class installer's part: the driver key with the INF's name.
    HKEY driver = SetupDiCreateDevRegKeyA(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DRV, NULL, NULL);
    if (driver == INVALID_HANDLE_VALUE) {
        printf("driver key: %lu\n", GetLastError());
        return 2;
    }
    RegSetValueExA(driver, "InfPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(argv[1]),
                   static_cast<DWORD>(strlen(argv[1]) + 1));
    RegCloseKey(driver);

    context.PostProcessing = TRUE;
    context.InstallResult = NO_ERROR;
    DWORD post = call(DIF_INSTALLDEVICE, set, &device, &context);
    printf("post: 0x%08lX\n", post);
    SetupDiRemoveDevice(set, &device);
    SetupDiDestroyDeviceInfoList(set);
    FreeLibrary(library);
    return pre == ERROR_DI_POSTPROCESSING_REQUIRED && post == NO_ERROR ? 0 : 1;
}
