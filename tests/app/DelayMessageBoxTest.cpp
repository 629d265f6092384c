#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/DelayMessageBox2.h"
#include "support/FakeViewSystem.h"

using EvarixApp::CDelayMessageBox2;
using EvarixTest::FakeViewSystem;
using Window = FakeViewSystem::Window;

namespace {

const std::vector<std::wstring> kCountdown{L"3 seconds remaining", L"2 seconds remaining",
                                           L"1 seconds remaining", L"0 seconds remaining"};

class DelayMessageBoxTest : public testing::Test {
 protected:
  void Show(bool closeAtZero, FakeViewSystem::Script script) {
    view.OnRun(FakeViewSystem::kMessageBox, std::move(script));
    CDelayMessageBox2 box(nullptr, 3, closeAtZero);
    box.MessageBox(L"Waiting for enum...");
  }

  FakeViewSystem view;
};

TEST_F(DelayMessageBoxTest, CountsDownOnceASecondAndSwallowsEveryCommandMeanwhile) {
  Show(true, [](Window& box) {
    EXPECT_EQ(box.message, L"Waiting for enum...");
    EXPECT_EQ(box.TimerPeriod(CDelayMessageBox2::kTimerId), 1000u);
    for (size_t second = 0; second < 3; ++second) {
      EXPECT_EQ(box.captions.size(), second + 1);
      EXPECT_FALSE(box.okEnabled);
      EXPECT_FALSE(box.PressOk());
      EXPECT_TRUE(box.PressEscape());
      EXPECT_TRUE(box.CloseBox());
      EXPECT_FALSE(box.ended);
      box.Wait(999);
      EXPECT_EQ(box.captions.size(), second + 1);
      box.Wait(1);
    }
  });
  const Window& box = *view.Find(FakeViewSystem::kMessageBox);
  EXPECT_EQ(box.captions, kCountdown);
  EXPECT_EQ(view.Now(), 3000u);
  EXPECT_TRUE(box.okEnabled);
  EXPECT_TRUE(box.okFocused);
}

TEST_F(DelayMessageBoxTest, WithoutCloseAtZeroItWaitsForOkOnceTheCountIsDone) {
  Show(false, [](Window& box) {
    box.Wait(3000);
    EXPECT_EQ(box.captions, kCountdown);
    EXPECT_FALSE(box.ended);
    EXPECT_TRUE(box.okEnabled);
    EXPECT_TRUE(box.okFocused);
    EXPECT_FALSE(box.TimerPeriod(CDelayMessageBox2::kTimerId));
    EXPECT_TRUE(box.PressOk());
    EXPECT_TRUE(box.ended);
  });
}

}  // namespace
