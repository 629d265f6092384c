#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/windows/view/WinMessageBox.h"
#include "view/ViewTestSupport.h"

namespace EvarixView::Windows::Testing {
namespace {

TEST_F(ViewTest, TheCountDownBoxSwallowsEveryDismissalWhileTheLogicSaysSo) {
  RecordingEvents ownerEvents;
  auto owner = LoadedDialog(102, 129, ownerEvents);
  owner->Show(true);
  SwallowingEvents events;
  auto host =
      views_.CreateMessageBox(L"Waiting for enum...", L"3 seconds remaining", events, owner.get());
  auto* box = static_cast<WinMessageBox*>(host.get());
  std::vector<bool> stillShown;
  bool ownerBlocked = false;

  events.onInit = [&] {
    host->EnableOk(false);
    host->SetTimer(100, 30);
  };
  int tick = 0;
  events.onTimer = [&] {
    HWND window = box->Window();
    stillShown.push_back(IsWindowVisible(window) != FALSE);
    switch (++tick) {
      case 1:
        ownerBlocked = !IsWindowEnabled(owner->Window());
        EXPECT_FALSE(IsWindowEnabled(box->OkButton()));
        PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
      case 2:
        PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
        break;
      case 3:
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(box->OkButton()), BN_CLICKED),
                     reinterpret_cast<LPARAM>(box->OkButton()));
        break;
      case 4:
        host->SetCaption(L"0 seconds remaining");
        EXPECT_EQ(WindowText(window), L"0 seconds remaining");
        events.swallow = false;
        host->EnableOk(true);
        host->FocusOk();
        EXPECT_TRUE(IsWindowEnabled(box->OkButton()));
        EXPECT_EQ(GetFocus(), box->OkButton());
        PostMessageW(box->OkButton(), BM_CLICK, 0, 0);
        break;
      default:
        host->Close();  // only if the click above did not close it
        break;
    }
  };
  host->RunModal();

  EXPECT_EQ(events.log,
            (std::vector<std::string>{"init", "timer:100", "swallowed", "timer:100", "swallowed",
                                      "timer:100", "swallowed", "timer:100", "command"}));
  EXPECT_EQ(stillShown, std::vector<bool>(4, true));
  EXPECT_TRUE(ownerBlocked);
  EXPECT_TRUE(IsWindowEnabled(owner->Window()));
}

TEST_F(ViewTest, TheLogicClosesTheCountDownBoxByItself) {
  SwallowingEvents events;
  auto host =
      views_.CreateMessageBox(L"Waiting for enum...", L"1 seconds remaining", events, nullptr);
  events.onInit = [&] {
    host->EnableOk(false);
    host->SetTimer(100, 20);
  };
  events.onTimer = [&] { host->Close(); };
  host->RunModal();
  EXPECT_EQ(events.log, (std::vector<std::string>{"init", "timer:100"}));
}

}  // namespace
}  // namespace EvarixView::Windows::Testing
