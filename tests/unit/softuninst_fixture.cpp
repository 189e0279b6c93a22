#include "softuninst_fixture.h"

#include "registry_probe.h"

#include <stdlib.h>
#include <string.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

const std::string kInfo = "Software\\TessalyUninstallInfo";
const std::string kEntry = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\DeroRirid";
const std::string kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kConfig = "Software\\Veltrane\\DeroRirid";

const char* const kAllTags[] = {
    "SZ_CONFIRM_QUESTION",
    "SZ_CONFIRM_TITLE",
    "SZ_PROGRESS_TITLE",
    "SZ_CHECKING_IF_BUSY",
    "SZ_STOPPING_SUPPORT_APPLICATIONS",
    "SZ_REMOVING_DEVICES_AND_SERVICES",
    "SZ_REMOVING_CONFIGURATION",
    "SZ_REMOVING_FILES",
    "SZ_REMOVING_UNINSTALL_INFORMATION",
    "SZ_DONE",
    "SZ_INUSE_ERROR",
    "SZ_INUSE_TITLE",
    "SZ_ERROR",
};
const size_t kAllTagCount = sizeof kAllTags / sizeof kAllTags[0];

std::string TextOf(const std::string& tag) {
    return "Text of " + tag;
}

std::ostream& operator<<(std::ostream& out, const Box& box) {
    return out << "{caption \"" << box.caption << "\", text \"" << box.text << "\", type "
               << box.type << "}";
}

std::vector<Box> Boxes() {
    std::vector<Box> boxes;
    for (const hostwin::UiRecord& r : hostwin::UiLogOf("MessageBox"))
        boxes.push_back(Box{r.Text("caption"), r.Text("text"), r.Number("type")});
    return boxes;
}

std::vector<std::string> View() {
    std::vector<std::string> view;
    for (const hostwin::UiRecord& r : hostwin::UiLog()) {
        std::string event = r.Event();
        std::string action = r.Text("action");
        if (event == "MessageBox")
            view.push_back("box " + r.Text("caption") + " | " + r.Text("text"));
        else if (event == "Dialog" && action == "caption")
            view.push_back("caption " + r.Text("text"));
        else if (event == "Dialog" && action == "item-text")
            view.push_back("text " + r.Text("text"));
        else if (event == "Dialog" && action == "progress")
            view.push_back("progress " + std::to_string(r.Number("value")));
        else if (event == "Dialog" && action == "move")
            view.push_back("move " + std::to_string(r.Number("x")) + "," +
                           std::to_string(r.Number("y")));
        else if (event == "Dialog")
            view.push_back(action);
        else if (event == "Sleep")
            view.push_back("sleep " + std::to_string(r.Number("ms")));
        else if (event == "CreateProcess")
            view.push_back("run " + r.Text("command"));
        else if (event == "SendMessage")
            view.push_back("send " + r.Text("class") + "|" + r.Text("title") + " " +
                           std::to_string(r.Number("message")));
        else
            view.push_back(r.json);
    }
    return view;
}

Box ErrorBox(const std::string& text) {
    return Box{"Uninstall Error", text, MB_ICONWARNING};
}

void DeleteValue(const std::string& path, const std::string& name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(key, name.c_str());
    RegCloseKey(key);
}

std::string HostFile(const std::string& windows_path) {
    char host[4096] = "";
    EXPECT_TRUE(hostwin::HostPathOf(windows_path.c_str(), host, sizeof host)) << windows_path;
    return host;
}

void PutFile(const std::string& windows_path, const std::string& content) {
    std::string host = HostFile(windows_path);
    fs::create_directories(fs::path(host).parent_path());
    std::ofstream(host, std::ios::binary) << content;
}

bool FileThere(const std::string& windows_path) {
    return fs::exists(HostFile(windows_path));
}

