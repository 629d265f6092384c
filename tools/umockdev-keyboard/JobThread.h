#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace EvarixSim {

// A thread that runs jobs one after another in the order they came. Everything the umockdev
// keyboard does to the testbed and to the keyboards happens on it, so none of that needs a lock
// of its own. Its hand-overs are plain mutexes and condition variables, which thread checkers
// understand (GLib's own locks they do not).
class JobThread {
 public:
  JobThread();
  ~JobThread();
  JobThread(const JobThread&) = delete;
  JobThread& operator=(const JobThread&) = delete;

  // Tells whether a job has run.
  class Completion;

  // Queues a job; false, and the job is dropped, once the thread has been stopped.
  bool Post(std::function<void()> job);

  // Queues a job that can be waited for; null once the thread has been stopped. On the thread
  // itself the job runs at once. Waiting needs nothing but the completion, so a caller can queue
  // under a lock and wait outside it.
  std::shared_ptr<Completion> Start(std::function<void()> job);

  // Waits until the job has run, at most timeout; true when it did. A job that times out may
  // still run later, so it must own everything it uses.
  static bool Wait(const std::shared_ptr<Completion>& completion,
                   std::chrono::milliseconds timeout);

  // Start and Wait.
  bool Run(std::function<void()> job, std::chrono::milliseconds timeout) {
    return Wait(Start(std::move(job)), timeout);
  }

  // Runs what is queued, then ends the thread. Jobs posted later are dropped.
  void Stop();

  bool IsCurrent() const { return std::this_thread::get_id() == id_; }

 private:
  void Loop();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> jobs_;
  bool stopping_ = false;
  std::thread thread_;
  const std::thread::id id_ = thread_.get_id();  // joining clears the thread's own
};

}  // namespace EvarixSim
