#pragma once

#include <memory>
#include <string>

#include "app/view/PageDialogHost.h"

namespace EvarixApp {

// A message box that cannot be dismissed for a few seconds: its caption counts the seconds down
// ("%d seconds remaining"), its OK button stays disabled and every press is swallowed until the
// count reaches 0; then it closes itself when closeAtZero is set.
class CDelayMessageBox2 : private EvarixView::IMessageBoxEvents {
 public:
  CDelayMessageBox2(EvarixView::IPageDialogHost* ownerWindow, int seconds, bool closeWhenDone);
  ~CDelayMessageBox2() override;
  CDelayMessageBox2(const CDelayMessageBox2&) = delete;
  CDelayMessageBox2& operator=(const CDelayMessageBox2&) = delete;

  // Shows the box and returns once it has closed.
  void MessageBox(const std::wstring& text);

  int countdownSeconds;
  bool closeAtZero;
  EvarixView::IPageDialogHost* owner;

  static constexpr unsigned kTimerId = 100;
  static constexpr unsigned kTickMs = 1000;

  // The caption for a number of seconds still to count.
  static std::wstring Caption(int seconds);

 private:
  void OnInitDialog() override;
  void OnTimer(unsigned timerId) override;
  bool OnCommand() override;

  std::unique_ptr<EvarixView::IMessageBoxHost> host_;
};

}  // namespace EvarixApp
