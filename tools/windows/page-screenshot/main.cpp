// Shows each dialog in turn in the state a user meets it in, and saves a picture of each window
// as a bitmap file, to look the pages over after a change:
//
//   evarix-page-screenshot [folder]      (default evarix-pages)
//
// The windows must be drawn somewhere to be pictured: run it under Wine's X11 driver, on Xvfb
// if there is no display (scripts/windows-page-screenshots does, and makes PNG files of them).

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/windows/view/WinMessageBox.h"
#include "platform/windows/view/WinPageDialog.h"
#include "platform/windows/view/WinViewSystem.h"
#include "tools/page-tools/DialogShots.h"
#include "tools/windows/page-tools/PageTools.h"

namespace {

using EvarixView::Windows::WinMessageBox;
using EvarixView::Windows::WinPageDialog;
using EvarixView::Windows::WinViewSystem;

// The window as the screen shows it, frame included, once it has drawn itself.
bool Shoot(HWND window, const std::filesystem::path& file) {
  UpdateWindow(window);
  EvarixPageTools::Pump(std::chrono::milliseconds(700));
  RECT frame{};
  GetWindowRect(window, &frame);
  HDC screen = GetWindowDC(window);
  const bool saved = EvarixPageTools::SavePicture(
      screen, RECT{0, 0, frame.right - frame.left, frame.bottom - frame.top}, file);
  ReleaseDC(window, screen);
  if (saved) std::printf("%s\n", file.string().c_str());
  return saved;
}

// A count-down box, held where it is while it is pictured.
class CountDownShot : public EvarixView::IMessageBoxEvents {
 public:
  explicit CountDownShot(std::filesystem::path file) : file_(std::move(file)) {}
  void OnInitDialog() override {
    box->EnableOk(false);
    box->SetTimer(1, 100);
  }
  void OnTimer(unsigned) override {
    box->KillTimer(1);
    saved = Shoot(box->Window(), file_);
    box->Close();
  }
  bool OnCommand() override { return true; }

  WinMessageBox* box = nullptr;
  bool saved = false;

 private:
  std::filesystem::path file_;
};

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path folder = argc > 1 ? argv[1] : "evarix-pages";
  std::filesystem::create_directories(folder);
  WinViewSystem views;
  EvarixPageTools::QuietEvents events;

  int failures = 0;
  // The main dialog stays open throughout, as in the program: the count-down box is its.
  std::vector<std::unique_ptr<EvarixView::IPageDialogHost>> open;
  for (const EvarixPageTools::Shot& shot : EvarixPageTools::DialogShots()) {
    auto& host =
        open.emplace_back(views.CreatePageDialog(shot.templateId, shot.pageId, events, nullptr));
    auto* dialog = static_cast<WinPageDialog*>(host.get());
    if (shot.pageId != 0 && !EvarixPageTools::RunUntil([&] { return dialog->IsPageLoaded(); },
                                                       std::chrono::seconds(10))) {
      std::fprintf(stderr, "%s: the page did not load\n", shot.name);
      ++failures;
      continue;
    }
    if (shot.prepare) shot.prepare(*host);
    host->Show(true);
    if (!Shoot(dialog->Window(), folder / (std::string(shot.name) + ".bmp"))) ++failures;
    host->Show(false);
  }

  CountDownShot countDown(folder / "countdown.bmp");
  auto box =
      views.CreateMessageBox(EvarixPageTools::kCountDownText, EvarixPageTools::kCountDownCaption,
                             countDown, open.front().get());
  countDown.box = static_cast<WinMessageBox*>(box.get());
  box->RunModal();
  if (!countDown.saved) ++failures;
  return failures == 0 ? 0 : 1;
}
