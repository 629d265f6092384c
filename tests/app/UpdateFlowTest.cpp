#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "MainDialogFixture.h"
#include "engine/EResult.h"

using namespace EvarixApp;
using CVFirmwareLoader::EResult;
using EvarixTest::FakeLoader;
using EvarixTest::FakeViewSystem;
using EvarixTest::MainDialogTest;
using Window = FakeViewSystem::Window;

namespace {

constexpr int kBox = FakeViewSystem::kMessageBox;

void PressUpdate(Window& main) {
  main.Wait(200);
  ASSERT_TRUE(main.Click("ButtonOK"));
}

class UpdateFlowTest : public MainDialogTest {
 protected:
  UpdateFlowTest() { loader.check = 1; }

  // Confirms and proceeds, so that the next dialog is the progress page or the failure page.
  void ConfirmAndProceed() {
    view.OnRun(Template::kConfirmation, [](Window& page) { page.Click("ButtonOK"); });
    view.OnRun(Template::kDriverNotice, [](Window& page) { page.Click("ButtonOK"); });
  }

  void OnFailurePage(const char* button) {
    view.OnRun(Template::kFailure, [button](Window& page) { page.Click(button); });
  }
};

TEST_F(UpdateFlowTest, ConfirmationHidesTheMainWindowAndCancelShowsItAgain) {
  const std::vector<std::function<void(Window&)>> endings{
      [](Window& page) { page.Click("ButtonCancel"); },
      [](Window& page) { page.CloseBox(); },
  };
  for (const auto& ending : endings) {
    view.OnRun(Template::kConfirmation, [&](Window& page) {
      EXPECT_FALSE(Main().visible);
      EXPECT_EQ(page.owner, &Main());
      ending(page);
    });
  }
  const int result = RunMain([&](Window& main) {
    PressUpdate(main);
    EXPECT_TRUE(main.visible);
    PressUpdate(main);
    main.Click("ButtonCancel");
  });
  EXPECT_EQ(result, EvarixView::kResultCancel);
  EXPECT_EQ(view.Templates(),
            (std::vector<int>{Template::kMain, Template::kConfirmation, Template::kConfirmation}));
  EXPECT_EQ(Main().shows, (std::vector<bool>{false, true, false, true}));
  EXPECT_EQ(loader.versionCalls, 0);
  EXPECT_TRUE(loader.startedWith.empty());
  EXPECT_EQ(loader.progressCalls, 0);
  EXPECT_EQ(loader.abortCalls, 0);
}

struct NotStarted {
  const char* name;
  std::function<void(FakeLoader&)> arrange;
  std::vector<std::wstring> startedWith;
};

class UpdateNotStartedTest : public UpdateFlowTest,
                             public testing::WithParamInterface<NotStarted> {};

TEST_P(UpdateNotStartedTest, ShowsOnlyTheFailurePage) {
  GetParam().arrange(loader);
  ConfirmAndProceed();
  OnFailurePage("ButtonQuit");
  EXPECT_EQ(RunMain(PressUpdate), kResultEnded);
  EXPECT_EQ(view.Templates(), (std::vector<int>{Template::kMain, Template::kConfirmation,
                                                Template::kDriverNotice, Template::kFailure}));
  EXPECT_EQ(loader.startedWith, GetParam().startedWith);
  EXPECT_EQ(loader.progressCalls, 0);
  EXPECT_EQ(Main().shows, std::vector<bool>{false});
}

INSTANTIATE_TEST_SUITE_P(
    Causes, UpdateNotStartedTest,
    testing::Values(
        NotStarted{"NoVersionText", [](FakeLoader& fake) { fake.versions.clear(); }, {}},
        NotStarted{"StartRefused",
                   [](FakeLoader& fake) { fake.startResult = CVFirmwareLoader::eNotReady; },
                   {L"0x1023"}},
        NotStarted{"StartThrows",
                   [](FakeLoader& fake) { fake.startThrows = CVFirmwareLoader::eLockAbandoned; },
                   {L"0x1023"}}),
    [](const auto& test) { return test.param.name; });

// The driver notice closed by its close box goes ahead as its Proceed does.
TEST_F(UpdateFlowTest, SuccessSettlesForThreeSecondsThenQuitTellsTheKeyboard) {
  loader.progress = {{1, 0, 1200}, {1, 50, 600}, {2, 100, 0}};
  view.OnRun(Template::kConfirmation, [](Window& page) { page.Click("ButtonOK"); });
  view.OnRun(Template::kDriverNotice, [](Window& page) { page.CloseBox(); });
  uint64_t settlingStarted = 0;
  view.OnRun(kBox, [&](Window&) { settlingStarted = view.Now(); });
  view.OnRun(Template::kSuccess, [&](Window& page) {
    EXPECT_EQ(view.Now() - settlingStarted, 3000u);
    EXPECT_EQ(page.Text("ResultText"),
              L"The update was successful. New firmware was installed on your Evarix 25.");
    EXPECT_TRUE(sent.empty());
    page.Click("ButtonOK");
    EXPECT_EQ(sent, std::vector<std::string>{"Evarix 25 Quorvel"});
  });

  EXPECT_EQ(RunMain(PressUpdate), kResultEnded);
  EXPECT_EQ(view.Find(Template::kDriverNotice)->result, EvarixView::kResultCancel);
  EXPECT_EQ(loader.startedWith, std::vector<std::wstring>{L"0x1023"});
  EXPECT_EQ(view.Templates(),
            (std::vector<int>{Template::kMain, Template::kConfirmation, Template::kDriverNotice,
                              Template::kProgress, kBox, Template::kSuccess}));
  const Window& box = *view.Find(kBox);
  EXPECT_EQ(box.message, L"Waiting for enum...");
  EXPECT_EQ(box.owner, &Main());
  EXPECT_EQ(sent.size(), 1u);
  EXPECT_EQ(Main().shows, std::vector<bool>{false});
}

// Every ending of the last page but OK on success and Retry on failure ends the program silently.
struct PageEnding {
  const char* name;
  int finalStatus;
  int page;
  std::function<void(Window&)> act;
};

class EndingTest : public UpdateFlowTest, public testing::WithParamInterface<PageEnding> {};

TEST_P(EndingTest, EndsTheProgramAndSendsNothing) {
  loader.progress = {{1, 30, 700}, {GetParam().finalStatus, 30, 700}};
  ConfirmAndProceed();
  view.OnRun(GetParam().page, GetParam().act);
  EXPECT_EQ(RunMain(PressUpdate), kResultEnded);
  EXPECT_EQ(view.Templates().back(), GetParam().page);
  EXPECT_EQ(Main().shows, std::vector<bool>{false});
  EXPECT_TRUE(sent.empty());
}

INSTANTIATE_TEST_SUITE_P(LastPages, EndingTest,
                         testing::Values(PageEnding{"SuccessCloseBox", 2, Template::kSuccess,
                                                    [](Window& page) { page.CloseBox(); }},
                                         PageEnding{"FailureQuit", -1, Template::kFailure,
                                                    [](Window& page) { page.Click("ButtonQuit"); }},
                                         PageEnding{"FailureCloseBox", -1, Template::kFailure,
                                                    [](Window& page) { page.CloseBox(); }}),
                         [](const auto& test) { return test.param.name; });

TEST_F(UpdateFlowTest, RetryShowsTheMainPageAgainWithTheCurrentStatus) {
  loader.progress = {{-1, 0, 1200}};
  ConfirmAndProceed();
  view.OnRun(Template::kFailure, [&](Window& page) {
    EXPECT_EQ(page.icon, 0);
    loader.check = 3;
    page.Click("ButtonRetry");
  });
  view.OnRun(Template::kConfirmation, [](Window& page) { page.Click("ButtonCancel"); });
  RunMain([&](Window& main) {
    PressUpdate(main);
    EXPECT_TRUE(main.visible);
    main.Wait(200);
    EXPECT_EQ(main.Text("TextArea"), EvarixTest::kIncompleteFirmware);
    EXPECT_TRUE(main.Click("ButtonOK"));
    main.Click("ButtonCancel");
  });
  EXPECT_EQ(Main().shows, (std::vector<bool>{false, true, false, true}));
  EXPECT_EQ(view.Templates().back(), Template::kConfirmation);
}

// ABORT on the question stops the download, but the page keeps what it showed until the loader
// reports the end; a throwing AbortUpdate changes nothing of that.
class AbortTest : public UpdateFlowTest,
                  public testing::WithParamInterface<std::optional<EResult>> {};

TEST_P(AbortTest, ConfirmedAbortFreezesTheProgressPageUntilTheLoaderEnds) {
  loader.abortThrows = GetParam();
  loader.progress = {{1, 10, 900}, {1, 20, 800}, {1, 30, 700},
                     {1, 40, 600}, {1, 50, 500}, {-1, 50, 500}};
  ConfirmAndProceed();
  view.OnRun(Template::kCancellation, [&](Window& question) {
    EXPECT_TRUE(question.CloseBox());
    EXPECT_FALSE(question.ended);
    question.Wait(200);  // the progress page goes on moving under the question
    EXPECT_EQ(view.Find(Template::kProgress)->progress[kProgressBarControl], 30);
    question.Click("ButtonCancel");
  });
  view.OnRun(Template::kProgress, [&](Window& progress) {
    progress.Wait(400);
    EXPECT_EQ(progress.Text("TimeLeft"), L"about 13 minutes.");
    progress.CloseBox();
    EXPECT_EQ(loader.abortCalls, 1);
    EXPECT_FALSE(progress.ended);
    progress.Wait(10'000);
    EXPECT_TRUE(progress.ended);
    EXPECT_EQ(progress.progress[kProgressBarControl], 30);
    EXPECT_EQ(progress.Text("TimeLeft"), L"about 11 minutes.");
  });
  OnFailurePage("ButtonQuit");
  EXPECT_EQ(RunMain(PressUpdate), kResultEnded);
  EXPECT_EQ(view.Find(Template::kCancellation)->result, EvarixView::kResultCancel);
  EXPECT_EQ(loader.progressCallsAtAbort, 3);
  EXPECT_EQ(loader.progressCalls, 6);
  EXPECT_EQ(view.Templates(),
            (std::vector<int>{Template::kMain, Template::kConfirmation, Template::kDriverNotice,
                              Template::kProgress, Template::kCancellation, Template::kFailure}));
}

INSTANTIATE_TEST_SUITE_P(AbortAnswers, AbortTest,
                         testing::Values(std::nullopt, CVFirmwareLoader::eLockAbandoned));

TEST_F(UpdateFlowTest, DeclinedAbortChangesNothing) {
  loader.progress = {{1, 10, 900}, {1, 20, 800}, {2, 100, 0}};
  ConfirmAndProceed();
  view.OnRun(Template::kCancellation, [](Window& question) { question.Click("ButtonOK"); });
  view.OnRun(Template::kProgress, [&](Window& progress) {
    progress.Wait(200);
    progress.CloseBox();
    progress.Wait(200);
    EXPECT_EQ(progress.progress[kProgressBarControl], 20);
  });
  view.OnRun(Template::kSuccess, [](Window& page) { page.Click("ButtonOK"); });
  RunMain(PressUpdate);
  EXPECT_EQ(view.Find(Template::kCancellation)->result, EvarixView::kResultOk);
  EXPECT_EQ(loader.abortCalls, 0);
  EXPECT_EQ(sent.size(), 1u);
}

// A download that ends while the question is open ends the progress page as soon as the question
// has been answered.
TEST_F(UpdateFlowTest, DownloadEndingUnderTheQuestionIsTakenWhenItCloses) {
  loader.progress = {{1, 90, 30}, {2, 100, 0}};
  ConfirmAndProceed();
  view.OnRun(Template::kCancellation, [&](Window& question) {
    question.Wait(1000);
    EXPECT_TRUE(view.Find(Template::kProgress)->ended);
    EXPECT_FALSE(question.ended);
    question.Click("ButtonOK");
  });
  view.OnRun(Template::kProgress, [](Window& progress) { progress.CloseBox(); });
  view.OnRun(Template::kSuccess, [](Window& page) { page.Click("ButtonOK"); });
  RunMain(PressUpdate);
  EXPECT_EQ(view.Templates().back(), Template::kSuccess);
}

}  // namespace
