#pragma once

#ifndef _WIN32
#include <unistd.h>
#endif

#include <cstdlib>
#include <string>

#include "ProcessId.h"

namespace EvarixTest {

// The loaders' lock of this test program. Test programs run side by side, each downloading into
// keyboards of its own: sharing the program's lock, one program's download would refuse
// another's. On Linux the lock's files go when the program ends; Windows takes its mutexes down
// with the last process that has them open.
inline const std::string& TestLockName() {
  static const std::string name = "evarix-test-" + std::to_string(ThisProcessId());
#ifndef _WIN32
  [[maybe_unused]] static const int removedAtExit = std::atexit([] {
    const std::string prefix = "/dev/shm/" + TestLockName();
    const std::string user = "." + std::to_string(geteuid());
    unlink((prefix + user).c_str());
    unlink((prefix + ".download" + user).c_str());
  });
#endif
  return name;
}

}  // namespace EvarixTest
