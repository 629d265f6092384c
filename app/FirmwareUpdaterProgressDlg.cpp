#include "app/FirmwareUpdaterProgressDlg.h"

#include <cwchar>
#include <iterator>

#include "app/FirmwareUpdaterDialogs.h"
#include "app/ResourceIds.h"
#include "engine/ILoader.h"

namespace EvarixApp {

using CVFirmwareLoader::UpdateStatus;
using EvarixView::SystemCommand;

namespace {

constexpr int kSecondsPerMinute = 60;

}  // namespace

std::wstring TimeLeftText(int secondsLeft) {
  if (secondsLeft < kSecondsPerMinute) return L"less than 1 minute.";
  if (secondsLeft < 2 * kSecondsPerMinute) return L"about 1 minute.";
  wchar_t text[64];
  std::swprintf(text, std::size(text), L"about %d minutes.", secondsLeft / kSecondsPerMinute);
  return text;
}

FirmwareUpdaterProgressDlg::FirmwareUpdaterProgressDlg(CVFirmwareLoader::ILoader* updatingLoader,
                                                       int* updateResult, PageDialog* owner)
    : PageDialog(Template::kProgress, Page::kProgress, owner),
      loader(updatingLoader),
      result(updateResult) {}

void FirmwareUpdaterProgressDlg::OnInitDialog() {
  PageDialog::OnInitDialog();
  SetTimer(kTimerId, kTickMs);
}

void FirmwareUpdaterProgressDlg::OnTimer(unsigned) {
  if (loader == nullptr) {
    KillTimer(kTimerId);
    EndDialog(kResultEnded);
    return;
  }
  int percent = 0;
  int secondsLeft = 0;
  int status = 0;
  try {
    status = loader->GetProgress(percent, secondsLeft);
  } catch (...) {
    return;  // nothing trustworthy to show; the next tick asks again
  }
  if (!userAborted) {
    Host()->SetProgress(kProgressBarControl, percent);
    SetElementText("TimeLeft", TimeLeftText(secondsLeft));
  }
  if (status != static_cast<int>(UpdateStatus::Running)) Finish(status);
}

void FirmwareUpdaterProgressDlg::Finish(int status) {
  if (result != nullptr) *result = status;
  KillTimer(kTimerId);
  EndDialog(kResultEnded);
}

void FirmwareUpdaterProgressDlg::OnSystemCommand(SystemCommand command) {
  if (command != SystemCommand::Close) {
    PageDialog::OnSystemCommand(command);
    return;
  }
  // The page stays until the loader reports the end, which an abort brings about.
  FirmwareUpdaterCancelDlg question(loader, this);
  if (question.DoModal() == EvarixView::kResultCancel) userAborted = true;
}

}  // namespace EvarixApp