std::string FileContent(const std::string& windows_path) {
    std::ifstream in(HostFile(windows_path), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void MakeReadOnly(const std::string& windows_path) {
    fs::permissions(HostFile(windows_path),
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
}

void SoftuninstTest::SetUp() {
    hostwin::ResetMachine();
    memset(&g_uninstall_info, 0, sizeof g_uninstall_info);
    SetLastError(0);
    std::string pattern = (fs::temp_directory_path() / "softuninst-tool-XXXXXX").string();
    ASSERT_NE(mkdtemp(&pattern[0]), nullptr);
    record_ = pattern;
    setenv("SOFTUNINST_TOOL_RECORD", record_.c_str(), 1);
    setenv("SOFTUNINST_TOOL_WINDOWS", HostFile("C:\\WINDOWS").c_str(), 1);
}

void SoftuninstTest::TearDown() {
    unsetenv("SOFTUNINST_TOOL_RECORD");
    unsetenv("SOFTUNINST_TOOL_WINDOWS");
    fs::remove_all(record_);
}

void SoftuninstTest::WriteInfo() {
    WriteString(kInfo, "ModemProvider", "Veltrane");
    WriteString(kInfo, "FullCompanyName", "Veltrane Technologies");
    WriteString(kInfo, "ShortProductName", "DeroRirid");
    WriteString(kInfo, "FullProductName", "DeroRirid Soft Modem");
    WriteString(kInfo, "Version", "2.1.0");
    WriteString(kInfo, "Device", "MDM0");
    WriteString(kInfo, "UninstallKey", "DeroRirid");
    WriteString(kInfo + "\\FriendlyNames", "Modems", "Soft Modem A;Soft Modem B");
    WriteString(kInfo + "\\Applets\\Monitor", "Class", "VTRXMSG");
    WriteString(kInfo + "\\Applets\\Monitor", "Name", "Veltrane Technologies Soft Modem Monitor");
    WriteString(kInfo + "\\Applets\\Monitor", "AutoRunValue", "VTRXMSG");
    WriteString(kInfo, "SoftwareKey", kConfig);
    WriteString(kInfo + "\\InstalledFiles", "Files",
                "%WIN_DIR%\\VTRXMSG.exe;%WIN_SYS_DIR%\\VTRXIFS.dll");
    WriteString(kInfo, "WinVer", "WDM2k");
    WriteString(kInfo, "DeviceServiceName", "sftmdm");
    WriteString(kInfo + "\\DeviceClassNames", "1", "Modem");
    for (const char* tag : kAllTags)
        WriteString(kInfo + "\\InternationalizationStrings", tag, TextOf(tag));
}

void SoftuninstTest::InstallPackage(bool marked) {
    WriteString(kRun, "VTRXMSG", "C:\\WINDOWS\\VTRXMSG.exe");
    WriteString(kRun, "Other", "C:\\Other\\other.exe");
    WriteString(kConfig, "Country", "Germany");
    WriteString(kConfig + "\\Settings", "", "default");
    WriteString(kConfig + "\\Settings\\Line", "Volume", "3");
    PutFile("C:\\WINDOWS\\VTRXMSG.exe");
    PutFile("C:\\WINDOWS\\system32\\VTRXIFS.dll");
    WriteString(kEntry, "DisplayName", "DeroRirid Soft Modem");
    if (marked)
        WriteString(kEntry, "RemovalInProgress", "");
    InstallTool("C:\\WINDOWS\\Hwctl2k.exe");
}

void SoftuninstTest::Load() {
    ASSERT_EQ(LoadUninstallInfo(&g_uninstall_info), kUninstallDone);
    hostwin::ClearUiLog();
}

void SoftuninstTest::InstallTool(const std::string& windows_path, int exit_code) {
    std::string host = HostFile(windows_path);
    fs::create_directories(fs::path(host).parent_path());
    std::ofstream(host, std::ios::binary)
        << "#!/bin/sh\n"
           "printf '%s\\n' \"$HOSTWIN_COMMAND_LINE\" >> \"$SOFTUNINST_TOOL_RECORD/tool.log\"\n"
           "for f in \"$SOFTUNINST_TOOL_WINDOWS\"/*.dms; do\n"
           "    [ -f \"$f\" ] && cp \"$f\" \"$SOFTUNINST_TOOL_RECORD/\"\n"
           "done\n"
           "exit "
        << exit_code << "\n";
    fs::permissions(host, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec,
                    fs::perm_options::replace);
}

std::vector<std::string> SoftuninstTest::ToolRuns() const {
    std::vector<std::string> runs;
    std::ifstream in(record_ + "/tool.log");
    std::string line;
    while (std::getline(in, line))
        runs.push_back(line);
    return runs;
}

std::string SoftuninstTest::ToolSawScript(const std::string& name) const {
    std::string path = record_ + "/" + name;
    if (!fs::exists(path))
        return "<missing>";
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}
