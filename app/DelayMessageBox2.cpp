#include "app/DelayMessageBox2.h"

#include <cwchar>
#include <iterator>

namespace EvarixApp {

CDelayMessageBox2::CDelayMessageBox2(EvarixView::IPageDialogHost* ownerWindow, int seconds,
                                     bool closeWhenDone)
    : countdownSeconds(seconds), closeAtZero(closeWhenDone), owner(ownerWindow) {}

CDelayMessageBox2::~CDelayMessageBox2() = default;

std::wstring CDelayMessageBox2::Caption(int seconds) {
  wchar_t caption[64];
  std::swprintf(caption, std::size(caption), L"%d seconds remaining", seconds);
  return caption;
}

void CDelayMessageBox2::MessageBox(const std::wstring& text) {
  host_ = EvarixView::ViewSystem().CreateMessageBox(text, Caption(countdownSeconds), *this, owner);
  host_->RunModal();
  host_.reset();
}

void CDelayMessageBox2::OnInitDialog() {
  host_->EnableOk(false);
  host_->SetTimer(kTimerId, kTickMs);
}

void CDelayMessageBox2::OnTimer(unsigned timerId) {
  if (timerId != kTimerId) return;
  if (countdownSeconds > 0) {
    --countdownSeconds;
    host_->SetCaption(Caption(countdownSeconds));
  }
  if (countdownSeconds != 0) return;
  host_->EnableOk(true);
  host_->FocusOk();
  host_->KillTimer(kTimerId);
  if (closeAtZero) host_->Close();
}

bool CDelayMessageBox2::OnCommand() {
  return countdownSeconds > 0;
}

}  // namespace EvarixApp
