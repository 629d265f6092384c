#pragma once

#include <optional>
#include <string>

#include "app/FirmwareUpdaterDialogs.h"
#include "app/PageDialog.h"

namespace CVFirmwareLoader {
class ILoader;
}

namespace EvarixApp {

// The firmware version the program carries, as the main window's title shows it.
extern const std::wstring FirmwareLabel;

// The main window: it shows what the loader says about the keyboard, polled five times a second,
// and runs the update flow when Update is pressed.
class CEvarixFirmwareUpdaterDlg : public PageDialog {
 public:
  CEvarixFirmwareUpdaterDlg();

  // Not owned; null when no loader could be made, and the dialog then reports an internal error.
  CVFirmwareLoader::ILoader* loader = nullptr;
  // The firmware-check value the page shows; kNeverPainted until the first painting.
  int paintedCheck = kNeverPainted;
  // Sends the message that ends a successful update.
  UpdateDoneSender sendUpdateDone;

  // Whether the introductory line has been written: once per process, not once per dialog.
  static bool mainTextWritten;

  static constexpr int kNeverPainted = -999;
  static constexpr unsigned kStatusTimerId = 1;
  static constexpr unsigned kStatusTickMs = 200;
  static constexpr int kSettleSeconds = 3;

  // Ends the dialog: at once while it runs, or as soon as its run starts.
  void PostQuitMessage() { EndDialog(kResultEnded); }

 protected:
  void OnInitDialog() override;
  void OnTimer(unsigned timerId) override;
  void OnSystemCommand(EvarixView::SystemCommand command) override;

 private:
  std::optional<int> ReadFirmwareCheck();
  void OnStatusTimer();
  void Paint(int check);

  void OnUpdateClicked();
  bool StartUpdate();
  int RunUpdate();
  void ConcludeSuccess();
  void ConcludeFailure();
};

}  // namespace EvarixApp
