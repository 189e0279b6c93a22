// The country settings applier on the in-memory machine: what a homologation file leaves in
// the registry.
#include "homolset/applier.h"
#include "registry_probe.h"

#include <hostwin/testing.h>

#include <gtest/gtest.h>

#include <stdio.h>
#include <time.h>

#include <string>
#include <vector>

namespace {

const std::string kCountry = "SOFTWARE\\Veltrane\\DeroRirid\\Country";
const std::string kProduct = "SOFTWARE\\Veltrane\\DeroRirid";
const std::string kSettings = "SOFTWARE\\Example\\Settings";

class Applier : public ::testing::Test {
  protected:
    void SetUp() override { hostwin::ResetMachine(); }

    DWORD Apply(const std::string& text) {
        FILE* file = fmemopen(const_cast<char*>(text.data()), text.size(), "rb");
        if (text.empty())
            file = fopen("/dev/null", "rb");
        EXPECT_NE(file, nullptr);
        DWORD result = ApplyHomologationFile(file);
        fclose(file);
        return result;
    }

    // The value's bytes, or "<missing>".
    static std::string Value(const std::string& path, const std::string& name,
                             DWORD* type_out = nullptr) {
        DWORD type = 0;
        std::string data;
        if (!ReadValue(path, name, &type, &data))
            return "<missing>";
        if (type_out != nullptr)
            *type_out = type;
        return data;
    }

