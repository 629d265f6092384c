#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <thread>

// What the programs that show the Windows dialogs outside the updater share: they dispatch the
// thread's messages themselves.
namespace EvarixPageTools {

// Dispatches this thread's messages until done() holds or the time is up; returns done().
inline bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    MSG message{};
    if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  return true;
}

// Dispatches this thread's messages for a while.
inline void Pump(std::chrono::milliseconds duration) {
  RunUntil([] { return false; }, duration);
}

}  // namespace EvarixPageTools
