// Loading the uninstall information: the record, every size and limit of the key with the
// message (or none) and the status, the class orders and the string lookup.
#include "softuninst_fixture.h"

#include "registry_probe.h"

#include <string.h>

#include <functional>

namespace {

using Uninstall = SoftuninstTest;

std::string Chars(size_t n, char c = 'a') {
    return std::string(n, c);
}

// Items "i0;i1;..." from first to first + count - 1.
std::string Items(int first, int count) {
    std::string list;
    for (int i = first; i < first + count; ++i)
        list += (list.empty() ? "i" : ";i") + std::to_string(i);
    return list;
}

void DeleteTree(const std::string& path) {
    for (const std::string& sub : SubkeysOf(path))
        DeleteTree(path + "\\" + sub);
    ASSERT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str()), 0) << path;
}

TEST_F(Uninstall, PresentOnlyWhenTheKeyCanBeOpenedAndClosed) {
    EXPECT_EQ(UninstallInfoPresent(), 1);
    WriteInfo();
    EXPECT_EQ(UninstallInfoPresent(), 0);
    hostwin::FailCall("RegCloseKey", 1, ERROR_INVALID_HANDLE);
    EXPECT_EQ(UninstallInfoPresent(), 2);
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(Uninstall, CompleteKeyFillsTheRecordInOrder) {
    WriteInfo();
    WriteString(kInfo + "\\FriendlyNames", "More", ";Soft Modem C;");
    WriteString(kInfo + "\\Applets\\Tray", "Name", "Tray");
    g_uninstall_info.AppletCount = 77; // cleared first
    ASSERT_EQ(LoadUninstallInfo(&g_uninstall_info), kUninstallDone);
    const UninstallInfo& u = g_uninstall_info;
    EXPECT_STREQ(u.ModemProvider, "Veltrane");
    EXPECT_STREQ(u.FullCompanyName, "Veltrane Technologies");
    EXPECT_STREQ(u.ShortProductName, "DeroRirid");
    EXPECT_STREQ(u.FullProductName, "DeroRirid Soft Modem");
    EXPECT_STREQ(u.Version, "2.1.0");
    EXPECT_STREQ(u.Device, "MDM0");
    EXPECT_STREQ(u.UninstallKey, "DeroRirid");
    ASSERT_EQ(u.FriendlyNameCount, 3u);
    EXPECT_STREQ(u.FriendlyNames[0], "Soft Modem A");
    EXPECT_STREQ(u.FriendlyNames[1], "Soft Modem B");
    EXPECT_STREQ(u.FriendlyNames[2], "Soft Modem C");
    EXPECT_STREQ(u.FriendlyNames[3], "");
    ASSERT_EQ(u.AppletCount, 2u);
    EXPECT_STREQ(u.Applets[0].Class, "VTRXMSG");
    EXPECT_STREQ(u.Applets[0].Name, "Veltrane Technologies Soft Modem Monitor");
    EXPECT_STREQ(u.Applets[0].AutoRunValue, "VTRXMSG");
    EXPECT_STREQ(u.Applets[1].Class, ""); // an applet without Class loads
    EXPECT_STREQ(u.Applets[1].Name, "Tray");
    EXPECT_STREQ(u.SoftwareKey, kConfig.c_str());
    ASSERT_EQ(u.InstalledFileCount, 2u);
    EXPECT_STREQ(u.InstalledFiles[0], "%WIN_DIR%\\VTRXMSG.exe");
    EXPECT_STREQ(u.InstalledFiles[1], "%WIN_SYS_DIR%\\VTRXIFS.dll");
    EXPECT_EQ(u.DriverModel, kDriverModelWdm2k);
    EXPECT_STREQ(u.DeviceServiceName, "sftmdm");
    ASSERT_EQ(u.DeviceClassCount, 1u);
    EXPECT_EQ(u.DeviceClasses[0].Order, 1);
    EXPECT_STREQ(u.DeviceClasses[0].ClassName, "Modem");
    ASSERT_EQ(u.StringCount, kAllTagCount);
    for (size_t i = 0; i < kAllTagCount; ++i) {
        EXPECT_STREQ(u.Strings[i].Tag, kAllTags[i]);
        EXPECT_EQ(u.Strings[i].Text, TextOf(kAllTags[i]));
    }
    EXPECT_TRUE(Boxes().empty());
}

// A defect of the complete key: what is changed, the load's status and the one message shown
// ("" for none).
struct Defect {
    const char* what;
    std::function<void()> change;
    int status;
    std::string message;
};

void Set(const std::string& name, const std::string& text) {
    WriteString(kInfo, name, text);
}
void SetIn(const std::string& subkey, const std::string& name, const std::string& text) {
    WriteString(kInfo + "\\" + subkey, name, text);
}

const char kShortCompany[] = "Unable to uninstall: short company name is too long";
const char kFullCompany[] = "Unable to uninstall: full company name is too long";
const char kShortProduct[] = "Unable to uninstall: short product name is too long";
const char kFullProduct[] = "Unable to uninstall: full product name is too long";
const char kVersion[] = "Unable to uninstall: version is too long";
const char kDevice[] = "Unable to uninstall: device name is too long";
const char kUninstallKey[] = "Unable to uninstall: uninstall key is too long";

std::vector<Defect> Defects() {
    return {
        {"no value at all",
         [] {
             DeleteTree(kInfo);
             CreateKey(kInfo);
         },
         1, kShortCompany},
        {"ModemProvider 16", [] { Set("ModemProvider", Chars(16)); }, 0, ""},
        {"ModemProvider 17", [] { Set("ModemProvider", Chars(17)); }, 1, kShortCompany},
        {"FullCompanyName 64", [] { Set("FullCompanyName", Chars(64)); }, 0, ""},
        {"FullCompanyName 65", [] { Set("FullCompanyName", Chars(65)); }, 1, kFullCompany},
        {"FullCompanyName missing", [] { DeleteValue(kInfo, "FullCompanyName"); }, 1, kFullCompany},
        {"ShortProductName 16", [] { Set("ShortProductName", Chars(16)); }, 0, ""},
        {"ShortProductName 17", [] { Set("ShortProductName", Chars(17)); }, 1, kShortProduct},
        {"FullProductName 64", [] { Set("FullProductName", Chars(64)); }, 0, ""},
        {"FullProductName 65", [] { Set("FullProductName", Chars(65)); }, 1, kFullProduct},
        {"Version 128", [] { Set("Version", Chars(128)); }, 0, ""},
        {"Version 129", [] { Set("Version", Chars(129)); }, 1, kVersion},
        {"Version missing", [] { DeleteValue(kInfo, "Version"); }, 1, kVersion},
        {"Device 8", [] { Set("Device", Chars(8)); }, 0, ""},
        {"Device 9", [] { Set("Device", Chars(9)); }, 1, kDevice},
        {"UninstallKey 128", [] { Set("UninstallKey", Chars(128)); }, 0, ""},
        {"UninstallKey 129", [] { Set("UninstallKey", Chars(129)); }, 1, kUninstallKey},
        {"UninstallKey missing", [] { DeleteValue(kInfo, "UninstallKey"); }, 1, kUninstallKey},
        {"no FriendlyNames", [] { DeleteTree(kInfo + "\\FriendlyNames"); }, 1,
         "Unable to uninstall: unable to open friendly names key"},
        {"16 friendly names in two values",
         [] {
             SetIn("FriendlyNames", "Modems", Items(0, 8));
             SetIn("FriendlyNames", "B", Items(8, 8));
         },
         0, ""},
        {"17 friendly names",
         [] {
             SetIn("FriendlyNames", "Modems", Items(0, 8));
             SetIn("FriendlyNames", "B", Items(8, 9));
         },
         1, ""},
        {"friendly name of 128", [] { SetIn("FriendlyNames", "Modems", Chars(128)); }, 0, ""},
        {"friendly name of 129", [] { SetIn("FriendlyNames", "Modems", Chars(129)); }, 1, ""},
        {"friendly names data of 2063 characters",
         [] { SetIn("FriendlyNames", "Modems", Chars(1935, ';') + Chars(128)); }, 0, ""},
        {"friendly names data of 2064 characters",
         [] { SetIn("FriendlyNames", "Modems", Chars(1936, ';') + Chars(128)); }, 1, ""},
        {"friendly names value name of 64", [] { SetIn("FriendlyNames", Chars(64), "A"); }, 0, ""},
        {"friendly names value name of 65", [] { SetIn("FriendlyNames", Chars(65), "A"); }, 1, ""},
        {"no Applets", [] { DeleteTree(kInfo + "\\Applets"); }, 0, ""},
        {"8 applets",
         [] {
             for (int i = 1; i < 8; ++i)
                 SetIn("Applets\\A" + std::to_string(i), "Class", "C");
         },
         0, ""},
        {"9 applets",
         [] {
             for (int i = 1; i < 9; ++i)
                 SetIn("Applets\\A" + std::to_string(i), "Class", "C");
         },
         1, ""},
        {"applet subkey name of 65", [] { SetIn("Applets\\" + Chars(65), "Class", "C"); }, 1, ""},
        {"SoftwareKey 128", [] { Set("SoftwareKey", Chars(128)); }, 0, ""},
        {"SoftwareKey 129", [] { Set("SoftwareKey", Chars(129)); }, 1, ""},
        {"SoftwareKey missing", [] { DeleteValue(kInfo, "SoftwareKey"); }, 1, ""},
        {"no InstalledFiles", [] { DeleteTree(kInfo + "\\InstalledFiles"); }, 1, ""},
        {"64 installed files", [] { SetIn("InstalledFiles", "Files", Items(0, 64)); }, 0, ""},
        {"65 installed files", [] { SetIn("InstalledFiles", "Files", Items(0, 65)); }, 1, ""},
        {"installed file of 129", [] { SetIn("InstalledFiles", "InfFile", Chars(129)); }, 1, ""},
        {"WinVer 8", [] { Set("WinVer", Chars(8)); }, 0, ""},
        {"WinVer 9", [] { Set("WinVer", Chars(9)); }, 1, ""},
        {"WinVer missing", [] { DeleteValue(kInfo, "WinVer"); }, 1, ""},
        {"DeviceServiceName 65", [] { Set("DeviceServiceName", Chars(65)); }, 0, ""},
        {"no DeviceClassNames", [] { DeleteTree(kInfo + "\\DeviceClassNames"); }, 1, ""},
        {"class order 1a", [] { SetIn("DeviceClassNames", "1a", "Serial"); }, 1,
         "Device class 'Serial': order is not a number"},
        {"class order beyond 32 bits", [] { SetIn("DeviceClassNames", "2147483648", "Big"); }, 1,
         "Device class 'Big': order is not a number"},
        {"class order 2147483647", [] { SetIn("DeviceClassNames", "2147483647", "Big"); }, 0, ""},
        {"four classes",
         [] {
             SetIn("DeviceClassNames", "", "Net");
             SetIn("DeviceClassNames", "2", "Ports");
             SetIn("DeviceClassNames", "3", "System");
         },
         0, ""},
        {"five classes",
         [] {
             for (const char* order : {"2", "3", "4", "5"})
                 SetIn("DeviceClassNames", order, "C");
         },
         1, "Maximum number of device class names exceeded"},
        {"class name of 8", [] { SetIn("DeviceClassNames", "1", Chars(8)); }, 0, ""},
        {"class name of 9", [] { SetIn("DeviceClassNames", "1", Chars(9)); }, 1, ""},
        {"class value name of 65", [] { SetIn("DeviceClassNames", Chars(65, '1'), "C"); }, 1,
         "Unable to enumerate device class names:\nMore data is available.\r\n(0x000000EA)"},
        {"no InternationalizationStrings",
         [] { DeleteTree(kInfo + "\\InternationalizationStrings"); }, 1,
         "Unable to open internationalization strings registry key"},
        {"16 strings",
         [] {
             for (int i = 13; i < 16; ++i)
                 SetIn("InternationalizationStrings", "SZ_X" + std::to_string(i), "x");
         },
         0, ""},
        {"17 strings",
         [] {
             for (int i = 13; i < 17; ++i)
                 SetIn("InternationalizationStrings", "SZ_X" + std::to_string(i), "x");
         },
         1, "Maximum number of internationalization strings exceeded"},
        {"text of 128", [] { SetIn("InternationalizationStrings", "SZ_DONE", Chars(128)); }, 0, ""},
        {"text of 129", [] { SetIn("InternationalizationStrings", "SZ_DONE", Chars(129)); }, 1, ""},
        {"tag of 64", [] { SetIn("InternationalizationStrings", Chars(64), "x"); }, 0, ""},
        {"tag of 65", [] { SetIn("InternationalizationStrings", Chars(65), "x"); }, 1,
         "Unable to enumerate internationalization strings:\nMore data is available.\r\n"
         "(0x000000EA)"},
    };
}

TEST_F(Uninstall, DefectsOfTheKey) {
    for (const Defect& d : Defects()) {
        SCOPED_TRACE(d.what);
        hostwin::ResetMachine();
        SetLastError(0);
        WriteInfo();
        d.change();
        EXPECT_EQ(LoadUninstallInfo(&g_uninstall_info), d.status);
        std::vector<Box> expected;
        if (!d.message.empty())
            expected.push_back(ErrorBox(d.message));
        EXPECT_EQ(Boxes(), expected);
    }
}

TEST_F(Uninstall, ListsSkipEmptyItems) {
    WriteInfo();
    SetIn("FriendlyNames", "Modems", "A;;B;");
    SetIn("InstalledFiles", "Files", ";;C:\\x.sys;");
    ASSERT_EQ(LoadUninstallInfo(&g_uninstall_info), kUninstallDone);
    ASSERT_EQ(g_uninstall_info.FriendlyNameCount, 2u);
    EXPECT_STREQ(g_uninstall_info.FriendlyNames[0], "A");
    EXPECT_STREQ(g_uninstall_info.FriendlyNames[1], "B");
    ASSERT_EQ(g_uninstall_info.InstalledFileCount, 1u);
    EXPECT_STREQ(g_uninstall_info.InstalledFiles[0], "C:\\x.sys");
}

TEST_F(Uninstall, WinVerWordsGiveTheDriverModel) {
    // Columns: WinVer text, DriverModel.
    const std::pair<const char*, DriverModel> cases[] = {
        {"WDM98", kDriverModelWdm98}, {"WDM2k", kDriverModelWdm2k}, {"NT4", kDriverModelNt4},
        {"VxD", kDriverModelVxd},     {"wdm2k", kDriverModelNone},  {"WDM2K", kDriverModelNone},
        {"", kDriverModelNone},       {"WDM2k ", kDriverModelNone},
    };
    for (const auto& [word, model] : cases) {
        hostwin::ResetMachine();
        WriteInfo();
        Set("WinVer", word);
        ASSERT_EQ(LoadUninstallInfo(&g_uninstall_info), kUninstallDone) << word;
        EXPECT_EQ(g_uninstall_info.DriverModel, model) << word;
    }
}

TEST_F(Uninstall, OptionalValuesStayEmpty) {
    WriteInfo();
    DeleteValue(kInfo, "DeviceServiceName");
    SetIn("Applets\\Monitor", "Class", Chars(17)); // too long: empty, the load goes on
    DeleteValue(kInfo + "\\Applets\\Monitor", "AutoRunValue");
    ASSERT_EQ(LoadUninstallInfo(&g_uninstall_info), kUninstallDone);
    EXPECT_STREQ(g_uninstall_info.DeviceServiceName, "");
    EXPECT_STREQ(g_uninstall_info.Applets[0].Class, "");
    EXPECT_STREQ(g_uninstall_info.Applets[0].Name, "Veltrane Technologies Soft Modem Monitor");
    EXPECT_STREQ(g_uninstall_info.Applets[0].AutoRunValue, "");
}

TEST_F(Uninstall, ClassesKeepTheirOrderNumbers) {
    WriteInfo();
    SetIn("DeviceClassNames", "", "Net"); // the default value counts as order 0
    SetIn("DeviceClassNames", "007", "Ports");
    ASSERT_EQ(LoadUninstallInfo(&g_uninstall_info), kUninstallDone);
    ASSERT_EQ(g_uninstall_info.DeviceClassCount, 3u);
    EXPECT_EQ(g_uninstall_info.DeviceClasses[0].Order, 1);
    EXPECT_STREQ(g_uninstall_info.DeviceClasses[0].ClassName, "Modem");
    EXPECT_EQ(g_uninstall_info.DeviceClasses[1].Order, 0);
    EXPECT_STREQ(g_uninstall_info.DeviceClasses[1].ClassName, "Net");
    EXPECT_EQ(g_uninstall_info.DeviceClasses[2].Order, 7);
}

TEST_F(Uninstall, MessagesKeepOrClearTheLastError) {
    // Kept: the system's text of whatever the thread last failed with follows the message.
    WriteInfo();
    DeleteTree(kInfo + "\\InternationalizationStrings");
    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_EQ(LoadUninstallInfo(&g_uninstall_info), kUninstallInfoInvalid);
    EXPECT_EQ(Boxes(), std::vector<Box>{
                           ErrorBox("Unable to open internationalization strings registry key:\n"
                                    "Access is denied.\r\n(0x00000005)")});
    // Cleared: the message stands alone.
    hostwin::ResetMachine();
    WriteInfo();
    SetIn("DeviceClassNames", "x", "Serial");
    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_EQ(LoadUninstallInfo(&g_uninstall_info), kUninstallInfoInvalid);
    EXPECT_EQ(Boxes(), std::vector<Box>{ErrorBox("Device class 'Serial': order is not a number")});
}

TEST_F(Uninstall, EnumerationErrorsBecomeTheLastError) {
    WriteInfo();
    // RegEnumValueA: two calls each for FriendlyNames and InstalledFiles (a value and the
    // end), then the name of the first class.
    hostwin::FailCall("RegEnumValueA", 5, ERROR_REGISTRY_CORRUPT);
    EXPECT_EQ(LoadUninstallInfo(&g_uninstall_info), kUninstallInfoInvalid);
    std::vector<Box> boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.substr(0, 40), "Unable to enumerate device class names:\n");
    EXPECT_NE(boxes[0].text.find("(0x000003F7)"), std::string::npos);
}

