#include "platform/headless/RecordingMessageBox.h"

#include <gtest/gtest.h>

using vantrel::platform::CRecordingMessageBox;

TEST(RecordingMessageBox, RecordsEveryMessageAndEchoesUnlessSilenced)
{
    CRecordingMessageBox box;
    ::testing::internal::CaptureStderr();
    box.Show("Start \xE5\xA4\xB1\xE8\xB4\xA5!");
    box.SetEchoToStandardError(false);
    box.Show("quiet");
    const std::string printed = ::testing::internal::GetCapturedStderr();

    EXPECT_EQ(printed, "Start \xE5\xA4\xB1\xE8\xB4\xA5!\n");
    EXPECT_EQ(box.Messages(), (std::vector<std::string>{"Start \xE5\xA4\xB1\xE8\xB4\xA5!", "quiet"}));
    box.ClearMessages();
    EXPECT_TRUE(box.Messages().empty());
}
