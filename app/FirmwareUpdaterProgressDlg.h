#pragma once

#include <string>

#include "app/PageDialog.h"

namespace CVFirmwareLoader {
class ILoader;
}

namespace EvarixApp {

// The time-left sentence for an estimate in seconds.
std::wstring TimeLeftText(int secondsLeft);

// Shown while the download runs: follows the loader five times a second, and ends once the loader
// no longer reports the update running, leaving the final status in *result. Its close box asks
// whether to abort; after an abort the bar and the time text stay as they were until the end.
class FirmwareUpdaterProgressDlg : public PageDialog {
 public:
  FirmwareUpdaterProgressDlg(CVFirmwareLoader::ILoader* updatingLoader, int* updateResult,
                             PageDialog* owner);

  CVFirmwareLoader::ILoader* loader;
  int* result;
  bool userAborted = false;

  static constexpr unsigned kTimerId = 1;
  static constexpr unsigned kTickMs = 200;

 protected:
  void OnInitDialog() override;
  void OnTimer(unsigned timerId) override;
  void OnSystemCommand(EvarixView::SystemCommand command) override;

 private:
  void Finish(int status);
};

}  // namespace EvarixApp