    static std::string Country(const std::string& section) {
        return section.empty() ? kCountry : kCountry + "\\" + section;
    }
};

TEST_F(Applier, WorkedExampleWritesEveryKindOfLine) {
    WriteString(kSettings, "Old", "stale");
    WriteString(kSettings, "Mode", "Slow");
    DWORD count = Apply("; example settings\n"
                        "[Exampleland]\n"
                        "ParamA=12\n"
                        "ParamB=-0x10,-32,0\n"
                        "ParamC=010\n"
                        "ParamD=7,1\n"
                        "[Registry]\n"
                        "HKLM,SOFTWARE\\Example\\Settings,Label,0,Demo\n"
                        "HKLM,SOFTWARE\\Example\\Settings,Pattern,1,0A,ff,3\n"
                        "HKLM,SOFTWARE\\Example\\Settings,Mode,2,Fast\n"
                        "HKLM,SOFTWARE\\Example\\Settings,Old,0\n");
    EXPECT_EQ(count, 1u);
    const std::string land = Country("Exampleland");
    DWORD type = 0;
    EXPECT_EQ(Value(land, "ParamA", &type), Le32(12));
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(Value(land, "ParamB"), Le32(-16));
    EXPECT_EQ(Value(land, "ParamB_min"), Le32(-32));
    EXPECT_EQ(Value(land, "ParamB_max"), Le32(0));
    EXPECT_EQ(Value(land, "ParamC"), Le32(8));
    EXPECT_EQ(Value(land, "ParamD"), Le32(7));
    EXPECT_EQ(Value(land, "ParamD_min"), "<missing>");
    EXPECT_EQ(ValuesOf(land), (std::vector<std::string>{"ParamA", "ParamB", "ParamB_min",
                                                        "ParamB_max", "ParamC", "ParamD"}));
    EXPECT_EQ(Value(kSettings, "Label", &type), std::string("Demo", 5));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(Value(kSettings, "Pattern", &type), std::string("\x0A\xFF\x03", 3));
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(Value(kSettings, "Mode"), std::string("Slow", 5)); // only written when absent
    EXPECT_EQ(Value(kSettings, "Old"), "<missing>");
}

TEST_F(Applier, SecondRunReplacesTheCountryKeysCompletely) {
    Apply("[Aland]\nX=1\n[Bland]\nY=2\n[Deep\\Er\\Still]\nZ=3\n");
    ASSERT_TRUE(KeyExists(Country("Deep\\Er\\Still")));
    WriteString(Country("Aland") + "\\Extra\\Nested", "v", "left by someone");

    DWORD count = Apply("[Bland]\nW=4\n[Cland]\nV=5\n");
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(SubkeysOf(kCountry), (std::vector<std::string>{"Bland", "Cland"}));
    EXPECT_EQ(ValuesOf(Country("Bland")), std::vector<std::string>{"W"});
}

TEST_F(Applier, ClearingPassesOverAKeyItCannotDeleteAndDeletesTheRest) {
    Apply("[A]\nX=1\n[B]\nX=1\n[C]\nX=1\n");
    // The clearing deletes A, B, C in that order: make the deletion of B fail.
    hostwin::FailCall("RegDeleteKeyA", 2, ERROR_ACCESS_DENIED);
    DWORD count = Apply("");
    EXPECT_EQ(SubkeysOf(kCountry), std::vector<std::string>{"B"});
    // The Country key could not go either, since B is still in it.
    EXPECT_EQ(count, static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(KeyExists(kCountry));
}

TEST_F(Applier, ClearingEndsWhenNoDeletionSucceeds) {
    Apply("[A]\nX=1\n[B\\C]\nX=1\n");
    hostwin::FailEveryCall("RegDeleteKeyA", ERROR_ACCESS_DENIED);
    Apply("[D]\nX=1\n");
    hostwin::ClearFaults();
    EXPECT_EQ(SubkeysOf(kCountry), (std::vector<std::string>{"A", "B", "D"}));
}

TEST_F(Applier, EmptyOrCommentOnlyFileStampsAndDeletesTheCountryKey) {
    for (const char* text : {"", "; only\n;comments\n", "[Registry]\n"}) {
        Apply("[Old]\nX=1\n");
        WriteString(kCountry, "OwnValue", "kept until the key goes");
        WriteValue(kProduct, "HomolTimeStamp", REG_BINARY, Le32(0));
        DWORD result = Apply(text);
        EXPECT_EQ(result, 0u) << text; // the deletion's ERROR_SUCCESS
        EXPECT_FALSE(KeyExists(kCountry)) << text;
        EXPECT_NE(Value(kProduct, "HomolTimeStamp"), Le32(0)) << text;
    }
}

TEST_F(Applier, TimeStampIsTheStartOfTheRun) {
    int32_t before = static_cast<int32_t>(time(nullptr));
    Apply("[A]\nX=1\n");
    int32_t after = static_cast<int32_t>(time(nullptr));
    DWORD type = 0;
    std::string stamp = Value(kProduct, "HomolTimeStamp", &type);
    ASSERT_EQ(stamp.size(), 4u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    int32_t seconds =
        static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint8_t>(stamp[0])) |
                             static_cast<uint32_t>(static_cast<uint8_t>(stamp[1])) << 8 |
                             static_cast<uint32_t>(static_cast<uint8_t>(stamp[2])) << 16 |
                             static_cast<uint32_t>(static_cast<uint8_t>(stamp[3])) << 24);
    EXPECT_GE(seconds, before);
    EXPECT_LE(seconds, after);
}

TEST_F(Applier, SectionsOfOneNameShareAKeyAndEachCounts) {
    DWORD count = Apply("[A]\nP=1\nQ=1\n[B]\nR=2\n[A]\nP=3\n");
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(Value(Country("A"), "P"), Le32(3)); // the later value stays
    EXPECT_EQ(Value(Country("A"), "Q"), Le32(1));
    EXPECT_EQ(Value(Country("B"), "R"), Le32(2));
}

TEST_F(Applier, SectionKeysAreMadeByTheFirstContentLineWhateverItHolds) {
    DWORD count = Apply("[Comments]\n; nothing\n[EmptyLine]\n\n[NoEquals]\nhello\n[]\nTop=9\n");
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(SubkeysOf(kCountry), (std::vector<std::string>{"EmptyLine", "NoEquals"}));
    EXPECT_TRUE(ValuesOf(Country("EmptyLine")).empty());
    EXPECT_EQ(Value(kCountry, "Top"), Le32(9)); // "[]" is the Country key itself
}

TEST_F(Applier, LinesBeforeTheFirstHeadWriteIntoTheCountryKey) {
    DWORD count = Apply("Early=5\n=6\n[Registry]\n");
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(Value(kCountry, "Early"), Le32(5));
    EXPECT_EQ(Value(kCountry, ""), Le32(6)); // an empty name is the default value
    // A file that begins with an empty line keeps the Country key.
    EXPECT_EQ(Apply("\n[Registry]\n"), 1u);
    EXPECT_TRUE(KeyExists(kCountry));
}

TEST_F(Applier, ParameterLinesAndTheirNames) {
    Apply("[S]\n"
          "Name =1\n"      // the blank belongs to the name
          " Lead=2\n"      // a blank first: a content line, the blank in the name
          "Both=3,4,5\n"   // value, min, max
          "Lone=3,4\n"     // a lone minimum is ignored
          "More=1,2,3,4\n" // the rest of the line is ignored
          "Sat=4294967295\n"
          "Same=1\nSame=2\n"
          "[ S2 ] tail\n" // blanks belong to the section name; the tail is ignored
          "X=1\n"
          "[Broken\n" // no "]": not a head, the section goes on
          "Y=2\n");
    const std::string s = Country("S");
    EXPECT_EQ(Value(s, "Name "), Le32(1));
    EXPECT_EQ(Value(s, " Lead"), Le32(2));
    EXPECT_EQ(Value(s, "Both_min"), Le32(4));
    EXPECT_EQ(Value(s, "Both_max"), Le32(5));
    EXPECT_EQ(Value(s, "Lone_min"), "<missing>");
    EXPECT_EQ(Value(s, "More_max"), Le32(3));
    EXPECT_EQ(Value(s, "Sat"), Le32(2147483647));
    EXPECT_EQ(Value(s, "Same"), Le32(2));
    EXPECT_EQ(Value(Country(" S2 "), "X"), Le32(1));
    EXPECT_EQ(Value(Country(" S2 "), "Y"), Le32(2));
    EXPECT_EQ(SubkeysOf(kCountry), (std::vector<std::string>{" S2 ", "S"}));
}

TEST_F(Applier, RegistrySectionNameIsExact) {
    Apply("[registry]\nHKLM,SOFTWARE\\T,V,0,x\n");
    EXPECT_FALSE(KeyExists("SOFTWARE\\T"));
    EXPECT_TRUE(KeyExists(Country("registry")));
}

struct RegistryLineCase {
    const char* line;
    const char* value_name;
    DWORD type;       // expected type; 0 when the value must be missing
    std::string data; // expected bytes
};

// Columns: the line after "[Registry]", the value read back from SOFTWARE\T, its type, bytes.
const RegistryLineCase kRegistryLines[] = {
    {"HKLM,SOFTWARE\\T,S,0,Demo\n", "S", REG_SZ, std::string("Demo", 5)},
    {" HKLM ,SOFTWARE\\T,S,0,a b\n", "S", REG_SZ, std::string("ab", 3)},
    {"HKLM,SOFTWARE\\T,S,0,\"a b\"\n", "S", REG_SZ, std::string("a b", 4)},
    {"HKLM,SOFTWARE\\T,S,0,\"a b\n", "S", REG_SZ, std::string("a b\n", 5)},
    {"HKLM,SOFTWARE\\T,S,0,\n", "S", REG_SZ, std::string("", 1)},
    {"HKLM,SOFTWARE\\T,S,0,one,two\n", "S", REG_SZ, std::string("one", 4)},
    {"HKLM,SOFTWARE\\T,S,0,x;y\n", "S", REG_SZ, std::string("x;y", 4)},
    {"HKLM,SOFTWARE\\T,S,,text\n", "S", REG_SZ, std::string("text", 5)},
    {"HKLM,SOFTWARE\\T,B,1,0A,ff,3\n", "B", REG_BINARY, std::string("\x0A\xFF\x03", 3)},
    {"HKLM,SOFTWARE\\T,B,1,0x41\n", "B", REG_BINARY, std::string("\0", 1)},
    {"HKLM,SOFTWARE\\T,B,1,AB,\n", "B", REG_BINARY, std::string("\xAB\0", 2)},
    {"HKLM,SOFTWARE\\T,B,1,1 F\n", "B", REG_BINARY, std::string("\x1F", 1)},
    {"HKLM,SOFTWARE\\T,B,3,01\n", "B", REG_BINARY, std::string("\x01", 1)},
    {"HKLM,SOFTWARE\\T,S,2,new\n", "S", REG_SZ, std::string("new", 4)},
    {"hklm,SOFTWARE\\T,S,0,x\n", "S", 0, ""},
    {"HKLM,SOFTWARE\\T,S,4,x\n", "S", 0, ""},
    {"HKLM,SOFTWARE\\T,S,7,x\n", "S", 0, ""},
    {"HKLM,SOFTWARE\\T,S,-1,x\n", "S", 0, ""},
    {"HKLM,,S,0,x\n", "S", 0, ""},
    {"HKLM,SOFTWARE\\T,,0,x\n", "", 0, ""},
};

TEST_F(Applier, RegistryLinesWriteByTheirFlags) {
    for (const RegistryLineCase& c : kRegistryLines) {
        hostwin::ResetMachine();
        Apply(std::string("[Registry]\n") + c.line);
        DWORD type = 0;
        std::string data = Value("SOFTWARE\\T", c.value_name, &type);
        if (c.type == 0) {
            EXPECT_EQ(data, "<missing>") << c.line;
            continue;
        }
        EXPECT_EQ(type, c.type) << c.line;
        EXPECT_EQ(data, c.data) << c.line;
    }
}

TEST_F(Applier, ByteDataStopsAfterSixtyFourBytes) {
    std::string line = "[Registry]\nHKLM,SOFTWARE\\T,B,1";
    std::string expected;
    for (int i = 0; i < 70; ++i) {
        line += "," + std::to_string(i % 10) + std::to_string(i % 10);
        if (i < 64)
            expected += static_cast<char>((i % 10) * 0x11);
    }
    Apply(line + "\n");
    EXPECT_EQ(Value("SOFTWARE\\T", "B"), expected);
}

TEST_F(Applier, OnlyIfAbsentLeavesAnExistingValue) {
    WriteString("SOFTWARE\\T", "S", "old");
    WriteValue("SOFTWARE\\T", "B", REG_BINARY, "\x07");
    Apply("[Registry]\nHKLM,SOFTWARE\\T,S,2,new\nHKLM,SOFTWARE\\T,B,3,01\n");
    EXPECT_EQ(Value("SOFTWARE\\T", "S"), std::string("old", 4));
    EXPECT_EQ(Value("SOFTWARE\\T", "B"), "\x07");
}

TEST_F(Applier, DeletionForms) {
    for (const char* line : {"HKLM,SOFTWARE\\T,Gone\n", "HKLM,SOFTWARE\\T,Gone,0\n",
                             "HKLM,SOFTWARE\\T,Gone,1\n", "HKLM,SOFTWARE\\T,Gone,9\n"}) {
        hostwin::ResetMachine();
        WriteString("SOFTWARE\\T", "Gone", "x");
        WriteString("SOFTWARE\\T", "Stays", "y");
        Apply(std::string("[Registry]\n") + line);
        EXPECT_EQ(ValuesOf("SOFTWARE\\T"), std::vector<std::string>{"Stays"}) << line;
    }
    // Deleting from a key that does not exist creates no key.
    Apply("[Registry]\nHKLM,SOFTWARE\\Nowhere,Gone\n");
    EXPECT_FALSE(KeyExists("SOFTWARE\\Nowhere"));
}

// Our choices for what the format leaves open.
TEST_F(Applier, OverlongFieldsAndShortLinesAreIgnored) {
    const std::string key49 = "SOFTWARE\\" + std::string(40, 'K');
    const std::string name49(49, 'N');
    const std::string text63(63, 's');
    WriteString(key49, "SOFTWARE\\T", "kept"); // what a two-field line would otherwise delete
    WriteString("SOFTWARE\\T", "SOFTWARE\\T", "kept");
    WriteString("HKLM", "HKLM", "kept");
    Apply("[Registry]\n"
          "HKLM," +
          key49 +
          ",V,0,fits\n"
          "HKLM," +
          key49 +
          "X,V,0,too long key\n"
          "HKLM,SOFTWARE\\T," +
          name49 +
          ",0,fits\n"
          "HKLM,SOFTWARE\\T," +
          name49 +
          "X,0,too long name\n"
          "HKLM,SOFTWARE\\T,Text,0," +
          text63 +
          "\n"
          "HKLM,SOFTWARE\\T,TooLong,0," +
          text63 +
          "x\n"
          "HKLM,SOFTWARE\\T\n"
          "HKLM\n");
    EXPECT_EQ(Value(key49, "V"), std::string("fits", 5));
    EXPECT_FALSE(KeyExists(key49 + "X"));
    EXPECT_EQ(Value("SOFTWARE\\T", name49), std::string("fits", 5));
    EXPECT_EQ(Value("SOFTWARE\\T", name49 + "X"), "<missing>");
    EXPECT_EQ(Value("SOFTWARE\\T", "Text"), text63 + std::string(1, '\0'));
    EXPECT_EQ(Value("SOFTWARE\\T", "TooLong"), "<missing>");
    EXPECT_EQ(Value("SOFTWARE\\T", "SOFTWARE\\T"), std::string("kept", 5));
    EXPECT_EQ(Value("HKLM", "HKLM"), std::string("kept", 5));
}

TEST_F(Applier, TextModeRulesOfTheReader) {
    // CR LF is one line feed, a lone CR is a blank inside the value, Ctrl-Z ends the file.
    Apply("[A]\r\nP=1\r\nQ=\r2\r\nR=3\x1A\nS=4\n");
    EXPECT_EQ(ValuesOf(Country("A")), (std::vector<std::string>{"P", "Q", "R"}));
    EXPECT_EQ(Value(Country("A"), "Q"), Le32(2));
    // A CR LF section head keeps no CR in the name.
    EXPECT_EQ(SubkeysOf(kCountry), std::vector<std::string>{"A"});
}

TEST_F(Applier, LongLinesComeInPiecesOf499Characters) {
    // 600 characters: the second piece begins with the 500th character, here "Z=7".
    std::string first = "P=1" + std::string(496, ' ');
    ASSERT_EQ(first.size(), 499u);
    Apply("[A]\n" + first + "Z=7" + std::string(98, ' ') + "\n");
    EXPECT_EQ(Value(Country("A"), "P"), Le32(1));
    EXPECT_EQ(Value(Country("A"), "Z"), Le32(7));
    // Exactly 499 characters before the line feed: an empty line follows, which is harmless.
    Apply("[B]\n" + first + "\nQ=2\n");
    EXPECT_EQ(ValuesOf(Country("B")), (std::vector<std::string>{"P", "Q"}));
}

// Registry failures at each call site: the run goes on as far as it can.
TEST_F(Applier, TimeStampFailureDoesNotStopTheRun) {
    hostwin::FailCall("RegCreateKeyExA", 1, ERROR_ACCESS_DENIED);
    EXPECT_EQ(Apply("[A]\nP=1\n"), 1u);
    EXPECT_EQ(Value(kProduct, "HomolTimeStamp"), "<missing>");
    EXPECT_EQ(Value(Country("A"), "P"), Le32(1));
}

TEST_F(Applier, CountryKeyThatCannotBeMadeLosesValuesButCounts) {
    hostwin::FailCall("RegOpenKeyExA", 1, ERROR_ACCESS_DENIED);
    hostwin::FailCall("RegCreateKeyExA", 2, ERROR_ACCESS_DENIED); // the Country key
    EXPECT_EQ(Apply("[A]\nP=1\n[B]\nQ=1\n[Registry]\nHKLM,SOFTWARE\\T,S,0,x\n"), 2u);
    EXPECT_FALSE(KeyExists(Country("A")));
    EXPECT_EQ(Value("SOFTWARE\\T", "S"), std::string("x", 2));
}

TEST_F(Applier, SectionKeyThatCannotBeMadeLosesItsValuesOnly) {
    // Calls: the time stamp key, the Country key, A, then B.
    hostwin::FailCall("RegCreateKeyExA", 3, ERROR_ACCESS_DENIED);
    EXPECT_EQ(Apply("[A]\nP=1\n[B]\nQ=1\n"), 2u);
    EXPECT_FALSE(KeyExists(Country("A")));
    EXPECT_EQ(Value(Country("B"), "Q"), Le32(1));
}

TEST_F(Applier, FailedWriteLeavesTheLinesOtherWrites) {
    hostwin::FailCall("RegSetValueExA", 2, ERROR_ACCESS_DENIED); // 1 is the time stamp
    Apply("[A]\nP=1,2,3\n");
    EXPECT_EQ(ValuesOf(Country("A")), (std::vector<std::string>{"P_min", "P_max"}));
}

TEST_F(Applier, RegistryLineWhoseKeyCannotBeMadeIsIgnored) {
    WriteString("SOFTWARE\\T", "Gone", "x");
    hostwin::FailCall("RegCreateKeyExA", 3, ERROR_ACCESS_DENIED);
    hostwin::FailCall("RegOpenKeyExA", 2, ERROR_ACCESS_DENIED); // 1 is the Country key
    Apply("[Registry]\nHKLM,SOFTWARE\\T,S,0,x\nHKLM,SOFTWARE\\T,Gone\nHKLM,SOFTWARE\\T,S2,0,y\n");
    EXPECT_EQ(ValuesOf("SOFTWARE\\T"), (std::vector<std::string>{"Gone", "S2"}));
}

} // namespace
