#pragma once

#include <windows.h>

#include <string>

#include "app/view/PageDialogHost.h"
#include "platform/windows/view/WindowTimers.h"

namespace EvarixView::Windows {

// The system's own message box, MB_OK, with its logic attached: a hook on this thread catches
// the box as it is made, so that its timers, its OK button and every way of dismissing it (the
// button, Return, Escape, the close box) go to the logic, which may swallow them.
class WinMessageBox final : public IMessageBoxHost {
 public:
  // owner may be null; MessageBoxW disables it while the box runs.
  WinMessageBox(std::wstring text, std::wstring caption, IMessageBoxEvents& events, HWND owner);
  ~WinMessageBox() override;
  WinMessageBox(const WinMessageBox&) = delete;
  WinMessageBox& operator=(const WinMessageBox&) = delete;

  void RunModal() override;
  void Close() override;
  void SetCaption(const std::wstring& caption) override;
  void EnableOk(bool enabled) override;
  void FocusOk() override;
  void SetTimer(unsigned timerId, unsigned periodMs) override;
  void KillTimer(unsigned timerId) override;

  // For tests and tools: the box while it runs, else null.
  HWND Window() const { return box_; }
  // The box's one button: an MB_OK box's button has IDCANCEL on some systems and IDOK on others.
  HWND OkButton() const;

 private:
  static LRESULT CALLBACK OnHook(int code, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK BoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                  UINT_PTR subclassId, DWORD_PTR self);
  void Attach(HWND box);

  std::wstring text_;
  std::wstring caption_;
  IMessageBoxEvents& events_;
  HWND owner_;
  HHOOK hook_ = nullptr;
  HWND box_ = nullptr;
  bool closing_ = false;
  WindowTimers timers_;
};

}  // namespace EvarixView::Windows
