#pragma once

#include <windows.h>

#include <set>

namespace EvarixView::Windows {

// The repeating timers the logic sets on one window, by the ids it chooses: each tick comes as
// WM_TIMER to the window, on its thread, also while a nested modal loop runs. A second Set with an
// id replaces the first.
class WindowTimers {
 public:
  // Timers need a window; until it is given they are not set.
  void SetWindow(HWND window) { window_ = window; }
  void Set(unsigned timerId, unsigned periodMs);
  void Kill(unsigned timerId);
  void KillAll();
  // Whether a WM_TIMER with this id is one of these timers, not one the system set itself.
  bool Owns(WPARAM timerId) const;

 private:
  HWND window_ = nullptr;
  std::set<unsigned> ids_;
};

}  // namespace EvarixView::Windows
