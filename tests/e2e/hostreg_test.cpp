// hostreg run as a user runs reg.exe: its output byte for byte, the registry it leaves, its
// exit status and its one message on failure.
#include "machine_fixture.h"

#include <string>
#include <vector>

namespace {

const char kNotFound[] =
    "ERROR: The system was unable to find the specified registry key or value.\r\n";

// Joins lines, each ending in CR LF as reg.exe ends them.
std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

// ANSI text of code page 1252 (ASCII and Latin-1 here) as UTF-16LE with a byte order mark.
std::string Utf16File(const std::string& text) {
    std::string bytes = "\xFF\xFE";
    for (char c : text) {
        bytes.push_back(c);
        bytes.push_back('\0');
    }
    return bytes;
}

class HostregTest : public MachineTest {
  protected:
    // Runs hostreg and expects it to succeed with reg.exe's success line.
    void Ok(const std::vector<std::string>& args) {
        RunResult r = Reg(args);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "The operation completed successfully.\r\n");
        EXPECT_EQ(r.err, "");
    }

    RunResult RegWithInput(const std::vector<std::string>& args, const std::string& input) const {
        return Run(BuiltProgram("tools/hostreg/hostreg"), args, {}, input);
    }

    // A small tree with a value of each type, the default value and two levels of subkeys.
    void MakeTree() {
        const std::string key = "HKLM\\SOFTWARE\\Tree";
        Ok({"add", key, "/v", "Text", "/d", "Hello, World"});
        Ok({"add", key, "/v", "Number", "/t", "REG_DWORD", "/d", "291"});
        Ok({"add", key, "/v", "Bytes", "/t", "REG_BINARY", "/d", "00A1ff10"});
        Ok({"add", key, "/ve", "/d", "the default"});
        Ok({"add", key, "/v", "Path", "/t", "REG_EXPAND_SZ", "/d", "%SystemRoot%\\x"});
        Ok({"add", key, "/v", "List", "/t", "REG_MULTI_SZ", "/d", "one\\0two"});
        Ok({"add", key, "/v", "Nothing", "/t", "REG_NONE"});
        Ok({"add", key + "\\beta", "/v", "Inner", "/d", "in beta"});
        Ok({"add", key + "\\Alpha\\Deep", "/v", "Text", "/d", "deep"});
    }

    std::string QueryAll(const std::string& key) {
        RunResult r = Reg({"query", key, "/s"});
        EXPECT_EQ(r.status, 0) << r.err;
        return r.out;
    }
};

const std::vector<std::string> kTreeRows = {
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tree",
    "    Text    REG_SZ    Hello, World",
    "    Number    REG_DWORD    0x123",
    "    Bytes    REG_BINARY    00A1FF10",
    "    (Default)    REG_SZ    the default",
    "    Path    REG_EXPAND_SZ    %SystemRoot%\\x",
    "    List    REG_MULTI_SZ    one\\0two",
    "    Nothing    REG_NONE    ",
    "",
};

