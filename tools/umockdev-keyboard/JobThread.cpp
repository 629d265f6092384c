#include "tools/umockdev-keyboard/JobThread.h"

#include <cstdio>
#include <exception>

namespace EvarixSim {

JobThread::JobThread() : thread_([this] { Loop(); }) {}

JobThread::~JobThread() {
  Stop();
}

bool JobThread::Post(std::function<void()> job) {
  {
    std::lock_guard lock(mutex_);
    if (stopping_) return false;
    jobs_.push_back(std::move(job));
  }
  wake_.notify_one();
  return true;
}

class JobThread::Completion {
 public:
  void Done() {
    std::lock_guard lock(mutex_);
    done_ = true;
    signal_.notify_all();
  }

  bool WaitFor(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return signal_.wait_for(lock, timeout, [this] { return done_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable signal_;
  bool done_ = false;
};

std::shared_ptr<JobThread::Completion> JobThread::Start(std::function<void()> job) {
  auto completion = std::make_shared<Completion>();
  if (IsCurrent()) {
    job();
    completion->Done();
    return completion;
  }
  const bool queued = Post([job = std::move(job), completion] {
    // A job that throws has still run.
    struct DoneOnExit {
      Completion& completion;
      ~DoneOnExit() { completion.Done(); }
    } done{*completion};
    job();
  });
  return queued ? completion : nullptr;
}

bool JobThread::Wait(const std::shared_ptr<Completion>& completion,
                     std::chrono::milliseconds timeout) {
  return completion != nullptr && completion->WaitFor(timeout);
}

void JobThread::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  if (thread_.joinable() && !IsCurrent()) thread_.join();
}

void JobThread::Loop() {
  while (true) {
    std::function<void()> job;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
      if (jobs_.empty()) return;
      job = std::move(jobs_.front());
      jobs_.pop_front();
    }
    // One failing job must not take the emulated devices down with it.
    try {
      job();
    } catch (const std::exception& error) {
      std::fprintf(stderr, "umockdev keyboard: job failed: %s\n", error.what());
    }
  }
}

}  // namespace EvarixSim
