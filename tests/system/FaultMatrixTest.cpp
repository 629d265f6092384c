// The fault matrix: every way an update can go wrong, run through the real platform (the simulated
// keyboard below libusb and libudev) and the application's update flow (on the fake view). For
// each fault it checks what the user is shown, and that nothing is lost: once the fault is gone
// (the keyboard plugged in again, as a user would), Update brings the keyboard to 0x1023.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "SystemRig.h"
#include "app/EvarixFirmwareUpdaterDlg.h"
#include "app/ResourceIds.h"
#include "support/FakeViewSystem.h"

namespace {

using namespace EvarixSystemTest;
using EvarixSim::DfuState;
using EvarixSim::Faults;
using EvarixSim::RequestKind;
using EvarixTest::FakeViewSystem;
using Window = FakeViewSystem::Window;
namespace Template = EvarixApp::Template;

enum class Page { None, Success, Failure };

const char* NameOf(Page page) {
  switch (page) {
    case Page::Success:
      return "success";
    case Page::Failure:
      return "failure";
    default:
      return "none";
  }
}

// What the person at the keyboard does during the update.
enum class User {
  Watches,
  PullsCableBeforeUpdate,    // after the main page offered the update, before pressing it
  ReplugsWhileAwaiting,      // the keyboard left for update mode and is plugged in again
  AbortsAtMiddleBlock,       // close box, then ABORT
  ContinuesAtMiddleBlock,    // close box, then Continue
  ClosesQuestionThenGoesOn,  // close box on the progress page and on the question, then Continue
  AbortsWhenStuck,           // nothing moves for a while: close box, then ABORT
  ClosesEndPage,             // the success or failure page by its close box
};

struct Row {
  std::string fault;
  Faults faults{};
  User user = User::Watches;
  Page expected = Page::Failure;
  EvarixSim::KeyboardConfig keyboard = kKeyboard;
};

// Names the row in test output instead of dumping its bytes.
void PrintTo(const Row& row, std::ostream* out) {
  *out << row.fault;
}

struct Outcome {
  Page shown = Page::None;
  int messagesSent = 0;
};

// The rig with the update flow of the main window above it.
class FlowRig : public Rig {
 public:
  using Rig::Rig;

  // Runs the main window through one update as the user of the row does, on a fresh fake view.
  Outcome Update(const Row& row, const Blocks& blocks) {
    FakeViewSystem view;
    EvarixApp::CEvarixFirmwareUpdaterDlg::mainTextWritten = false;
    EvarixApp::CEvarixFirmwareUpdaterDlg dialog;
    dialog.loader = loader_;
    Outcome outcome;
    dialog.sendUpdateDone = [&outcome](const char*) {
      ++outcome.messagesSent;
      return 0;
    };
    view.OnRun(Template::kMain, [&](Window& main) {
      main.Wait(200);
      if (row.user == User::PullsCableBeforeUpdate) bus_.Unplug(keyboard_);
      main.Click("ButtonOK");
      if (!main.ended) main.Click("ButtonCancel");
    });
    view.OnRun(Template::kConfirmation, [](Window& page) { page.Click("ButtonOK"); });
    view.OnRun(Template::kDriverNotice, [](Window& page) { page.Click("ButtonOK"); });
    view.OnRun(Template::kProgress, [&](Window& page) { WatchProgress(view, page, row, blocks); });
    const auto endPage = [&](Page page, const char* button) {
      return [&outcome, &row, page, button](Window& window) {
        outcome.shown = page;
        if (row.user == User::ClosesEndPage) {
          window.CloseBox();
        } else {
          window.Click(button);
        }
      };
    };
    view.OnRun(Template::kFailure, endPage(Page::Failure, "ButtonQuit"));
    view.OnRun(Template::kSuccess, endPage(Page::Success, "ButtonOK"));
    dialog.DoModal();
    return outcome;
  }

 private:
  // The progress page's modal run: the user acts, then the page stays until the loader ends, in
  // real time, as the page's timer would see it.
  void WatchProgress(FakeViewSystem& view, Window& page, const Row& row, const Blocks& blocks) {
    const auto reached = [&](uint16_t block) {
      return WaitFor([&] { return Ended() || HighestBlockReceived(keyboard_) >= block; });
    };
    switch (row.user) {
      case User::ReplugsWhileAwaiting:
        WaitFor([&] { return !bus_.AppearanceOf(keyboard_); });
        bus_.Replug(keyboard_);
        break;
      case User::AbortsAtMiddleBlock:
        reached(blocks.middle);
        Answer(view, page, {"ButtonCancel"});
        break;
      case User::ContinuesAtMiddleBlock:
        reached(blocks.middle);
        Answer(view, page, {"ButtonOK"});
        break;
      case User::ClosesQuestionThenGoesOn:
        reached(blocks.middle);
        Answer(view, page, {"", "ButtonOK"});
        break;
      case User::AbortsWhenStuck:
        WaitFor([&] { return Ended(); }, 2s);
        if (!Ended()) Answer(view, page, {"ButtonCancel"});
        break;
      default:
        break;
    }
    EXPECT_TRUE(WaitFor([&] { return Ended(); })) << "the update never ended";
  }

