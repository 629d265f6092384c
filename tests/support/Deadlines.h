#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <thread>

namespace EvarixTest {

// How long a test waits for something that should happen at once before it calls it a failure.
constexpr auto kDeadline = std::chrono::seconds(10);

// Polls until done() holds or the deadline has passed.
inline bool Eventually(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + kDeadline;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return true;
}

// Runs work on a thread of its own and waits for it until the deadline. A join or a lock that
// never returns leaves nothing to recover, so the program stops with a message instead of hanging
// the suite.
inline void FinishesInTime(const char* what, const std::function<void()>& work) {
  std::packaged_task<void()> task(work);
  std::future<void> finished = task.get_future();
  std::thread runner(std::move(task));
  if (finished.wait_for(kDeadline) != std::future_status::ready) {
    std::fprintf(stderr, "Timed out: %s\n", what);
    std::_Exit(EXIT_FAILURE);
  }
  runner.join();
}

}  // namespace EvarixTest
