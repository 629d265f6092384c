#include "app/EvarixFirmwareUpdaterDlg.h"

#include <vector>

#include "app/DelayMessageBox2.h"
#include "app/FirmwareUpdaterProgressDlg.h"
#include "app/ResourceIds.h"
#include "app/SendUpdateDoneMessage.h"
#include "app/StatusSentence.h"
#include "engine/ILoader.h"

namespace EvarixApp {

using CVFirmwareLoader::FirmwareCheck;
using CVFirmwareLoader::UpdateStatus;
using EvarixView::SystemCommand;

bool CEvarixFirmwareUpdaterDlg::mainTextWritten = false;

CEvarixFirmwareUpdaterDlg::CEvarixFirmwareUpdaterDlg()
    : PageDialog(Template::kMain, Page::kMain), sendUpdateDone(SendUpdateDoneMessage) {
  OnClick("ButtonOK", [this] { OnUpdateClicked(); });
  OnClick("ButtonCancel", [this] { OnCancel(); });
}

void CEvarixFirmwareUpdaterDlg::OnInitDialog() {
  PageDialog::OnInitDialog();
  Host()->SetTitle(L"Corvane Evarix 25 Firmware Updater " + FirmwareLabel);
  Host()->SetPicture(kKeyboardPictureControl, kKeyboardBitmap);
  SetTimer(kStatusTimerId, kStatusTickMs);
}

void CEvarixFirmwareUpdaterDlg::OnTimer(unsigned) {
  OnStatusTimer();
}

void CEvarixFirmwareUpdaterDlg::OnSystemCommand(SystemCommand command) {
  if (command == SystemCommand::About) {
    CAboutDlg(this).DoModal();
  } else {
    PageDialog::OnSystemCommand(command);
  }
}

std::optional<int> CEvarixFirmwareUpdaterDlg::ReadFirmwareCheck() {
  if (loader == nullptr) return static_cast<int>(FirmwareCheck::NotReady);
  // The loader's lock can be abandoned by another copy of the program that was killed; the next
  // tick asks again.
  try {
    return loader->CheckFirmware();
  } catch (...) {
    return std::nullopt;
  }
}

void CEvarixFirmwareUpdaterDlg::OnStatusTimer() {
  const std::optional<int> check = ReadFirmwareCheck();
  // Writes to a page still loading would be lost to its defaults, so such a tick must not count
  // as painted: the next one paints.
  if (!check || !IsPageLoaded()) return;
  if (!mainTextWritten) {
    SetElementText("MainText", IntroductoryLine());
    mainTextWritten = true;
  }
  if (*check != paintedCheck) Paint(*check);
}

void CEvarixFirmwareUpdaterDlg::Paint(int check) {
  if (UpdateAllowed(check)) {
    RemoveElementAttribute("ButtonOK", "disabled");
  } else {
    SetElementAttribute("ButtonOK", "disabled", L"disabled");
  }
  SetElementText("TextArea", StatusSentence(check));
  paintedCheck = check;
}

void CEvarixFirmwareUpdaterDlg::OnUpdateClicked() {
  // Without a loader the first tick disables Update; a click that comes before it must not start
  // a flow that has nothing to update with.
  if (loader == nullptr) return;
  ShowWindow(false);
  if (FirmwareUpdaterConfirmationDlg(this).DoModal() != EvarixView::kResultOk) {
    ShowWindow(true);
    return;
  }
  FirmwareUpdaterDriverDlg(this).DoModal();
  if (RunUpdate() == static_cast<int>(UpdateStatus::Succeeded)) {
    ConcludeSuccess();
  } else {
    ConcludeFailure();
  }
}

bool CEvarixFirmwareUpdaterDlg::StartUpdate() {
  try {
    const std::vector<std::wstring> versions = loader->GetImageVersions();
    return !versions.empty() && loader->StartUpdate(versions.front()) == 0;
  } catch (...) {
    return false;
  }
}

int CEvarixFirmwareUpdaterDlg::RunUpdate() {
  int progressResult = static_cast<int>(UpdateStatus::Failed);
  if (StartUpdate()) FirmwareUpdaterProgressDlg(loader, &progressResult, this).DoModal();
  return progressResult;
}

void CEvarixFirmwareUpdaterDlg::ConcludeSuccess() {
  // The keyboard restarts with its new firmware; give it time to come back before telling it.
  CDelayMessageBox2 settling(Host(), kSettleSeconds, true);
  settling.MessageBox(L"Waiting for enum...");
  FirmwareUpdaterSuccessDlg(this, sendUpdateDone).DoModal();
  PostQuitMessage();
}

void CEvarixFirmwareUpdaterDlg::ConcludeFailure() {
  if (FirmwareUpdaterFailureDlg(this).DoModal() == EvarixView::kResultOk) {
    ShowWindow(true);
  } else {
    PostQuitMessage();
  }
}

}  // namespace EvarixApp