  // Closes the progress page by its close box and gives the question these answers in turn, an
  // empty one being its close box.
  static void Answer(FakeViewSystem& view, Window& progress, std::vector<std::string> answers) {
    view.OnRun(Template::kCancellation, [answers](Window& question) {
      for (const std::string& answer : answers) {
        if (answer.empty()) {
          question.CloseBox();
          EXPECT_FALSE(question.ended) << "closing the question answered it";
        } else {
          question.Click(answer);
        }
      }
    });
    progress.CloseBox();
  }
};

struct RowResult {
  Outcome outcome;
  std::string after;
  Page retry = Page::None;  // the retry's last page; none when none was needed or possible
  bool recovered = false;
  size_t standardRequestsWhileBusy = 0;
};

RowResult RunRow(const Row& row, const Blocks& blocks) {
  FlowRig rig(row.keyboard);
  RowResult result;
  EXPECT_TRUE(rig.Offers()) << "the keyboard was not found";
  rig.Keyboard().SetFaults(row.faults);
  result.outcome = rig.Update(row, blocks);
  // The fake view's time runs ahead of the keyboard's: let a reset that follows a success finish.
  WaitFor([&] { return IsUpdated(rig.Bus(), rig.Keyboard()); }, 1s);
  result.after = KeyboardState(rig.Bus(), rig.Keyboard());

  // The fault goes away as the confirmation page tells the user to make it go: the keyboard
  // turned off and on again, healthy, and the updater run again.
  rig.Keyboard().SetFaults({});
  if (!IsUpdated(rig.Bus(), rig.Keyboard())) {
    rig.PowerCycle();
    // A keyboard that had manifested its new firmware runs it now; any other needs the update.
    if (!IsUpdated(rig.Bus(), rig.Keyboard()) && rig.Offers()) {
      result.retry = rig.Update({.fault = "retry"}, blocks).shown;
      WaitFor([&] { return IsUpdated(rig.Bus(), rig.Keyboard()); }, 1s);
    }
  }
  result.recovered = IsUpdated(rig.Bus(), rig.Keyboard());
  result.standardRequestsWhileBusy = rig.Keyboard().StandardRequestsWhileBusy();
  return result;
}

std::vector<Row> Matrix() {
  const Blocks& blocks = kBlocks;
  const EvarixSim::KeyboardConfig tolerant{.firmwareVersion = kOldFirmware,
                                           .transferSize = 1024,
                                           .pollTimeoutMs = 0,
                                           .manifestationTolerant = true};
  std::vector<Row> rows = {
      {"no fault", {}, User::Watches, Page::Success},
      {"unplugged before the detach", {}, User::PullsCableBeforeUpdate},
      {"unplugged while awaiting update mode",
       {.detachOutcome = EvarixSim::DetachOutcome::Gone},
       User::ReplugsWhileAwaiting},
      {"unplugged at the first block", {.unplugAtBlock = blocks.first}},
      {"unplugged at a middle block", {.unplugAtBlock = blocks.middle}},
      {"unplugged at the last block", {.unplugAtBlock = blocks.last}},
      {"unplugged after the end-of-download marker", {.unplugAfterEndOfDownload = true}},
      {"unplugged during manifestation", {.unplugInManifestation = true}},
      {"dfuERROR at the start of update mode",
       {.errorAtUpdateModeStart = true},
       User::Watches,
       Page::Success},
      // DFU 1.1 lets a keyboard that wrote a block at once skip dfuDNBUSY.
      {"a block never reports dfuDNBUSY",
       {.neverBusyAtBlock = blocks.middle},
       User::Watches,
       Page::Success},
      {"dfuDNBUSY for ever", {.busyForever = true}, User::AbortsWhenStuck},
      {"back from the detach in application mode",
       {.detachOutcome = EvarixSim::DetachOutcome::ApplicationMode}},
      {"never back from the detach (ABORT)",
       {.detachOutcome = EvarixSim::DetachOutcome::Gone},
       User::AbortsWhenStuck},
      {"failing detach", {.failFirst = RequestKind::Detach}},
      {"failing download", {.failFirst = RequestKind::Download}},
      {"failing get-status", {.failFirst = RequestKind::GetStatus}},
      {"failing clear-status",
       {.errorAtUpdateModeStart = true, .failFirst = RequestKind::ClearStatus}},
      // The firmware is in and manifested; only the restart into it failed.
      {"failing reset", {.failReset = true}, User::Watches, Page::Success},
      // The host knows the keyboard's descriptors already; only its enumeration in update mode
      // reads them, and fails, so it never comes back from the detach.
      {"failing descriptor reads", {.failDescriptorReads = true}, User::AbortsWhenStuck},
      // The keyboard in update mode is read again a moment later, and then answers.
      {"info text unreadable once", {.infoTextReadsToFail = 1}, User::Watches, Page::Success},
      {"failing abort", {.failFirst = RequestKind::Abort}, User::AbortsAtMiddleBlock},
      {"ABORT at a middle block", {}, User::AbortsAtMiddleBlock},
      {"Continue on the abort page", {}, User::ContinuesAtMiddleBlock, Page::Success},
      {"close box on progress and question", {}, User::ClosesQuestionThenGoesOn, Page::Success},
      {"close box on the success page", {}, User::ClosesEndPage, Page::Success},
      {"close box on the failure page", {.failFirst = RequestKind::Detach}, User::ClosesEndPage},
  };
  // Keyboards that follow DFU 1.1 in ways the healthy one does not.
  const auto keyboard = [](auto change) {
    EvarixSim::KeyboardConfig config = kKeyboard;
    change(config);
    return config;
  };
  const std::pair<const char*, EvarixSim::KeyboardConfig> behaviours[] = {
      {"every block written at once", keyboard([](auto& k) { k.finishesBlocksAtOnce = true; })},
      {"strict about its poll time-outs, manifestation's too", keyboard([](auto& k) {
         k.pollTimeoutMs = 2;
         k.manifestationPollTimeoutMs = 100;
         k.strictPollTimeout = true;
       })},
      {"dfuMANIFEST while it manifests", keyboard([](auto& k) {
         k.manifestationPollTimeoutMs = 100;
         k.reportsManifest = true;
       })},
      {"no bitWillDetach", keyboard([](auto& k) { k.willDetach = false; })},
  };
  for (const auto& [behaviour, config] : behaviours) {
    rows.push_back({behaviour, {}, User::Watches, Page::Success, config});
  }
  // Still manifesting, it is asked again and then answers dfuMANIFEST_WAIT_RESET.
  rows.push_back({"state 7 after the marker",
                  {.stateAfterEndOfDownload = DfuState::dfuMANIFEST},
                  User::Watches,
                  Page::Success});
  for (const DfuState state : {DfuState::dfuIDLE, DfuState::dfuDNLOAD_IDLE, DfuState::dfuERROR}) {
    rows.push_back({"state " + std::to_string(static_cast<int>(state)) + " after the marker",
                    {.stateAfterEndOfDownload = state}});
  }
  for (const DfuState state :
       {DfuState::dfuMANIFEST_SYNC, DfuState::dfuDNLOAD_IDLE, DfuState::dfuERROR}) {
    rows.push_back({"state " + std::to_string(static_cast<int>(state)) + " after manifestation",
                    {.stateAfterManifestation = state},
                    User::Watches,
                    Page::Failure,
                    tolerant});
  }
  return rows;
}

class FaultMatrix : public testing::TestWithParam<Row> {
 protected:
  void SetUp() override {
    if (!EvarixSim::Preload::IsActive()) GTEST_SKIP() << EvarixSim::Preload::WhyInactive();
  }
};

// Each row prints its line of the matrix; run the program by hand to see the whole table.
TEST_P(FaultMatrix, ShowsItsPageAndTheKeyboardRecovers) {
  const Row& row = GetParam();
  const RowResult result = RunRow(row, kBlocks);
  std::printf("| %s | %s | %s | %s%s%s |\n", row.fault.c_str(), NameOf(result.outcome.shown),
              result.after.c_str(), result.recovered ? "yes" : "no",
              result.retry != Page::None ? ", retry: " : "",
              result.retry != Page::None ? NameOf(result.retry) : "");
  std::fflush(stdout);
  EXPECT_EQ(NameOf(result.outcome.shown), std::string(NameOf(row.expected)));
  EXPECT_TRUE(result.recovered);
  const bool told = result.outcome.shown == Page::Success && row.user != User::ClosesEndPage;
  EXPECT_EQ(result.outcome.messagesSent, told ? 1 : 0);
  EXPECT_EQ(result.standardRequestsWhileBusy, 0u) << "the keyboard was disturbed writing its flash";
}

std::string TestName(const testing::TestParamInfo<Row>& info) {
  std::string name;
  bool upper = true;
  for (const char c : info.param.fault) {
    if (std::isalnum(static_cast<unsigned char>(c))) {
      name += upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
      upper = false;
    } else {
      upper = true;
    }
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultMatrix, testing::ValuesIn(Matrix()), TestName);

}  // namespace
