// What the uninstaller's unit tests share: a complete uninstall information key and the
// package it describes on the in-memory machine, the boxes the user saw, and a device setup
// tool that records what it was handed.
#pragma once

#include "softuninst/uninstall_info.h"

#include <hostwin/testing.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

extern const std::string kInfo;      // Software\TessalyUninstallInfo
extern const std::string kEntry;     // the product's Windows uninstall entry
extern const std::string kRun;       // the Run key
extern const std::string kConfig;    // the product's configuration key (SoftwareKey)
extern const char* const kAllTags[]; // every tag the uninstaller looks up
extern const size_t kAllTagCount;

// The text that the complete key stores for a tag: "Text of " and the tag.
std::string TextOf(const std::string& tag);

// One message box as the UI log has it.
struct Box {
    std::string caption;
    std::string text;
    long long type;
    bool operator==(const Box& other) const {
        return caption == other.caption && text == other.text && type == other.type;
    }
};
std::ostream& operator<<(std::ostream& out, const Box& box);
std::vector<Box> Boxes();

// The user's view, one line per UI log record: "box CAPTION | TEXT", "caption TEXT",
// "text TEXT", "progress N", "show", "hide", "create", "move X,Y", "destroy", "sleep MS",
// "run COMMAND", "send CLASS|TITLE MESSAGE".
std::vector<std::string> View();

// An error report's box: caption "Uninstall Error", warning icon.
Box ErrorBox(const std::string& text);

// Deletes a value below HKEY_LOCAL_MACHINE, if it is there.
void DeleteValue(const std::string& path, const std::string& name);

// The Windows path's file on the in-memory drive C.
std::string HostFile(const std::string& windows_path);
void PutFile(const std::string& windows_path, const std::string& content = "x");
bool FileThere(const std::string& windows_path);
std::string FileContent(const std::string& windows_path);
void MakeReadOnly(const std::string& windows_path);

class SoftuninstTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Writes the complete key: every scalar value, one friendly-names value "Soft Modem
    // A;Soft Modem B", the applet Monitor (VTRXMSG, its title, autorun value VTRXMSG), the
    // installed files %WIN_DIR%\VTRXMSG.exe and %WIN_SYS_DIR%\VTRXIFS.dll, WinVer WDM2k,
    // service sftmdm, class "1" Modem and every tag with TextOf(tag).
    void WriteInfo();

    // Writes everything the key describes: the Run key with the applet's value, the
    // configuration tree, the installed files, the Windows uninstall entry (with the marker
    // when marked, so that the run removes in place) and the device setup tool Hwctl2k.
    void InstallPackage(bool marked = true);

    // Loads the key into the run's record and clears the UI log.
    void Load();

    // Puts a shell script that plays the device setup tool (or any started program) at the
    // Windows path: each run appends its command line to the record "tool.log" and copies
    // every *.dms file of the Windows directory as it is at that moment into the record's
    // directory; it exits with exit_code.
    void InstallTool(const std::string& windows_path, int exit_code = 0);

    // The command lines the tools were started with, in order.
    std::vector<std::string> ToolRuns() const;
    // A script file as the tool saw it, "<missing>" when it saw none of that name.
    std::string ToolSawScript(const std::string& name) const;

  private:
    std::string record_;
};
