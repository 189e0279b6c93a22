// "install": Windows device installation of a root-enumerated modem, played step by step.
//
//  1. The INF is stored in the INF directory as oemN.inf (with oemN.pnf).
//  2. The device is created, ROOT\MODEM\NNNN in the modem class, and registered.
//  3. DIF_REGISTER_COINSTALLERS: the device gets its driver key with the INF's
//     "CoInstallers32" entry, and the co-installer is loaded from its library.
//  4. DIF_INSTALLINTERFACES, then DIF_INSTALLDEVICE: each request goes to the co-installer
//     (PostProcessing 0) before the class installer's own work; a co-installer that answers
//     ERROR_DI_POSTPROCESSING_REQUIRED is called again after it (PostProcessing 1, with the
//     work's result as InstallResult). Any other answer but NO_ERROR ends the installation.
//     The class installer's work for DIF_INSTALLDEVICE writes "InfPath" = "oemN.inf" into the
//     driver key; for DIF_INSTALLINTERFACES there is none.
//
// Each call's answer is printed ("pre: 0xE0000226", "post: 0x00000000"); the exit status is
// 0 when DIF_INSTALLINTERFACES got NO_ERROR, the pre pass of DIF_INSTALLDEVICE
// ERROR_DI_POSTPROCESSING_REQUIRED and its post pass NO_ERROR.
#include "tools/devinstall/devinstall.h"

#include <stdio.h>
#include <string.h>

namespace {

const GUID kModemClass = {
    0x4D36E96D, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

typedef DWORD(WINAPI* CoInstallerEntry)(DI_FUNCTION, HDEVINFO, PSP_DEVINFO_DATA,
                                        PCOINSTALLER_CONTEXT_DATA);

struct Installation {
    HDEVINFO set;
    SP_DEVINFO_DATA device;
    CoInstallerEntry coinstaller;
    std::string inf_name;
};

int CannotPlay(const std::string& why) {
    fprintf(stderr, "devinstall: %s\n", why.c_str());
    return kExitCannotPlay;
}

// Writes a string (REG_SZ) or a one-string list (REG_MULTI_SZ) into the device's driver key.
DWORD WriteDriverValue(Installation* install, const char* name, DWORD type,
                       const std::string& text) {
    HKEY key = SetupDiCreateDevRegKeyA(install->set, &install->device, DICS_FLAG_GLOBAL, 0,
                                       DIREG_DRV, NULL, NULL);
    if (key == INVALID_HANDLE_VALUE)
        return GetLastError();
    std::string data = text + std::string(type == REG_MULTI_SZ ? 2 : 1, '\0');
    LONG rc = RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                             static_cast<DWORD>(data.size()));
    RegCloseKey(key);
    return static_cast<DWORD>(rc);
}

DWORD CallCoInstaller(Installation* install, DI_FUNCTION request, BOOL post, DWORD install_result) {
    COINSTALLER_CONTEXT_DATA context;
    memset(&context, 0, sizeof context);
    context.PostProcessing = post;
    context.InstallResult = install_result;
    return install->coinstaller(request, install->set, &install->device, &context);
}

// The class installer's own work for a request: the result that post-processing is told.
DWORD ClassInstallerWork(Installation* install, DI_FUNCTION request) {
    if (request != DIF_INSTALLDEVICE)
        return NO_ERROR;
    return WriteDriverValue(install, "InfPath", REG_SZ, install->inf_name);
}

// One request around the class installer; the answers printed with labels. False when the
// answers were not the expected ones.
bool CallAround(Installation* install, DI_FUNCTION request, const char* pre_label,
                const char* post_label, DWORD expected_pre) {
    DWORD pre = CallCoInstaller(install, request, FALSE, NO_ERROR);
    printf("%s: 0x%08X\n", pre_label, pre);
    if (pre != NO_ERROR && pre != ERROR_DI_POSTPROCESSING_REQUIRED) {
        printf("the co-installer ended the installation\n");
        return false;
    }
    DWORD work = ClassInstallerWork(install, request);
    if (work != NO_ERROR)
        printf("the class installer's work failed: 0x%08X\n", work);
    if (pre != ERROR_DI_POSTPROCESSING_REQUIRED)
        return pre == expected_pre;
    DWORD post = CallCoInstaller(install, request, TRUE, work);
    printf("%s: 0x%08X\n", post_label, post);
    return pre == expected_pre && post == NO_ERROR;
}

int Install(Installation* install, const char* inf_path) {
    std::string inf_text, library_name, entry_name, error;
    if (!StoreOemInf(inf_path, &install->inf_name, &inf_text, &error))
        return CannotPlay(error);
    printf("inf: %s\n", install->inf_name.c_str());
    if (!FindCoInstaller(inf_text, &library_name, &entry_name))
        return CannotPlay(std::string("the INF ") + inf_path + " registers no CoInstallers32");

    if (!SetupDiCreateDeviceInfoA(install->set, "MODEM", &kModemClass, NULL, NULL, DICD_GENERATE_ID,
                                  &install->device) ||
        !SetupDiRegisterDeviceInfo(install->set, &install->device, 0, NULL, NULL, NULL))
        return CannotPlay("cannot create the device, error " + std::to_string(GetLastError()));

    DWORD rc =
        WriteDriverValue(install, "CoInstallers32", REG_MULTI_SZ, library_name + "," + entry_name);
    if (rc != NO_ERROR)
        return CannotPlay("cannot register the co-installer, error " + std::to_string(rc));
    LoadedLibrary library;
    if (!LoadLibraryByName(library_name, &library, &error))
        return CannotPlay(error);
    install->coinstaller = reinterpret_cast<CoInstallerEntry>(FindExport(library, entry_name));
    if (install->coinstaller == nullptr) {
        UnloadLibrary(&library);
        return CannotPlay(library_name + " exports no " + entry_name);
    }

    bool expected =
        CallAround(install, DIF_INSTALLINTERFACES, "DIF_INSTALLINTERFACES",
                   "DIF_INSTALLINTERFACES post", NO_ERROR) &&
        CallAround(install, DIF_INSTALLDEVICE, "pre", "post", ERROR_DI_POSTPROCESSING_REQUIRED);
    UnloadLibrary(&library);
    return expected ? kExitDone : kExitUnexpected;
}

} // namespace

int RunInstall(int argc, char** argv) {
    if (argc != 1)
        return CannotPlay("usage: devinstall install INF");
    Installation install;
    memset(&install.device, 0, sizeof install.device);
    install.device.cbSize = sizeof install.device;
    install.coinstaller = nullptr;
    install.set = SetupDiCreateDeviceInfoList(&kModemClass, NULL);
    if (install.set == INVALID_HANDLE_VALUE)
        return CannotPlay("cannot create a device information set");
    int status = Install(&install, argv[0]);
    SetupDiDestroyDeviceInfoList(install.set);
    return status;
}
