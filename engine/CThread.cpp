#include "CThread.h"

#include <system_error>

#include "EResult.h"

namespace CVFirmwareLoader {

CThread::~CThread() {
  // Qualified: the derived part of the object is already gone. When called from the thread itself
  // Join refuses, and the still joinable std::thread ends the program, as it should for that fault.
  CThread::Join();
}

bool CThread::IsRunning() const {
  std::lock_guard lock(mutex_);
  return held_;
}

int CThread::Start() {
  std::lock_guard lock(mutex_);
  if (held_) return eFailed;
  try {
    thread_ =
        std::thread([this] { exitCode_.store(procedure_(argument_), std::memory_order_release); });
  } catch (const std::system_error&) {
    // Out of threads or memory: the caller treats any non-zero result as a failed start.
    return eFailed;
  }
  threadId_ = thread_.get_id();
  held_ = true;
  ++started_;
  return eSuccess;
}

int CThread::Join() {
  std::unique_lock lock(mutex_);
  if (!held_) return eNoResource;
  const uint64_t target = started_;
  if (joinedCount_ == target) return eSuccess;
  if (threadId_ == std::this_thread::get_id()) return eFailed;
  if (joining_) {
    // std::thread can be joined once only, so a second caller waits for the first one's join.
    joinDone_.wait(lock, [&] { return joinedCount_ >= target; });
    return eSuccess;
  }
  joining_ = true;
  lock.unlock();
  // Nothing else touches thread_ while joining_ is set, so the wait can run without the mutex and
  // IsRunning and the other joiners stay responsive.
  thread_.join();
  lock.lock();
  joining_ = false;
  joinedCount_ = target;
  lock.unlock();
  joinDone_.notify_all();
  return eSuccess;
}

int CThread::Close() {
  uint64_t target = 0;
  {
    std::lock_guard lock(mutex_);
    if (!held_) return eSuccess;
    target = started_;
  }
  const int joined = Join();
  // -30 here means a concurrent Close has released the handle already, after the thread ended.
  if (joined == eFailed) return joined;
  std::lock_guard lock(mutex_);
  if (held_ && started_ == target) {
    held_ = false;
    threadId_ = {};
  }
  return eSuccess;
}

}  // namespace CVFirmwareLoader
