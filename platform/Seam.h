#pragma once

#include <atomic>

namespace CVFirmwareLoader {

// Every seam to the operating system is installed the same way: the program's start-up installs
// the real backend, a test installs a fake, and until something is installed (or after null is)
// the seam's stand-in serves, which finds nothing and does nothing. Installing is done while no
// other thread uses the seam; reading is safe from any thread.
//
// A seam's header declares its stand-in, `template <> Interface& SeamStandIn<Interface>();`, and
// its source defines it.
template <typename Interface>
Interface& SeamStandIn();

template <typename Interface>
class Seam {
 public:
  static Interface& Get() { return *Current().load(); }

  // Installs backend (null puts the stand-in back) and returns the one installed before.
  static Interface* Install(Interface* backend) {
    return Current().exchange(backend != nullptr ? backend : &SeamStandIn<Interface>());
  }

 private:
  static std::atomic<Interface*>& Current() {
    static std::atomic<Interface*> current{&SeamStandIn<Interface>()};
    return current;
  }
};

// Installs a backend for a scope and puts the previous one back when the scope ends.
template <typename Interface>
class ScopedSeam {
 public:
  explicit ScopedSeam(Interface* backend) : previous_(Seam<Interface>::Install(backend)) {}
  ~ScopedSeam() { Seam<Interface>::Install(previous_); }
  ScopedSeam(const ScopedSeam&) = delete;
  ScopedSeam& operator=(const ScopedSeam&) = delete;

 private:
  Interface* previous_;
};

}  // namespace CVFirmwareLoader
