#pragma once

#include <functional>

#include "app/PageDialog.h"

namespace CVFirmwareLoader {
class ILoader;
}

namespace EvarixApp {

// The keyboard's control-surface port, which the success page's Quit tells about the new firmware.
inline constexpr const char* kControlPortName = "Evarix 25 Quorvel";

// Sends the message after a successful update; SendUpdateDoneMessage unless a test says otherwise.
using UpdateDoneSender = std::function<int(const char* portName)>;

// "Are you sure?": OK goes on with the update, anything else returns to the main page.
class FirmwareUpdaterConfirmationDlg : public PageDialog {
 public:
  explicit FirmwareUpdaterConfirmationDlg(PageDialog* owner);
};

// The notice that the keyboard will be switched into update mode; however it ends, the update
// goes ahead.
class FirmwareUpdaterDriverDlg : public PageDialog {
 public:
  explicit FirmwareUpdaterDriverDlg(PageDialog* owner);
};

// The abort question over the progress page. ABORT ends it with Cancel and then stops the
// download; only its two buttons leave it.
class FirmwareUpdaterCancelDlg : public PageDialog {
 public:
  FirmwareUpdaterCancelDlg(CVFirmwareLoader::ILoader* loader, PageDialog* owner);

  CVFirmwareLoader::ILoader* loader;

 protected:
  void OnSystemCommand(EvarixView::SystemCommand command) override;

 private:
  void OnAbort();
};

// The update failed: Retry ends with OK, Quit and every other way out with Cancel.
class FirmwareUpdaterFailureDlg : public PageDialog {
 public:
  explicit FirmwareUpdaterFailureDlg(PageDialog* owner);
};

// The update succeeded. Its Quit button tells the keyboard before the dialog closes; its close box
// closes it without telling.
class FirmwareUpdaterSuccessDlg : public PageDialog {
 public:
  FirmwareUpdaterSuccessDlg(PageDialog* owner, UpdateDoneSender sendUpdateDone);

 protected:
  void OnDocumentComplete() override;

 private:
  void OnQuit();

  UpdateDoneSender sendUpdateDone_;
};

// The About box: a plain dialog without a page.
class CAboutDlg : public PageDialog {
 public:
  explicit CAboutDlg(PageDialog* owner);
};

}  // namespace EvarixApp
