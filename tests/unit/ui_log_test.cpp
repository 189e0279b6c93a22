// Reading the UI log's records back.
#include <hostwin/testing.h>

#include <gtest/gtest.h>

namespace {

TEST(UiRecord, ReadsFlatObjects) {
    hostwin::UiRecord r;
    ASSERT_TRUE(hostwin::ParseUiRecord(
        "{\"event\":\"Dialog\",\"action\":\"move\",\"x\":-1,\"y\":260,\"ok\":true,\"t\":null,"
        "\"u\":\"\\u00e9\\/\"}",
        &r));
    EXPECT_EQ(r.Event(), "Dialog");
    EXPECT_EQ(r.Text("action"), "move");
    EXPECT_EQ(r.Number("x"), -1);
    EXPECT_EQ(r.Number("y"), 260);
    EXPECT_EQ(r.Field("ok")->kind, hostwin::UiField::kBool);
    EXPECT_EQ(r.Field("ok")->number, 1);
    EXPECT_TRUE(r.IsNull("t"));
    EXPECT_EQ(r.Text("u"), "\xe9/");
    EXPECT_EQ(r.Field("missing"), nullptr);
}

TEST(UiRecord, RefusesWhatIsNotAFlatObject) {
    // Columns: a line that is no record of the log.
    const char* const kLines[] = {"",           "[]",         "{\"a\":1",
                                  "{\"a\":1}x", "{\"a\":{}}", "{\"a\":\"\\u0100\"}",
                                  "{a:1}",      "{\"a\":-}"};
    for (const char* line : kLines) {
        hostwin::UiRecord r;
        EXPECT_FALSE(hostwin::ParseUiRecord(line, &r)) << line;
    }
}

} // namespace
