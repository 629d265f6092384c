#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/ResourceIds.h"
#include "app/view/PageDialogHost.h"

// What the programs that show the dialogs outside the updater share on every platform: the logic
// of a dialog that is only shown, and each dialog in the state a user meets it in.
namespace EvarixPageTools {

// The logic of a dialog that is only shown: it answers nothing.
class QuietEvents : public EvarixView::IPageDialogEvents {
 public:
  void OnInitDialog() override {}
  void OnDocumentComplete() override {}
  void OnElementClicked(const std::string&) override {}
  void OnTimer(unsigned) override {}
  void OnSystemCommand(EvarixView::SystemCommand) override {}
};

struct Shot {
  int templateId;
  int pageId;
  const char* name;
  // Puts the dialog into the state a user sees it in, with the calls the logic makes.
  std::function<void(EvarixView::IPageDialogHost&)> prepare;
};

// Every dialog, the main one first; the count-down box follows them, over the main one.
inline std::vector<Shot> DialogShots() {
  return {
      {102, 129, "129-main",
       [](EvarixView::IPageDialogHost& host) {
         host.SetTitle(L"Corvane Evarix 25 Firmware Updater (FW v1.2)");
         host.SetIcon(EvarixApp::kAppIcon);
         host.SetPicture(EvarixApp::kKeyboardPictureControl, EvarixApp::kKeyboardBitmap);
         host.SetInnerText("MainText",
                           L"This application updates the firmware for Evarix 25 "
                           L"MIDI controller keyboards.");
         host.SetInnerText("TextArea",
                           L"An Evarix 25 is connected.\r\nAn update is available. "
                           L"Ready to update. Click Update to proceed.");
       }},
      {103, 146, "146-confirmation", nullptr},
      {112, 113, "113-driver-notice", nullptr},
      {106, 107, "107-progress",
       [](EvarixView::IPageDialogHost& host) {
         host.SetProgress(EvarixApp::kProgressBarControl, 35);
         host.SetInnerText("TimeLeft", L"about 7 minutes.");
       }},
      {114, 115, "115-abort", nullptr},
      {110, 111, "111-failure", nullptr},
      {108, 109, "109-success",
       [](EvarixView::IPageDialogHost& host) {
         host.SetInnerText("ResultText",
                           L"The update was successful. New firmware was "
                           L"installed on your Evarix 25.");
       }},
      {100, 0, "100-about", nullptr},
  };
}

constexpr const wchar_t* kCountDownText = L"Waiting for enum...";
constexpr const wchar_t* kCountDownCaption = L"2 seconds remaining";

}  // namespace EvarixPageTools
