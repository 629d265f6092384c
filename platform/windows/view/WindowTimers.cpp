#include "platform/windows/view/WindowTimers.h"

namespace EvarixView::Windows {

void WindowTimers::Set(unsigned timerId, unsigned periodMs) {
  if (window_ != nullptr && SetTimer(window_, timerId, periodMs, nullptr) != 0) {
    ids_.insert(timerId);
  }
}

void WindowTimers::Kill(unsigned timerId) {
  if (window_ != nullptr) KillTimer(window_, timerId);
  ids_.erase(timerId);
}

void WindowTimers::KillAll() {
  for (const unsigned timerId : ids_) KillTimer(window_, timerId);
  ids_.clear();
}

bool WindowTimers::Owns(WPARAM timerId) const {
  return ids_.contains(static_cast<unsigned>(timerId));
}

}  // namespace EvarixView::Windows
