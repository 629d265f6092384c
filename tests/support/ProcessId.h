#pragma once

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace EvarixTest {

// This test program's process number, which makes names of its own for files and locks.
inline long ThisProcessId() {
#ifdef _WIN32
  return _getpid();
#else
  return getpid();
#endif
}

}  // namespace EvarixTest
