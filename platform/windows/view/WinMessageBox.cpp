#include "platform/windows/view/WinMessageBox.h"

#include <commctrl.h>

#include <array>
#include <string_view>
#include <utility>

namespace EvarixView::Windows {
namespace {

// The box being armed on this thread: the next dialog window made here is its.
thread_local WinMessageBox* tArming = nullptr;

constexpr UINT_PTR kSubclassId = 1;
constexpr std::wstring_view kDialogClass = L"#32770";

bool IsDialogWindow(HWND window) {
  std::array<wchar_t, 16> name{};
  const int length = GetClassNameW(window, name.data(), static_cast<int>(name.size()));
  return std::wstring_view(name.data(), static_cast<size_t>(length)) == kDialogClass;
}

}  // namespace

WinMessageBox::WinMessageBox(std::wstring text, std::wstring caption, IMessageBoxEvents& events,
                             HWND owner)
    : text_(std::move(text)), caption_(std::move(caption)), events_(events), owner_(owner) {}

WinMessageBox::~WinMessageBox() {
  if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
}

void WinMessageBox::RunModal() {
  tArming = this;
  hook_ = SetWindowsHookExW(WH_CBT, OnHook, nullptr, GetCurrentThreadId());
  MessageBoxW(owner_, text_.c_str(), caption_.c_str(), MB_OK);
  // Should the box never have been made, the hook goes now.
  if (hook_ != nullptr) UnhookWindowsHookEx(std::exchange(hook_, nullptr));
  tArming = nullptr;
  timers_.KillAll();
  timers_.SetWindow(nullptr);
  box_ = nullptr;
  closing_ = false;
}

LRESULT CALLBACK WinMessageBox::OnHook(int code, WPARAM wParam, LPARAM lParam) {
  WinMessageBox* box = tArming;
  if (code == HCBT_CREATEWND && box != nullptr && IsDialogWindow(reinterpret_cast<HWND>(wParam))) {
    tArming = nullptr;
    UnhookWindowsHookEx(std::exchange(box->hook_, nullptr));
    box->Attach(reinterpret_cast<HWND>(wParam));
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void WinMessageBox::Attach(HWND box) {
  box_ = box;
  timers_.SetWindow(box);
  SetWindowSubclass(box, BoxProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

LRESULT CALLBACK WinMessageBox::BoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<WinMessageBox*>(data);
  switch (message) {
    case WM_INITDIALOG: {
      const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
      self->events_.OnInitDialog();
      return result;
    }
    case WM_TIMER:
      if (!self->timers_.Owns(wParam)) break;
      self->events_.OnTimer(static_cast<unsigned>(wParam));
      return 0;
    case WM_COMMAND:
      // A button pressed, or its key: the logic may keep the box up.
      if (HIWORD(wParam) == 0 && !self->closing_ && self->events_.OnCommand()) return 0;
      break;
    case WM_CLOSE:
      // Closed by the logic: whatever state its button is in.
      if (!self->closing_) break;
      EndDialog(window, IDOK);
      return 0;
    case WM_NCDESTROY:
      RemoveWindowSubclass(window, BoxProc, kSubclassId);
      break;
    default:
      break;
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

void WinMessageBox::Close() {
  if (box_ == nullptr) return;
  closing_ = true;
  PostMessageW(box_, WM_CLOSE, 0, 0);
}

void WinMessageBox::SetCaption(const std::wstring& caption) {
  if (box_ != nullptr) SetWindowTextW(box_, caption.c_str());
}

HWND WinMessageBox::OkButton() const {
  for (const int id : {IDCANCEL, IDOK}) {
    HWND button = GetDlgItem(box_, id);
    if (button != nullptr && (GetWindowLongPtrW(button, GWL_STYLE) & WS_VISIBLE) != 0) {
      return button;
    }
  }
  return nullptr;
}

void WinMessageBox::EnableOk(bool enabled) {
  if (HWND button = OkButton()) EnableWindow(button, enabled ? TRUE : FALSE);
}

void WinMessageBox::FocusOk() {
  if (HWND button = OkButton()) {
    SendMessageW(box_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(button), TRUE);
  }
}

void WinMessageBox::SetTimer(unsigned timerId, unsigned periodMs) {
  timers_.Set(timerId, periodMs);
}

void WinMessageBox::KillTimer(unsigned timerId) {
  timers_.Kill(timerId);
}

}  // namespace EvarixView::Windows
