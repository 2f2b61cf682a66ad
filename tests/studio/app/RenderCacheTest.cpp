#include "studio/app/RenderCache.h"

#include "platform/headless/HeadlessPlatform.h"
#include "platform/headless/VirtualClock.h"
#include "platform/headless/VirtualDesktop.h"
#include "studio/app/StudioApplication.h"
#include "HeadlessStudio.h"
#include "PsdWriter.h"
#include "TempDirectory.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

using vantrel::platform::CFileIdentity;
using vantrel::platform::CVirtualDesktop;
using vantrel::studio::app::CRenderCache;
using vantrel::studio::app::CStudioApplication;
using vantrel::studio::render::CRenderedDocument;

using namespace vantrel;

namespace {

struct KeyFolderCache : ::testing::Test, vantrel::testing::HeadlessStudio {
    vantrel::testing::TempDirectory dir;
    std::shared_ptr<CRenderCache> cache;

    void SetUp() override
    {
        std::filesystem::create_directories(dir / "keys");
        std::filesystem::create_directories(dir / "answers");
        cache = std::make_shared<CRenderCache>(dir / "keys");
        app->UseRenderCache(cache);
    }

    // Raw image data: every grey level gives a file of the same size.
    std::string WriteGrey(const std::string& name, int level, std::filesystem::file_time_type modified,
                          int width = 40)
    {
        vantrel::testing::PsdSpec psd;
        psd.width = width;
        psd.height = 30;
        psd.channels = 1;
        psd.colorMode = 1;
        vantrel::testing::FillPlanes(psd, [level](int, int, int) { return level; });
        vantrel::testing::WriteFile(dir / name, vantrel::testing::WritePsd(psd));
        std::filesystem::last_write_time(dir / name, modified);
        return dir / name;
    }

    // The grey level the studio shows for a document, opened afresh.
    int ShownLevel(const std::string& path)
    {
        std::string reason;
        const int document = app->OpenDocument(path, reason);
        EXPECT_NE(document, 0) << reason;
        const auto pixel = desktop.ClientPixel(app->DocumentWindow(document), 100, 80);
        app->CloseDocument(document);
        return pixel ? pixel->red : -1;
    }
};

const auto kMonday = std::filesystem::file_time_type(std::chrono::hours(24 * 20000));

}  // namespace

TEST_F(KeyFolderCache, RendersAKeyDocumentAgainOnlyWhenItChanges)
{
    const std::string key = WriteGrey("keys/R.psd", 90, kMonday);
    EXPECT_EQ(ShownLevel(key), 90);
    EXPECT_EQ(ShownLevel(key), 90);
    EXPECT_EQ(cache->Count(), 1u);

    // The same size with new content and a new time: the kept render is not this version.
    WriteGrey("keys/R.psd", 200, kMonday + std::chrono::seconds(1));
    EXPECT_EQ(ShownLevel(key), 200);
    EXPECT_EQ(cache->Count(), 2u);

    // A new size at the same time is a new version too.
    WriteGrey("keys/R.psd", 30, kMonday + std::chrono::seconds(1), 41);
    EXPECT_EQ(ShownLevel(key), 30);
    EXPECT_EQ(cache->Count(), 3u);
}

TEST_F(KeyFolderCache, KeepsNothingFromOutsideItsFolder)
{
    const std::string answer = WriteGrey("answers/A.psd", 90, kMonday);
    EXPECT_EQ(ShownLevel(answer), 90);
    EXPECT_EQ(cache->Count(), 0u);

    // Even with size and time unchanged, an examinee's document is read again.
    WriteGrey("answers/A.psd", 200, kMonday);
    EXPECT_EQ(ShownLevel(answer), 200);
    EXPECT_EQ(cache->Count(), 0u);
}

TEST(RenderCacheBudget, DropsTheLeastRecentlyUsedFirstAndNeverExceedsItsBudget)
{
    auto render = [](std::uint8_t level) {
        auto document = std::make_shared<CRenderedDocument>();
        document->previewRgb.assign(1000, level);
        return document;
    };
    const std::size_t one = sizeof(CRenderedDocument) + render(0)->previewRgb.capacity();
    CRenderCache cache("keys", 2 * one + one / 2);
    const CFileIdentity a{1, 1, 10, 5}, b{1, 2, 10, 5}, c{1, 3, 10, 5};
    cache.Keep(a, render(1));
    cache.Keep(b, render(2));
    ASSERT_NE(cache.Find(a), nullptr);  // a is now more recent than b
    cache.Keep(c, render(3));
    EXPECT_EQ(cache.Find(b), nullptr);
    ASSERT_NE(cache.Find(a), nullptr);
    EXPECT_EQ(cache.Find(a)->previewRgb[0], 1);
    EXPECT_EQ(cache.Find(c)->previewRgb[0], 3);
    EXPECT_LE(cache.Bytes(), 2 * one + one / 2);

    auto huge = std::make_shared<CRenderedDocument>();
    huge->previewRgb.assign(4 * one, 0);
    cache.Keep(CFileIdentity{1, 4, 10, 5}, huge);
    EXPECT_EQ(cache.Find(CFileIdentity{1, 4, 10, 5}), nullptr);
    EXPECT_EQ(cache.Count(), 2u);
}
