#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace CVFirmwareLoader {

// One thread at a time, run on a procedure and argument fixed at construction. The handle is held
// from Start until Close or the destructor, also after the thread has ended by itself, so that an
// owner can tell "never started" from "finished" and must close before it starts again.
//
// Join and Close may be called from two threads at once (an abort and a device-gone notice may both
// end the same download): the thread is joined once, and every caller returns after it has ended.
// Start is not to race with Close: the owner restarts with Close then Start on one thread.
class CThread {
 public:
  using Procedure = uint32_t (*)(void* argument);

  CThread(Procedure procedure, void* argument) : procedure_(procedure), argument_(argument) {}

  // Waits for a held thread to end. Destroying the CThread from its own thread is a fault and ends
  // the program (there is nothing to wait for that could ever finish).
  virtual ~CThread();

  CThread(const CThread&) = delete;
  CThread& operator=(const CThread&) = delete;

  // True while a handle is held, whether or not the thread is still running.
  virtual bool IsRunning() const;

  // 0 once the thread runs; -10 if a handle is already held or the system refuses a thread.
  virtual int Start();

  // -30 if no handle is held; otherwise waits without time-out for the thread to end and returns 0,
  // keeping the handle. -10 when called from the thread itself, which could never end.
  virtual int Join();

  // Joins a held thread and releases its handle. Returns 0, also when nothing was held; -10 only
  // when called from the thread itself.
  virtual int Close();

  // What the last procedure returned; meaningful once Join or Close has returned 0.
  uint32_t GetExitCode() const { return exitCode_.load(std::memory_order_acquire); }

 private:
  const Procedure procedure_;
  void* const argument_;

  mutable std::mutex mutex_;
  std::condition_variable joinDone_;
  std::thread thread_;
  std::thread::id threadId_;  // kept apart from thread_, which a joiner changes without mutex_
  bool held_ = false;
  bool joining_ = false;
  // Starts and completed joins, counted, so that a waiting joiner cannot mistake a later thread's
  // state for its own.
  uint64_t started_ = 0;
  uint64_t joinedCount_ = 0;
  std::atomic<uint32_t> exitCode_{0};
};

}  // namespace CVFirmwareLoader
