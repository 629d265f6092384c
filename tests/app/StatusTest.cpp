#include <gtest/gtest.h>

#include "MainDialogFixture.h"

using EvarixApp::CEvarixFirmwareUpdaterDlg;
using namespace EvarixTest;

namespace {

constexpr const wchar_t* kIntroduction =
    L"This application updates the firmware for Evarix 25 MIDI controller keyboards.";
constexpr const wchar_t* kPageIntroduction =
    L"This application updates the firmware for Evarix MIDI keyboard controllers.";

struct StatusCase {
  int check;
  const wchar_t* sentence;
  bool updateEnabled;
};

const StatusCase kStatusCases[] = {
    {-4,
     L"The Evarix drivers are not installed on your computer. Please download and install the "
     L"latest drivers and retry this update.",
     false},
    {-3,
     L"Your Evarix drivers are out of date. Please download and install the latest drivers and "
     L"retry this update.",
     false},
    {-2, kInternalError, false},
    {-1, kNoKeyboard, false},
    {0,
     L"An Evarix 25 is connected.\r\nNo update needed. The device is up to date. Click Quit to "
     L"exit.",
     false},
    {1, kUpdateAvailable, true},
    {2,
     L"An Evarix 25 is connected.\r\nWARNING: Device has newer firmware. Click Update to proceed "
     L"to overwrite with older firmware.",
     true},
    {3, kIncompleteFirmware, true},
    {-5, L"", false},
    {4, L"", true},
};

class StatusTickTest : public MainDialogTest, public testing::WithParamInterface<StatusCase> {};

// The button starts from the state opposite to the one the value asks for, so that both the
// setting and the removing of "disabled" are seen.
TEST_P(StatusTickTest, PaintsSentenceAndUpdateButton) {
  const StatusCase& expected = GetParam();
  loader.check = expected.updateEnabled ? -1 : 1;
  RunMain([&](Window& main) {
    main.Wait(200);
    ASSERT_EQ(main.Disabled("ButtonOK"), expected.updateEnabled);
    loader.check = expected.check;
    main.Wait(200);
    EXPECT_EQ(main.Text("TextArea"), expected.sentence);
    EXPECT_EQ(main.Disabled("ButtonOK"), !expected.updateEnabled);
    main.Click("ButtonCancel");
  });
}

INSTANTIATE_TEST_SUITE_P(EveryValue, StatusTickTest, testing::ValuesIn(kStatusCases));

// Each tick asks the loader; only a value unlike the last one painted is painted again.
TEST_F(MainDialogTest, FirstTickAt200MsPaintsEvenAnEmptySentenceAndEqualValuesPaintNothing) {
  loader.check = -5;
  RunMain([&](Window& main) {
    main.Wait(199);
    EXPECT_EQ(loader.checkCalls, 0);
    EXPECT_FALSE(main.Disabled("ButtonOK"));
    main.Wait(1);
    EXPECT_TRUE(main.Disabled("ButtonOK"));
    EXPECT_EQ(main.writes["TextArea"], 1);
    const int writes = main.Writes();
    main.Wait(1000);
    EXPECT_EQ(loader.checkCalls, 6);
    EXPECT_EQ(main.Writes(), writes);
    loader.check = 1;
    main.Wait(200);
    EXPECT_EQ(main.Writes(), writes + 2);  // the button and the status box
    main.Click("ButtonCancel");
  });
}

TEST_F(MainDialogTest, IntroductoryLineIsWrittenOncePerProcess) {
  RunMain([&](Window& main) {
    main.Wait(200);
    EXPECT_EQ(main.Text("MainText"), kIntroduction);
    loader.check = 1;
    main.Wait(400);
    EXPECT_EQ(main.writes["MainText"], 1);
    main.Click("ButtonCancel");
  });
  CEvarixFirmwareUpdaterDlg second;
  second.loader = &loader;
  view.OnRun(EvarixApp::Template::kMain, [&](Window& main) {
    main.Wait(200);
    EXPECT_EQ(main.Text("TextArea"), kUpdateAvailable);
    EXPECT_EQ(main.Text("MainText"), kPageIntroduction);
    main.Click("ButtonCancel");
  });
  second.DoModal();
}

// Writes to a page still loading would be replaced by its defaults: a tick then must neither
// paint nor count the value as painted, or the box stays empty and Update enabled.
TEST_F(MainDialogTest, TickBeforeThePageHasLoadedLeavesPaintingToTheNextTick) {
  view.pagesLoadAtOnce = false;
  RunMain([&](Window& main) {
    main.Wait(400);
    EXPECT_EQ(loader.checkCalls, 2);
    main.CompleteLoad();
    EXPECT_EQ(main.Text("TextArea"), L"");
    EXPECT_FALSE(main.Disabled("ButtonOK"));
    EXPECT_EQ(main.Text("MainText"), kPageIntroduction);
    main.Wait(200);
    EXPECT_EQ(main.Text("TextArea"), kNoKeyboard);
    EXPECT_TRUE(main.Disabled("ButtonOK"));
    EXPECT_EQ(main.Text("MainText"), kIntroduction);
    main.Click("ButtonCancel");
  });
}

TEST_F(MainDialogTest, TickWhoseCheckThrowsPaintsNothingAndTheNextRetries) {
  loader.checkThrows = CVFirmwareLoader::eLockAbandoned;
  RunMain([&](Window& main) {
    main.Wait(400);
    EXPECT_EQ(loader.checkCalls, 2);
    EXPECT_EQ(main.Writes(), 0);
    loader.checkThrows.reset();
    main.Wait(200);
    EXPECT_EQ(main.Text("TextArea"), kNoKeyboard);
    EXPECT_EQ(main.Text("MainText"), kIntroduction);
    main.Click("ButtonCancel");
  });
}

TEST_F(MainDialogTest, WithoutLoaderUpdateStaysDisabledUnderTheInternalErrorSentence) {
  dialog.loader = nullptr;
  RunMain([&](Window& main) {
    // A click that comes before the first tick has disabled the button starts nothing.
    EXPECT_TRUE(main.Click("ButtonOK"));
    main.Wait(200);
    EXPECT_EQ(main.Text("TextArea"), kInternalError);
    EXPECT_TRUE(main.Disabled("ButtonOK"));
    EXPECT_FALSE(main.Click("ButtonOK"));
    main.Click("ButtonCancel");
  });
  EXPECT_EQ(view.Templates(), std::vector<int>{EvarixApp::Template::kMain});
  EXPECT_TRUE(Main().shows.empty());
}

TEST_F(MainDialogTest, WindowCarriesTitlePictureIconTimerAndAnAboutBoxWithoutPage) {
  view.OnRun(EvarixApp::Template::kAbout, [](Window& about) { about.CloseBox(); });
  RunMain([&](Window& main) {
    EXPECT_EQ(main.pageId, EvarixApp::Page::kMain);
    EXPECT_EQ(main.title, L"Corvane Evarix 25 Firmware Updater (FW v1.2)");
    EXPECT_EQ(main.pictures, (std::map<int, int>{{1002, 140}}));
    EXPECT_EQ(main.icon, 145);
    EXPECT_EQ(main.TimerPeriod(1), 200u);
    main.About();
    main.Click("ButtonCancel");
  });
  ASSERT_EQ(view.Templates(), (std::vector<int>{EvarixApp::Template::kMain, 100}));
  EXPECT_EQ(view.Find(100)->pageId, 0);
  EXPECT_EQ(view.Find(100)->owner, &Main());
}

// Quit ends it with Cancel too, as the update flow's tests see.
TEST_F(MainDialogTest, TheCloseBoxEndsTheDialogWithCancel) {
  EXPECT_EQ(RunMain([](Window& main) { main.CloseBox(); }), EvarixView::kResultCancel);
}

}  // namespace
