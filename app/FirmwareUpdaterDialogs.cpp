#include "app/FirmwareUpdaterDialogs.h"

#include <string>
#include <utility>

#include "app/ResourceIds.h"
#include "app/StatusSentence.h"
#include "engine/ILoader.h"

namespace EvarixApp {

using EvarixView::SystemCommand;

FirmwareUpdaterConfirmationDlg::FirmwareUpdaterConfirmationDlg(PageDialog* owner)
    : PageDialog(Template::kConfirmation, Page::kConfirmation, owner) {
  OnClick("ButtonOK", [this] { OnOK(); });
  OnClick("ButtonCancel", [this] { OnCancel(); });
}

FirmwareUpdaterDriverDlg::FirmwareUpdaterDriverDlg(PageDialog* owner)
    : PageDialog(Template::kDriverNotice, Page::kDriverNotice, owner) {
  // Proceed is OK followed by an end with 0; only the last counts, and nobody reads it.
  OnClick("ButtonOK", [this] { EndDialog(kResultEnded); });
}

FirmwareUpdaterCancelDlg::FirmwareUpdaterCancelDlg(CVFirmwareLoader::ILoader* abortedLoader,
                                                   PageDialog* owner)
    : PageDialog(Template::kCancellation, Page::kCancellation, owner), loader(abortedLoader) {
  OnClick("ButtonOK", [this] { OnOK(); });
  OnClick("ButtonCancel", [this] { OnAbort(); });
}

void FirmwareUpdaterCancelDlg::OnSystemCommand(SystemCommand command) {
  // Closing the question must not be mistaken for either answer.
  if (command != SystemCommand::Close) PageDialog::OnSystemCommand(command);
}

void FirmwareUpdaterCancelDlg::OnAbort() {
  OnCancel();
  if (loader == nullptr) return;
  // A download that has already ended cannot be aborted, and the progress page learns the outcome
  // from the loader either way; a failure here, thrown or returned, changes nothing.
  try {
    loader->AbortUpdate();
  } catch (...) {
  }
}

FirmwareUpdaterFailureDlg::FirmwareUpdaterFailureDlg(PageDialog* owner)
    : PageDialog(Template::kFailure, Page::kFailure, owner) {
  showsAppIcon = false;
  OnClick("ButtonRetry", [this] { OnOK(); });
  OnClick("ButtonQuit", [this] { OnCancel(); });
}

FirmwareUpdaterSuccessDlg::FirmwareUpdaterSuccessDlg(PageDialog* owner,
                                                     UpdateDoneSender sendUpdateDone)
    : PageDialog(Template::kSuccess, Page::kSuccess, owner),
      sendUpdateDone_(std::move(sendUpdateDone)) {
  OnClick("ButtonOK", [this] { OnQuit(); });
}

void FirmwareUpdaterSuccessDlg::OnDocumentComplete() {
  // The page's own sentence names only the product line.
  SetElementText("ResultText",
                 std::wstring(L"The update was successful. New firmware was installed on your ") +
                     kModelName + L".");
}

void FirmwareUpdaterSuccessDlg::OnQuit() {
  // The program ends right after this dialog, so a failure to send has nobody left to tell; the
  // sender has written its own line.
  if (sendUpdateDone_) sendUpdateDone_(kControlPortName);
  EndDialog(kResultEnded);
}

CAboutDlg::CAboutDlg(PageDialog* owner) : PageDialog(Template::kAbout, Page::kNone, owner) {
  showsAppIcon = false;
}

}  // namespace EvarixApp
