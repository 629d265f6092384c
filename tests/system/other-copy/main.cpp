// Another copy of the updater, as far as the keyboard and the loader's lock can tell: its own
// manager and loader, in a process of its own, below the same simulated keyboard as the test that
// starts it (it inherits the test's umockdev environment). It updates the keyboard and reports on
// standard output, one line per event, so that the test can follow it.
//
//   evarix-other-copy LOCK-NAME [--die-holding-lock-at PERCENT]
//
// With --die-holding-lock-at it takes the loader's lock once the download has passed PERCENT and
// is killed while holding it, as a copy ended by the system in the middle of an update would be.
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "engine/ILoader.h"
#include "engine/LoaderLock.h"
#include "platform/linux/ManagerWin.h"
#include "tools/umockdev-keyboard/TsanSuppressions.h"

using namespace CVFirmwareLoader;
using namespace std::chrono_literals;

namespace {

constexpr int kFailed = 1;
constexpr int kUsageError = 2;
constexpr auto kPatience = 60s;

bool WaitFor(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(2ms);
  }
  return true;
}

void Say(const char* line) {
  std::printf("%s\n", line);
  std::fflush(stdout);
}

bool OffersUpdate(ILoader& loader) {
  const int check = loader.CheckFirmware();
  return check == static_cast<int>(FirmwareCheck::UpdateAvailable) ||
         check == static_cast<int>(FirmwareCheck::UpdateRequired);
}

[[noreturn]] void DieHoldingLock(const std::string& lockName) {
  LoaderLock lock(lockName);
  lock.Wait();
  Say("dying with the lock");
  raise(SIGKILL);
  std::abort();
}

int Update(ILoader& loader, const std::string& lockName, int dieAtPercent) {
  if (!WaitFor([&] { return OffersUpdate(loader); })) {
    Say("no keyboard to update");
    return kFailed;
  }
  Say("updating");
  const int started = loader.StartUpdate(loader.GetImageVersions().front());
  if (started != 0) {
    std::printf("refused %d\n", started);
    return kFailed;
  }
  int percent = 0;
  int secondsLeft = 0;
  int status = 0;
  WaitFor([&] {
    status = loader.GetProgress(percent, secondsLeft);
    if (status == static_cast<int>(UpdateStatus::Running) && dieAtPercent >= 0 &&
        percent >= dieAtPercent) {
      DieHoldingLock(lockName);
    }
    return status != static_cast<int>(UpdateStatus::Running);
  });
  const bool succeeded = status == static_cast<int>(UpdateStatus::Succeeded);
  Say(succeeded ? "succeeded" : "failed");
  return succeeded ? 0 : kFailed;
}

}  // namespace

#if defined(__SANITIZE_THREAD__)
// It runs below the umockdev keyboard, as the tests do.
extern "C" const char* __tsan_default_suppressions() {
  return EvarixSim::kUnbuiltForTsan;
}
#endif

int main(int argc, char** argv) {
  const bool dies = argc == 4 && std::strcmp(argv[2], "--die-holding-lock-at") == 0;
  if (argc != 2 && !dies) {
    std::fprintf(stderr, "usage: evarix-other-copy LOCK-NAME [--die-holding-lock-at PERCENT]\n");
    return kUsageError;
  }
  const std::string lockName = argv[1];
  ManagerWin manager;
  ILoader* loader = manager.CreateLoader(0, lockName);
  if (loader == nullptr) return kFailed;
  const int result = Update(*loader, lockName, dies ? std::atoi(argv[3]) : -1);
  manager.DestroyLoader(loader);
  return result;
}
