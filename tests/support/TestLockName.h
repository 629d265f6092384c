#pragma once

#include <unistd.h>

#include <cstdlib>
#include <string>

namespace EvarixTest {

// The loaders' lock of this test program. Test programs run side by side, each downloading into
// keyboards of its own: sharing the program's lock, one program's download would refuse
// another's. The lock's files go when the program ends.
inline const std::string& TestLockName() {
  static const std::string name = "evarix-test-" + std::to_string(getpid());
  [[maybe_unused]] static const int removedAtExit = std::atexit([] {
    const std::string prefix = "/dev/shm/" + TestLockName();
    const std::string user = "." + std::to_string(geteuid());
    unlink((prefix + user).c_str());
    unlink((prefix + ".download" + user).c_str());
  });
  return name;
}

}  // namespace EvarixTest
