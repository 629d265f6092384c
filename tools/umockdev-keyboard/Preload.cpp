#include "tools/umockdev-keyboard/Preload.h"

#include <fcntl.h>
#include <link.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>

extern char** environ;

namespace EvarixSim::Preload {

namespace {

// Set in the re-executed program, so that a library that will not load cannot make it loop.
constexpr const char* kAttempted = "EVARIX_UMOCKDEV_REEXEC";
constexpr size_t kLongestTmpdir = 32;
constexpr auto kChildPoll = std::chrono::milliseconds(10);
constexpr int kPollMilliseconds = 10;
constexpr int kCannotStart = 127;  // what shells answer for a program they cannot run

class UniqueFd {
 public:
  explicit UniqueFd(int fd = -1) : fd_(fd) {}
  ~UniqueFd() { Reset(); }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  int Get() const { return fd_; }
  void Reset() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

struct SpawnActions {
  posix_spawn_file_actions_t actions;
  SpawnActions() { posix_spawn_file_actions_init(&actions); }
  ~SpawnActions() { posix_spawn_file_actions_destroy(&actions); }
  SpawnActions(const SpawnActions&) = delete;
  SpawnActions& operator=(const SpawnActions&) = delete;
};

int FindPreload(dl_phdr_info* info, size_t, void*) {
  return info->dlpi_name != nullptr &&
                 std::strstr(info->dlpi_name, "libumockdev-preload") != nullptr
             ? 1
             : 0;
}

std::vector<std::string> CommandLine() {
  std::ifstream file("/proc/self/cmdline", std::ios::binary);
  const std::string all((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::vector<std::string> arguments;
  size_t start = 0;
  while (start < all.size()) {
    const size_t end = all.find('\0', start);
    arguments.push_back(all.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return arguments;
}

[[maybe_unused]] void AppendOption(const char* variable, const std::string& option) {
  const char* existing = std::getenv(variable);
  const std::string value =
      existing != nullptr && *existing != '\0' ? std::string(existing) + ":" + option : option;
  setenv(variable, value.c_str(), 1);
}

void PrepareEnvironment() {
  setenv(kAttempted, "1", 1);
  const char* preload = std::getenv("LD_PRELOAD");
  const std::string libraries = preload != nullptr && *preload != '\0'
                                    ? std::string(kLibrary) + ":" + preload
                                    : std::string(kLibrary);
  setenv("LD_PRELOAD", libraries.c_str(), 1);
  const char* tmpdir = std::getenv("TMPDIR");
  if (tmpdir != nullptr && std::strlen(tmpdir) > kLongestTmpdir) setenv("TMPDIR", "/tmp", 1);
#if defined(__SANITIZE_ADDRESS__)
  // The preload library comes before the sanitizer's runtime, which it would otherwise refuse.
  AppendOption("ASAN_OPTIONS", "verify_asan_link_order=0");
#endif
}

std::vector<char*> Pointers(const std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (const std::string& text : strings) pointers.push_back(const_cast<char*>(text.c_str()));
  pointers.push_back(nullptr);
  return pointers;
}

int ExitCode(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

// Reads what is there without waiting longer than one poll.
void Drain(int fd, std::string& output) {
  pollfd ready{fd, POLLIN, 0};
  if (poll(&ready, 1, kPollMilliseconds) <= 0) return;
  char buffer[4096];
  const ssize_t count = read(fd, buffer, sizeof buffer);
  if (count > 0) output.append(buffer, static_cast<size_t>(count));
}

std::optional<int> Await(pid_t child, std::chrono::milliseconds timeout, int outputFd,
                         std::string& output) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  int status = 0;
  while (waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      return std::nullopt;
    }
    if (outputFd >= 0) {
      Drain(outputFd, output);
    } else {
      std::this_thread::sleep_for(kChildPoll);
    }
  }
  return ExitCode(status);
}

}  // namespace

bool IsActive() {
  return dl_iterate_phdr(&FindPreload, nullptr) != 0;
}

void ReexecUnderPreload() {
  if (IsActive() || std::getenv(kAttempted) != nullptr) return;
  const std::vector<std::string> arguments = CommandLine();
  if (arguments.empty()) return;
  PrepareEnvironment();
  std::vector<char*> argv = Pointers(arguments);
  execv("/proc/self/exe", argv.data());
  // Could not re-execute: carry on without the library.
}

std::string WhyInactive() {
  if (IsActive()) return {};
  if (std::getenv(kAttempted) != nullptr) {
    return std::string("re-executed with LD_PRELOAD, but ") + kLibrary +
           " did not load (is umockdev installed?)";
  }
  return std::string("not started with ") + kLibrary + " in LD_PRELOAD";
}

std::optional<ChildResult> RunChild(const std::vector<std::string>& command,
                                    std::chrono::milliseconds timeout, bool captureOutput) {
  if (command.empty()) return std::nullopt;
  int pipeFds[2] = {-1, -1};
  if (captureOutput && pipe2(pipeFds, O_CLOEXEC) != 0) return std::nullopt;
  UniqueFd readEnd(pipeFds[0]);
  UniqueFd writeEnd(pipeFds[1]);
  SpawnActions spawn;
  if (captureOutput) {
    posix_spawn_file_actions_adddup2(&spawn.actions, writeEnd.Get(), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&spawn.actions, writeEnd.Get(), STDERR_FILENO);
  }
  std::vector<char*> argv = Pointers(command);
  pid_t child = 0;
  if (posix_spawnp(&child, argv[0], &spawn.actions, nullptr, argv.data(), environ) != 0) {
    return ChildResult{.exitCode = kCannotStart, .output = {}};
  }
  writeEnd.Reset();
  ChildResult result;
  const std::optional<int> exitCode = Await(child, timeout, readEnd.Get(), result.output);
  if (!exitCode) return std::nullopt;
  if (captureOutput) {
    // The child has gone; take what it wrote last.
    char buffer[4096];
    ssize_t count = 0;
    while ((count = read(readEnd.Get(), buffer, sizeof buffer)) > 0) {
      result.output.append(buffer, static_cast<size_t>(count));
    }
  }
  result.exitCode = *exitCode;
  return result;
}

}  // namespace EvarixSim::Preload
