// MessageBoxA: scripted answers and the UI log's MessageBox records.
#include <hostwin/testing.h>
#include <windows.h>

#include <gtest/gtest.h>

namespace {

class MessageBox : public ::testing::Test {
  protected:
    void SetUp() override { hostwin::ResetMachine(); }
};

TEST_F(MessageBox, AnswersOkAndLogsTheBoxWhenNothingIsScripted) {
    EXPECT_EQ(MessageBoxA(nullptr, "Are you sure?", "Uninstall", MB_OKCANCEL | MB_ICONQUESTION),
              IDOK);
    std::vector<hostwin::UiRecord> log = hostwin::UiLog();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].json, "{\"event\":\"MessageBox\",\"caption\":\"Uninstall\","
                           "\"text\":\"Are you sure?\",\"type\":33,\"answer\":1}");
}

TEST_F(MessageBox, UsesTheScriptedAnswersInOrderThenOk) {
    hostwin::ScriptMessageBoxAnswers("CANCEL, fail,OK");
    SetLastError(0);
    EXPECT_EQ(MessageBoxA(nullptr, "q", "c", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_EQ(MessageBoxA(nullptr, "q", "c", MB_OKCANCEL), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(MessageBoxA(nullptr, "q", "c", MB_OKCANCEL), IDOK);
    EXPECT_EQ(MessageBoxA(nullptr, "q", "c", MB_OKCANCEL), IDOK); // beyond the script
    std::vector<hostwin::UiRecord> boxes = hostwin::UiLogOf("MessageBox");
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[0].Number("answer"), IDCANCEL);
    EXPECT_EQ(boxes[1].Number("answer"), 0);
    EXPECT_EQ(boxes[2].Number("answer"), IDOK);
}

TEST_F(MessageBox, CancelOnABoxWithOnlyOkAnswersOk) {
    hostwin::ScriptMessageBoxAnswers("CANCEL");
    EXPECT_EQ(MessageBoxA(nullptr, "Unable to delete file", "Uninstall Error", MB_ICONWARNING),
              IDOK);
}

TEST_F(MessageBox, LogsAbsentTextsAsNull) {
    MessageBoxA(nullptr, nullptr, nullptr, MB_OK); // Windows shows the caption "Error"
    hostwin::UiRecord box = hostwin::UiLogOf("MessageBox").at(0);
    EXPECT_TRUE(box.IsNull("caption"));
    EXPECT_TRUE(box.IsNull("text"));
    EXPECT_EQ(box.json, "{\"event\":\"MessageBox\",\"caption\":null,\"text\":null,\"type\":0,"
                        "\"answer\":1}");
}

TEST_F(MessageBox, EscapesEveryByteSoTheLineStaysJson) {
    const char text[] = "a\"b\\c\r\n\td\x01\x1f\x7f\x80\xe9\xff/";
    MessageBoxA(nullptr, text, "caption", MB_OK);
    hostwin::UiRecord box = hostwin::UiLogOf("MessageBox").at(0);
    EXPECT_EQ(box.json, "{\"event\":\"MessageBox\",\"caption\":\"caption\",\"text\":"
                        "\"a\\\"b\\\\c\\r\\n\\td\\u0001\\u001f\\u007f\\u0080\\u00e9\\u00ff/\","
                        "\"type\":0,\"answer\":1}");
    EXPECT_EQ(box.Text("text"), text); // and it reads back to the same bytes
}

TEST_F(MessageBox, AnInjectedFailureAnswersZero) {
    hostwin::FailCall("MessageBoxA", 1, ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_OK), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_EQ(hostwin::UiLogOf("MessageBox").at(0).Number("answer"), 0);
}

TEST_F(MessageBox, OtherButtonSetsAreNotImplemented) {
    EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_YESNO), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED));
}

TEST_F(MessageBox, ScriptAndLogStartAfreshWithTheMachine) {
    hostwin::ScriptMessageBoxAnswers("CANCEL");
    MessageBoxA(nullptr, "t", "c", MB_OK);
    hostwin::ResetMachine();
    EXPECT_TRUE(hostwin::UiLog().empty());
    EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_OKCANCEL), IDOK);
    hostwin::ClearUiLog();
    EXPECT_TRUE(hostwin::UiLog().empty());
}

} // namespace
