#pragma once

#include <memory>
#include <optional>
#include <string>

namespace CVFirmwareLoader {

// A mutex shared by name between every thread of every process of the same user, recursive for
// its owner. An owner that ends while holding it leaves it abandoned: the next waiter gets it and
// is told so once.
class NamedMutex {
 public:
  enum class WaitOutcome { Acquired, Abandoned };

  // Closes this process's view of the mutex; it lives on for the others. No thread of this process
  // may hold it then: the system keeps track of held mutexes by their address in the process.
  virtual ~NamedMutex() = default;

  // Opens the mutex of that name, creating it when no process has it yet; null when it can be
  // neither opened nor created (a name holding '/' is refused). Safe when several processes create
  // the same name at once.
  static std::unique_ptr<NamedMutex> Open(const std::string& name);

  // Waits without time-out. After Abandoned the caller owns the mutex and it is usable again.
  virtual WaitOutcome Wait() = 0;
  // Takes the mutex only if no other thread holds it: nullopt when one does.
  virtual std::optional<WaitOutcome> TryWait() = 0;
  virtual void Release() = 0;
};

}  // namespace CVFirmwareLoader