TEST_F(HostregTest, QueryPrintsValuesThenSubkeyNames) {
    MakeTree();
    std::vector<std::string> expected = {""};
    expected.insert(expected.end(), kTreeRows.begin(), kTreeRows.end());
    expected.push_back("HKEY_LOCAL_MACHINE\\SOFTWARE\\Tree\\Alpha");
    expected.push_back("HKEY_LOCAL_MACHINE\\SOFTWARE\\Tree\\beta");
    RunResult r = Reg({"query", "HKLM\\SOFTWARE\\Tree"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, Lines(expected));
    EXPECT_EQ(r.err, "");
}

TEST_F(HostregTest, QueryRecursesWithEveryKeysBlock) {
    MakeTree();
    std::vector<std::string> expected = {""};
    expected.insert(expected.end(), kTreeRows.begin(), kTreeRows.end());
    const std::vector<std::string> below = {
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tree\\Alpha",
        "",
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tree\\Alpha\\Deep",
        "    Text    REG_SZ    deep",
        "",
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tree\\beta",
        "    Inner    REG_SZ    in beta",
        "",
    };
    expected.insert(expected.end(), below.begin(), below.end());
    EXPECT_EQ(QueryAll("HKEY_LOCAL_MACHINE\\SOFTWARE\\Tree"), Lines(expected));
    // The long and short root names and a trailing backslash name the same key.
    EXPECT_EQ(QueryAll("hklm\\SOFTWARE\\Tree\\"), Lines(expected));
}

TEST_F(HostregTest, QueryOfAKeyWithOnlySubkeysListsThem) {
    Ok({"add", "HKLM\\SOFTWARE\\Bare\\one"});
    Ok({"add", "HKLM\\SOFTWARE\\Bare\\Two"});
    RunResult r = Reg({"query", "HKLM\\SOFTWARE\\Bare"});
    EXPECT_EQ(r.out, Lines({"", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Bare\\one",
                            "HKEY_LOCAL_MACHINE\\SOFTWARE\\Bare\\Two"}));
    // "add KEY" alone gives the key an empty default value; the levels above it get none.
    EXPECT_EQ(
        QueryAll("HKLM\\SOFTWARE\\Bare"),
        Lines({"", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Bare\\one", "    (Default)    REG_SZ    ", "",
               "HKEY_LOCAL_MACHINE\\SOFTWARE\\Bare\\Two", "    (Default)    REG_SZ    ", ""}));
}

TEST_F(HostregTest, QueryOneValue) {
    MakeTree();
    // The value is found without regard to case and its name echoed as typed, as Wine's reg
    // does (not verified on Windows).
    RunResult r = Reg({"query", "HKLM\\SOFTWARE\\Tree", "/v", "number"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, Lines({"", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tree",
                            "    number    REG_DWORD    0x123", ""}));
    r = Reg({"query", "HKLM\\SOFTWARE\\Tree", "/ve"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, Lines({"", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tree",
                            "    (Default)    REG_SZ    the default", ""}));
    r = Reg({"query", "HKLM\\SOFTWARE\\Tree\\beta", "/ve"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, Lines({"", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tree\\beta",
                            "    (Default)    REG_SZ    (value not set)", ""}));
}

TEST_F(HostregTest, QueryOneValueAcrossTheTreeCountsMatches) {
    MakeTree();
    RunResult r = Reg({"query", "HKLM\\SOFTWARE\\Tree", "/v", "Text", "/s"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              Lines({"", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tree", "    Text    REG_SZ    Hello, World",
                     "", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tree\\Alpha\\Deep",
                     "    Text    REG_SZ    deep", "", "End of search: 2 match(es) found."}));
}

TEST_F(HostregTest, MissingKeysAndValuesFailWithTheMessage) {
    MakeTree();
    const std::vector<std::vector<std::string>> cases = {
        {"query", "HKLM\\SOFTWARE\\Nowhere"},
        {"query", "HKLM\\SOFTWARE\\Tree", "/v", "Nowhere"},
        {"delete", "HKLM\\SOFTWARE\\Nowhere", "/f"},
        {"delete", "HKLM\\SOFTWARE\\Tree", "/v", "Nowhere", "/f"},
        {"export", "HKLM\\SOFTWARE\\Nowhere", HostPath("out.reg")},
    };
    for (const auto& args : cases) {
        RunResult r = Reg(args);
        EXPECT_EQ(r.status, 1) << args[0] << " " << args[1];
        EXPECT_EQ(r.err, kNotFound) << args[0] << " " << args[1];
    }
    EXPECT_FALSE(FileExists(HostPath("out.reg")));
}

TEST_F(HostregTest, BadCommandLinesFail) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"frobnicate"},
        {"query"},
        {"query", "HKLM\\SOFTWARE", "/v"},
        {"query", "HKLM\\SOFTWARE", "/v", "a", "/ve"},
        {"query", "HKLM\\SOFTWARE", "/s", "/s"},
        {"add", "HKLM\\SOFTWARE\\X", "/bogus"},
        {"delete", "HKLM\\SOFTWARE\\X", "/v", "a", "/va"},
        {"import"},
        {"export", "HKLM\\SOFTWARE"},
    };
    for (const auto& args : cases) {
        RunResult r = Reg(args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err.rfind("ERROR: Invalid syntax.\r\n", 0), 0u) << r.err;
    }
    RunResult r = Reg({"query", "HKEY_NOWHERE\\SOFTWARE"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("ERROR: Invalid key name.\r\n", 0), 0u) << r.err;
}

TEST_F(HostregTest, AddAndDeleteRoundTrip) {
    Ok({"add", "HKLM\\SOFTWARE\\Round\\Trip", "/v", "Zero", "/t", "REG_DWORD"});
    EXPECT_EQ(Reg({"query", "HKLM\\SOFTWARE\\Round\\Trip", "/v", "Zero"}).out,
              Lines({"", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Round\\Trip",
                     "    Zero    REG_DWORD    0x0", ""}));
    Ok({"add", "HKLM\\SOFTWARE\\Round\\Trip", "/v", "Value", "/t", "REG_DWORD", "/d", "0x10"});
    RunResult r = Reg({"query", "HKLM\\SOFTWARE\\Round\\Trip", "/v", "Value"});
    EXPECT_EQ(r.out, Lines({"", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Round\\Trip",
                            "    Value    REG_DWORD    0x10", ""}));
    Ok({"delete", "HKLM\\SOFTWARE\\Round\\Trip", "/v", "Value", "/f"});
    EXPECT_EQ(Reg({"query", "HKLM\\SOFTWARE\\Round\\Trip", "/v", "Value"}).status, 1);
    EXPECT_EQ(Reg({"query", "HKLM\\SOFTWARE\\Round\\Trip"}).status, 0);
    // Without /v the whole tree goes, subkeys included.
    Ok({"delete", "HKLM\\SOFTWARE\\Round", "/f"});
    EXPECT_EQ(Reg({"query", "HKLM\\SOFTWARE\\Round"}).status, 1);
    EXPECT_EQ(Reg({"query", "HKLM\\SOFTWARE"}).out, "\r\n");
}

TEST_F(HostregTest, DeleteAllValuesKeepsTheKeyAndSubkeys) {
    MakeTree();
    Ok({"delete", "HKLM\\SOFTWARE\\Tree", "/va", "/f"});
    RunResult r = Reg({"query", "HKLM\\SOFTWARE\\Tree"});
    EXPECT_EQ(r.out, Lines({"", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tree\\Alpha",
                            "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tree\\beta"}));
}

TEST_F(HostregTest, OverwritingOrDeletingAsksWithoutF) {
    Ok({"add", "HKLM\\SOFTWARE\\Ask", "/v", "V", "/d", "first"});
    RunResult r = RegWithInput({"add", "HKLM\\SOFTWARE\\Ask", "/v", "V", "/d", "second"}, "n\r\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Value V exists, overwrite(Yes/No)? ");
    EXPECT_EQ(r.err, "ERROR: The operation was cancelled by the user.\r\n");
    // No answer at all is no.
    EXPECT_EQ(Reg({"add", "HKLM\\SOFTWARE\\Ask", "/v", "V", "/d", "second"}).status, 1);
    EXPECT_EQ(Reg({"query", "HKLM\\SOFTWARE\\Ask", "/v", "V"}).out,
              Lines({"", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Ask", "    V    REG_SZ    first", ""}));
    r = RegWithInput({"add", "HKLM\\SOFTWARE\\Ask", "/v", "V", "/d", "second"}, "Yes\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(Reg({"query", "HKLM\\SOFTWARE\\Ask", "/v", "V"}).out,
              Lines({"", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Ask", "    V    REG_SZ    second", ""}));
    r = RegWithInput({"delete", "HKLM\\SOFTWARE\\Ask"}, "no\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Permanently delete the registry key HKEY_LOCAL_MACHINE\\SOFTWARE\\Ask "
                     "(Yes/No)? ");
    EXPECT_EQ(Reg({"query", "HKLM\\SOFTWARE\\Ask"}).status, 0);
    r = RegWithInput({"delete", "HKLM\\SOFTWARE\\Ask"}, "y\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(Reg({"query", "HKLM\\SOFTWARE\\Ask"}).status, 1);
}

TEST_F(HostregTest, BadDataIsRefused) {
    RunResult r = Reg({"add", "HKLM\\SOFTWARE\\Bad", "/v", "N", "/t", "REG_DWORD", "/d", "12x"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "ERROR: The data '12x' is not a valid number for REG_DWORD.\r\n");
    r = Reg({"add", "HKLM\\SOFTWARE\\Bad", "/v", "B", "/t", "REG_BINARY", "/d", "ABC"});
    EXPECT_EQ(r.status, 1);
    r = Reg({"add", "HKLM\\SOFTWARE\\Bad", "/v", "T", "/t", "REG_QWORDISH"});
    EXPECT_EQ(r.status, 1);
    // Nothing was written, not even the key.
    EXPECT_EQ(Reg({"query", "HKLM\\SOFTWARE\\Bad"}).status, 1);
}

// The same tree as a REGEDIT4 ANSI file and as a version 5 UTF-16LE file; hex(2) and hex(7)
// hold ANSI bytes in the first and UTF-16LE bytes in the second.
const char kRegedit4[] =
    "REGEDIT4\r\n"
    "\r\n"
    "; a comment\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Imported]\r\n"
    "\"Text\"=\"back\\\\slash \\\"quoted\\\" caf\xE9\"\r\n"
    "@=\"default\"\r\n"
    "\"Number\"=dword:0000abcd\r\n"
    "\"Bytes\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\r\n"
    "  16,17,18,19\r\n"
    "\"Path\"=hex(2):25,41,25,00\r\n"
    "\"List\"=hex(7):61,00,62,00,00\r\n"
    "\"Gone\"=\"soon\"\r\n"
    "\"Gone\"=-\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Imported\\Sub]\r\n"
    "\"Empty\"=hex:\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Imported\\Doomed]\r\n"
    "\"X\"=\"y\"\r\n"
    "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Imported\\Doomed]\r\n";

const char kVersion5[] =
    "Windows Registry Editor Version 5.00\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Imported]\r\n"
    "\"Text\"=\"back\\\\slash \\\"quoted\\\" caf\xE9\"\r\n"
    "@=\"default\"\r\n"
    "\"Number\"=dword:0000abcd\r\n"
    "\"Bytes\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\r\n"
    "  16,17,18,19\r\n"
    "\"Path\"=hex(2):25,00,41,00,25,00,00,00\r\n"
    "\"List\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Imported\\Sub]\r\n"
    "\"Empty\"=hex:\r\n"
    "\r\n";

const std::string kImportedTree = Lines({
    "",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Imported",
    "    Text    REG_SZ    back\\slash \"quoted\" caf\xE9",
    "    (Default)    REG_SZ    default",
    "    Number    REG_DWORD    0xabcd",
    "    Bytes    REG_BINARY    000102030405060708090A0B0C0D0E0F10111213141516171819",
    "    Path    REG_EXPAND_SZ    %A%",
    "    List    REG_MULTI_SZ    a\\0b",
    "",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Imported\\Sub",
    "    Empty    REG_BINARY    ",
    "",
});

TEST_F(HostregTest, ImportsARegedit4AnsiFile) {
    Ok({"import", WriteFile("four.reg", kRegedit4)});
    EXPECT_EQ(QueryAll("HKLM\\SOFTWARE\\Imported"), kImportedTree);
}

TEST_F(HostregTest, ImportsAVersion5Utf16File) {
    Ok({"import", WriteFile("five.reg", Utf16File(kVersion5))});
    EXPECT_EQ(QueryAll("HKLM\\SOFTWARE\\Imported"), kImportedTree);
}

// A malformed line stops the import before anything is written and is named by its number.
// Columns: the file's lines after the header, the line number reported, part of the reason.
struct BadFile {
    const char* body;
    int line;
    const char* reason;
};

const BadFile kBadFiles[] = {
    {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bad]\r\n\"A\"=\"ok\"\r\nnonsense\r\n", 4, "not a key section"},
    {"\"A\"=\"before any key\"\r\n", 2, "before any [KEY] section"},
    {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bad\r\n", 2, "no closing ']'"},
    {"[HKEY_NOWHERE\\SOFTWARE\\Bad]\r\n", 2, "is not a key"},
    {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bad]\r\n\"A\"=dword:123456789\r\n", 3, "dword:"},
    {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bad]\r\n\"A\"=hex:01,zz\r\n", 3, "'zz' is not a hex byte"},
    {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bad]\r\n\"A\"=\"open\r\n", 3, "no closing quote"},
    {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bad]\r\n\"A\"=\"a\\qb\"\r\n", 3, "unknown escape"},
    {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bad]\r\n\"A\"\"b\"\r\n", 3, "not followed by '='"},
    {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bad]\r\n\"A\"=hex:01,\\\r\n  02,\\\r\n", 3, "past the end"},
    {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bad]\r\n\"A\"=\"x\" trailing\r\n", 3, "follows the closing"},
    {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bad]\r\n\"A\"=word:1\r\n", 3, "not a string, dword:"},
};

TEST_F(HostregTest, MalformedLinesAreErrorsWithTheirNumber) {
    for (const BadFile& bad : kBadFiles) {
        std::string path = WriteFile("bad.reg", std::string("REGEDIT4\r\n") + bad.body);
        RunResult r = Reg({"import", path});
        EXPECT_EQ(r.status, 1) << bad.body;
        std::string where = "ERROR: '" + path + "' line " + std::to_string(bad.line) + ": ";
        EXPECT_EQ(r.err.rfind(where, 0), 0u) << r.err;
        EXPECT_NE(r.err.find(bad.reason), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(Reg({"query", "HKLM\\SOFTWARE\\Bad"}).status, 1) << bad.body;
    }
    RunResult r = Reg({"import", WriteFile("plain.txt", "just text\r\n")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("line 1: the file does not start with REGEDIT4"), std::string::npos)
        << r.err;
    r = Reg({"import", HostPath("missing.reg")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "ERROR: Error opening the file. There may be a disk or file system "
                     "error.\r\n");
}

TEST_F(HostregTest, ExportThenImportGivesTheSameTree) {
    MakeTree();
    Ok({"add", "HKLM\\SOFTWARE\\Tree\\Alpha", "/v", "Long", "/t", "REG_BINARY", "/d",
        std::string(80, 'e')});
    Ok({"add", "HKLM\\SOFTWARE\\Tree\\Alpha", "/v", "Odd \"name\" \\", "/d", "caf\xE9"});
    std::string before = QueryAll("HKLM\\SOFTWARE\\Tree");
    std::string file = HostPath("tree.reg");
    Ok({"export", "HKLM\\SOFTWARE\\Tree", file});
    std::string exported = ReadFile(file);
    std::string start = Utf16File("Windows Registry Editor Version 5.00\r\n\r\n"
                                  "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tree]\r\n");
    EXPECT_EQ(exported.substr(0, start.size()), start);
    Ok({"delete", "HKLM\\SOFTWARE\\Tree", "/f"});
    EXPECT_EQ(Reg({"query", "HKLM\\SOFTWARE\\Tree"}).status, 1);
    Ok({"import", file});
    EXPECT_EQ(QueryAll("HKLM\\SOFTWARE\\Tree"), before);
    Ok({"export", "HKLM\\SOFTWARE\\Tree", HostPath("again.reg")});
    EXPECT_EQ(ReadFile(HostPath("again.reg")), exported);
}

TEST_F(HostregTest, ExportWritesTheVersion5Format) {
    Ok({"add", "HKCU\\Software\\Small", "/v", "S", "/d", "x"});
    Ok({"add", "HKCU\\Software\\Small", "/v", "D", "/t", "REG_DWORD", "/d", "1"});
    Ok({"add", "HKCU\\Software\\Small\\Sub"});
    std::string file = HostPath("small.reg");
    Ok({"export", "HKEY_CURRENT_USER\\Software\\Small", file});
    EXPECT_EQ(ReadFile(file), Utf16File("Windows Registry Editor Version 5.00\r\n"
                                        "\r\n"
                                        "[HKEY_CURRENT_USER\\Software\\Small]\r\n"
                                        "\"S\"=\"x\"\r\n"
                                        "\"D\"=dword:00000001\r\n"
                                        "\r\n"
                                        "[HKEY_CURRENT_USER\\Software\\Small\\Sub]\r\n"
                                        "@=\"\"\r\n"
                                        "\r\n"));
}

TEST_F(HostregTest, ExportRefusesAnExistingFileWithoutY) {
    Ok({"add", "HKLM\\SOFTWARE\\Keep", "/v", "V", "/d", "1"});
    std::string file = WriteFile("exists.reg", "old");
    RunResult r = Reg({"export", "HKLM\\SOFTWARE\\Keep", file});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "ERROR: The file '" + file + "' already exists; give /y to overwrite it.\r\n");
    EXPECT_EQ(ReadFile(file), "old");
    Ok({"export", "HKLM\\SOFTWARE\\Keep", file, "/y"});
    EXPECT_EQ(ReadFile(file).substr(0, 2), "\xFF\xFE");
}

} // namespace
