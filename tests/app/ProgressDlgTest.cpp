#include <gtest/gtest.h>

#include <string>

#include "FakeLoader.h"
#include "app/FirmwareUpdaterProgressDlg.h"
#include "app/ResourceIds.h"
#include "support/FakeViewSystem.h"

using namespace EvarixApp;
using EvarixTest::FakeLoader;
using EvarixTest::FakeViewSystem;
using Window = FakeViewSystem::Window;

namespace {

TEST(TimeLeftTextTest, ReadsInWholeMinutes) {
  const std::pair<int, const wchar_t*> cases[] = {
      {-61, L"less than 1 minute."}, {-1, L"less than 1 minute."}, {0, L"less than 1 minute."},
      {59, L"less than 1 minute."},  {60, L"about 1 minute."},     {119, L"about 1 minute."},
      {120, L"about 2 minutes."},    {179, L"about 2 minutes."},   {1200, L"about 20 minutes."}};
  for (const auto& [secondsLeft, text] : cases) {
    EXPECT_EQ(TimeLeftText(secondsLeft), text) << secondsLeft;
  }
}

class ProgressDlgTest : public testing::Test {
 protected:
  // Runs the page on its own, as the flow would, and returns what DoModal gave.
  int Run(FakeViewSystem::Script script, int* resultSlot) {
    if (script) view.OnRun(Template::kProgress, std::move(script));
    FirmwareUpdaterProgressDlg dialog(&loader, resultSlot, nullptr);
    return dialog.DoModal();
  }

  FakeViewSystem view;
  FakeLoader loader;
  int result = -7;
};

TEST_F(ProgressDlgTest, FirstTickReplacesThePlaceholderAndTheEndLeavesTheStatus) {
  loader.progress = {{1, 0, 1200}, {1, 3, 1150}, {2, 100, 0}};
  const int ended = Run(
      [](Window& page) {
        EXPECT_EQ(page.pageId, Page::kProgress);
        EXPECT_EQ(page.icon, kAppIcon);
        page.Wait(199);
        EXPECT_EQ(page.Text("TimeLeft"), L"12 minutes");
        page.Wait(1);
        EXPECT_EQ(page.Text("TimeLeft"), L"about 20 minutes.");
        EXPECT_EQ(page.progress[kProgressBarControl], 0);
        page.Wait(200);
        EXPECT_EQ(page.progress[kProgressBarControl], 3);
      },
      &result);
  EXPECT_EQ(ended, kResultEnded);
  EXPECT_EQ(result, 2);
  EXPECT_EQ(view.Now(), 600u);
  EXPECT_EQ(view.Find(Template::kProgress)->progress[kProgressBarControl], 100);
}

// Only success is copied to the result; any other end is taken, result or not.
TEST_F(ProgressDlgTest, AnyEndOtherThanSuccessLeavesTheResultAsItIs) {
  loader.progress = {{0, 0, 1200}};
  Run({}, &result);
  EXPECT_EQ(result, 0);
  loader.progress = {{1, 10, 90}, {-1, 10, 90}};
  EXPECT_EQ(Run({}, nullptr), kResultEnded);
  EXPECT_EQ(loader.progressCalls, 3);
}

TEST_F(ProgressDlgTest, WithoutTimeLeftElementTheBarStillMoves) {
  view.RemoveElement(Page::kProgress, "TimeLeft");
  loader.progress = {{1, 40, 600}, {-1, 40, 600}};
  Run([](Window& page) { page.Wait(200); }, &result);
  const Window& page = *view.Find(Template::kProgress);
  EXPECT_EQ(page.progress.at(kProgressBarControl), 40);
  EXPECT_EQ(page.Writes(), 0);
  EXPECT_EQ(result, -1);
}

TEST_F(ProgressDlgTest, WithoutLoaderTheFirstTickEndsThePage) {
  view.OnRun(Template::kProgress, [](Window& page) { page.Wait(200); });
  FirmwareUpdaterProgressDlg dialog(nullptr, &result, nullptr);
  EXPECT_EQ(dialog.DoModal(), kResultEnded);
  EXPECT_EQ(result, -7);
  EXPECT_EQ(view.Now(), 200u);
}

TEST_F(ProgressDlgTest, TickWhoseProgressThrowsPaintsNothingAndTheNextRetries) {
  loader.progressThrows = CVFirmwareLoader::eLockAbandoned;
  loader.progress = {{1, 60, 100}, {2, 100, 0}};
  Run(
      [&](Window& page) {
        page.Wait(400);
        EXPECT_FALSE(page.ended);
        EXPECT_TRUE(page.progress.empty());
        EXPECT_EQ(page.Text("TimeLeft"), L"12 minutes");
        loader.progressThrows.reset();
        page.Wait(200);
        EXPECT_EQ(page.Text("TimeLeft"), L"about 1 minute.");
      },
      &result);
  EXPECT_EQ(result, 2);
}

}  // namespace
