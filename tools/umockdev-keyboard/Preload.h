#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

// Running programs against a umockdev testbed. A process sees the testbed instead of the real
// /sys and /dev only when umockdev's preload library is loaded into it from the start; a process
// that makes a testbed needs it too, or its uevents never arrive.
namespace EvarixSim::Preload {

inline constexpr const char* kLibrary = "libumockdev-preload.so.0";

// Whether the preload library is loaded into this process.
bool IsActive();

// Re-executes this program, with the same arguments, with the preload library first in
// LD_PRELOAD; returns only when it does not. It does not when the library is active already, or
// when an earlier attempt of this program did not make it so: the caller then runs without it
// and can say so. Also makes the re-executed program fit umockdev: a short TMPDIR (its sockets'
// paths must fit 108 bytes) and, with AddressSanitizer, no complaint that the sanitizer's runtime
// is not the first library. Test programs call it before main, from a static initialiser.
void ReexecUnderPreload();

// Why the preload library is not active, for a skipped test or an error message; empty when it
// is.
std::string WhyInactive();

struct ChildResult {
  // The child's exit code, 128 + the signal when a signal ended it, 127 when it could not start.
  int exitCode = 0;
  std::string output;  // its standard output and error, when they were asked for
};

// Runs a program (looked up in PATH) with this process's environment, which under a testbed
// carries UMOCKDEV_DIR and LD_PRELOAD, and waits for it, at most timeout; a child still running
// then is killed and nothing is returned. With captureOutput its standard output and error are
// collected; otherwise they are this process's own.
std::optional<ChildResult> RunChild(const std::vector<std::string>& command,
                                    std::chrono::milliseconds timeout, bool captureOutput);

}  // namespace EvarixSim::Preload
