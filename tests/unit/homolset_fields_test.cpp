// The readers of homologation lines: ReadField, ParseHexByte and the number conversions.
#include "homolset/fields.h"

#include <gtest/gtest.h>

#include <string.h>

namespace {

struct FieldCase {
    const char* line;
    size_t capacity;
    const char* field; // what the destination holds
    size_t count;      // what ReadField returns
    bool overflowed;
};

// Columns: line text, capacity, field read, count returned, overflow reported.
const FieldCase kFieldCases[] = {
    {"HKLM,rest\n", 504, "HKLM", 5, false},
    {"  HKLM  ,x", 504, "HKLM", 9, false}, // blanks around the field
    {"a b c,", 504, "abc", 6, false},      // blanks vanish everywhere outside quotes
    {"\"a b\" c,", 504, "a bc", 8, false}, // after the closing quote: unquoted again
    {"\"a,b\",", 504, "a", 3, false},      // a comma ends the field even when quoted
    {"\"open to the end\n", 504, "open to the end\n", 0, false}, // unclosed: keeps the line feed
    {"x\"y z\",", 504, "xyz", 7, false},          // a quote later in the field does not quote
    {"last field\n", 504, "lastfield", 0, false}, // the end of the line: count 0
    {"", 504, "", 0, false},
    {",", 504, "", 1, false},
    {"\t\"\",", 504, "", 4, false},
    {"abcdef,", 4, "abc", 7, true}, // cut to the capacity, counted whole
    {"abc,", 4, "abc", 4, false},   // exactly full
};

TEST(ReadField, ReadsFieldsByTheLineRules) {
    for (const FieldCase& c : kFieldCases) {
        char out[505]; // one guard byte past the largest capacity
        memset(out, 'Z', sizeof out);
        bool overflowed = !c.overflowed;
        size_t count = ReadField(c.line, out, c.capacity, &overflowed);
        EXPECT_STREQ(out, c.field) << "line [" << c.line << "]";
        EXPECT_EQ(count, c.count) << "line [" << c.line << "]";
        EXPECT_EQ(overflowed, c.overflowed) << "line [" << c.line << "]";
        EXPECT_EQ(out[c.capacity], 'Z') << "wrote past the capacity for [" << c.line << "]";
    }
}

TEST(ReadField, PositionRuleRepeatsTheLastField) {
    const char* line = "HKLM,Key,Name\n";
    char field[504];
    const char* p = line;
    p += ReadField(p, field, sizeof field);
    p += ReadField(p, field, sizeof field);
    size_t count = ReadField(p, field, sizeof field);
    EXPECT_STREQ(field, "Name");
    EXPECT_EQ(count, 0u);
    p += count;
    EXPECT_EQ(ReadField(p, field, sizeof field), 0u);
    EXPECT_STREQ(field, "Name");
}

struct HexCase {
    const char* field;
    uint32_t low_byte;
};

const HexCase kHexCases[] = {
    {"0A", 0x0A}, {"ff", 0xFF}, {"3", 0x03},  {"0x41", 0x00}, {"1FF", 0xFF},          {"123", 0x23},
    {"", 0x00},   {"G1", 0x00}, {"1F", 0x1F}, {"aB", 0xAB},   {"FFFFFFFFFFFF", 0xFF}, {"7g", 0x07},
};

TEST(ParseHexByte, KeepsTheLastTwoDigitsOfTheLeadingRun) {
    for (const HexCase& c : kHexCases)
        EXPECT_EQ(ParseHexByte(c.field) & 0xFF, c.low_byte) << "field [" << c.field << "]";
}

struct NumberCase {
    const char* text;
    int32_t value;
};

const NumberCase kNumberCases[] = {
    {"12", 12},
    {"010", 8},
    {"08", 0},
    {"09", 0},
    {"abc", 0},
    {"", 0},
    {"+5", 5},
    {"-0x10", -16},
    {"0X1f", 31},
    {"4294967295", 2147483647},
    {"0xFFFFFFFF", 2147483647},
    {"-4294967295", -2147483648},
    {"-1", -1},
    {"2147483647", 2147483647},
    {"-2147483648", -2147483648},
    {"2147483648", 2147483647},
    {"99999999999999999999999", 2147483647},
    {" \t\v\f\r\n7", 7},
    {"- 5", 0},
    {"12,34", 12},
    {"7 rest", 7},
    {"0x", 0},
    {"\xB2", 0}, // bytes above 127 are never digits or blanks
};

TEST(ConvertNumber, ReadsTheValueSyntaxWithSaturation) {
    for (const NumberCase& c : kNumberCases)
        EXPECT_EQ(ConvertNumber(c.text), c.value) << "text [" << c.text << "]";
}

const NumberCase kDecimalCases[] = {
    {"0", 0}, {"3", 3}, {"0x1", 0}, {"", 0}, {"-1", -1}, {"+2", 2}, {"07", 7}, {" 1", 0},
};

TEST(ConvertDecimal, ReadsFlagsAsDecimalOnly) {
    for (const NumberCase& c : kDecimalCases)
        EXPECT_EQ(ConvertDecimal(c.text), c.value) << "text [" << c.text << "]";
}

} // namespace