TEST_F(Uninstall, AValueGoneBetweenItsTwoReadsGivesTwo) {
    // The class's name is listed (call 5), then its full read finds no more items (call 6).
    WriteInfo();
    hostwin::FailCall("RegEnumValueA", 6, ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(LoadUninstallInfo(&g_uninstall_info), kUninstallSystemFailure);
    // The same for a string: the class takes calls 5 to 7, the first tag 8 and 9.
    hostwin::ResetMachine();
    WriteInfo();
    hostwin::FailCall("RegEnumValueA", 9, ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(LoadUninstallInfo(&g_uninstall_info), kUninstallSystemFailure);
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(Uninstall, RegistryFailuresEndTheLoad) {
    // Columns: API, which call fails, status, message.
    struct Case {
        const char* api;
        unsigned nth;
        int status;
        const char* message;
    };
    const Case cases[] = {
        {"RegOpenKeyExA", 1, 1, ""},                                // the key itself
        {"RegCloseKey", 1, 1, ""},                                  // FriendlyNames
        {"RegCloseKey", 2, 1, "Unable to close configuration key"}, // the applet
        {"RegCloseKey", 3, 1, "Unable to close configuration key"}, // Applets
        {"RegEnumKeyA", 1, 1, ""},
        {"RegCloseKey", 4, 1, ""}, // InstalledFiles
        {"RegCloseKey", 5, 1, ""}, // DeviceClassNames
        {"RegCloseKey", 6, 1, ""}, // InternationalizationStrings
        {"RegCloseKey", 7, 1, ""}, // the key itself
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.api) + " " + std::to_string(c.nth));
        hostwin::ResetMachine();
        SetLastError(0);
        WriteInfo();
        hostwin::FailCall(c.api, c.nth, ERROR_INVALID_HANDLE);
        EXPECT_EQ(LoadUninstallInfo(&g_uninstall_info), c.status);
        std::vector<Box> expected;
        if (*c.message != '\0')
            expected.push_back(ErrorBox(c.message));
        EXPECT_EQ(Boxes(), expected);
    }
}

TEST_F(Uninstall, UnterminatedDataCountsByItsBytes) {
    // Data stored without its terminator: 16 bytes are a 16-character text, 17 one too many.
    WriteInfo();
    WriteValue(kInfo, "ModemProvider", REG_BINARY, Chars(16, 'p'));
    ASSERT_EQ(LoadUninstallInfo(&g_uninstall_info), kUninstallDone);
    EXPECT_STREQ(g_uninstall_info.ModemProvider, Chars(16, 'p').c_str());
    WriteValue(kInfo, "ModemProvider", REG_BINARY, Chars(17, 'p'));
    EXPECT_EQ(LoadUninstallInfo(&g_uninstall_info), kUninstallInfoInvalid);
    EXPECT_EQ(Boxes(), std::vector<Box>{ErrorBox(kShortCompany)});
}

TEST_F(Uninstall, ParseClassOrderTakesDigitsOnly) {
    // Columns: value name, order.
    const std::pair<const char*, LONG> cases[] = {
        {"", 0},
        {"0", 0},
        {"1", 1},
        {"007", 7},
        {"42", 42},
        {"1a", -1},
        {"a1", -1},
        {"-1", -1},
        {" 1", -1},
        {"1 ", -1},
        {"\xC9", -1},
        {"2147483647", 2147483647},
        {"2147483648", -1},
        {"4294967297", -1},
        {"99999999999999999999", -1},
    };
    for (const auto& [name, order] : cases) {
        DeviceClassEntry entry = {12345, "x"};
        ParseClassOrder(name, &entry);
        EXPECT_EQ(entry.Order, order) << '"' << name << '"';
    }
}

TEST_F(Uninstall, LookupStringIgnoresCaseAndTheFirstWins) {
    WriteInfo();
    Load();
    EXPECT_EQ(std::string(LookupString(g_uninstall_info, "sz_done")), TextOf("SZ_DONE"));
    EXPECT_EQ(std::string(LookupString(g_uninstall_info, "Sz_Error")), TextOf("SZ_ERROR"));
    // The registry keeps one value per name whatever its case; a record can hold both.
    UninstallInfo info = {};
    info.StringCount = 2;
    strcpy(info.Strings[0].Tag, "Sz_Done");
    strcpy(info.Strings[0].Text, "first");
    strcpy(info.Strings[1].Tag, "SZ_DONE");
    strcpy(info.Strings[1].Text, "second");
    EXPECT_STREQ(LookupString(info, "SZ_DONE"), "first");
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(Uninstall, LookupStringReportsEveryMiss) {
    WriteInfo();
    Load();
    SetLastError(ERROR_ACCESS_DENIED); // cleared before the report
    EXPECT_EQ(LookupString(g_uninstall_info, "SZ_NOTHING"), nullptr);
    EXPECT_EQ(LookupString(g_uninstall_info, "SZ_NOTHING"), nullptr);
    Box miss = ErrorBox("Unable to fetch uninstall string 'SZ_NOTHING'");
    EXPECT_EQ(Boxes(), (std::vector<Box>{miss, miss}));
    EXPECT_EQ(GetLastError(), 0u);
}

} // namespace
