#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>

#include "app/view/PageDialogHost.h"
#include "platform/windows/view/WinPageDialog.h"
#include "platform/windows/view/WinViewSystem.h"
#include "support/ViewEvents.h"
#include "tools/windows/page-tools/PageTools.h"

// The Windows dialogs run for real under Wine, on its null graphics driver: windows, messages and
// timers as Windows has them, with nothing to look at.
namespace EvarixView::Windows::Testing {

using EvarixView::Testing::RecordingEvents;
using EvarixView::Testing::SwallowingEvents;

inline std::wstring WindowText(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return text;
}

class ViewTest : public ::testing::Test {
 protected:
  std::unique_ptr<WinPageDialog> MakeDialog(int templateId, int pageId, IPageDialogEvents& events,
                                            IPageDialogHost* owner = nullptr) {
    auto host = views_.CreatePageDialog(templateId, pageId, events, owner);
    return std::unique_ptr<WinPageDialog>(static_cast<WinPageDialog*>(host.release()));
  }

  // Runs a fresh dialog modally until its page has loaded, then ends that run.
  std::unique_ptr<WinPageDialog> LoadedDialog(int templateId, int pageId, RecordingEvents& events) {
    auto dialog = MakeDialog(templateId, pageId, events);
    WinPageDialog* raw = dialog.get();
    events.onEvent = [raw](const std::string& event) {
      if (event == "complete") raw->EndDialog(kResultOk);
      if (event == "timer:999") raw->EndDialog(-1);
    };
    dialog->SetTimer(999, 10000);
    EXPECT_EQ(dialog->RunModal(), kResultOk) << "the page did not report that it had loaded";
    events.onEvent = nullptr;
    return dialog;
  }

  WinViewSystem views_;
};

}  // namespace EvarixView::Windows::Testing
