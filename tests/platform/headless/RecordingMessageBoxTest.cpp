#include "platform/headless/RecentRecords.h"
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

TEST(RecordingMessageBox, KeepsOnlyTheLatestMessages)
{
    CRecordingMessageBox box;
    box.SetEchoToStandardError(false);
    for (std::size_t i = 0; i < vantrel::platform::kRecentRecords + 5; ++i) box.Show(std::to_string(i));
    ASSERT_EQ(box.Messages().size(), vantrel::platform::kRecentRecords);
    EXPECT_EQ(box.Messages().front(), "5");
    EXPECT_EQ(box.Messages().back(), std::to_string(vantrel::platform::kRecentRecords + 4));
}
