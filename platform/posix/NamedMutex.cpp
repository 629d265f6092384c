#include "platform/NamedMutex.h"

#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <optional>
#include <string>

namespace CVFirmwareLoader {

namespace {

// Every copy of the program, whichever build, must agree on what the file holds; the marker keeps
// a file of another layout from being taken for a mutex. Its low digits count layouts.
constexpr uint64_t kLayoutMarker = 0x4356'4d55'5445'0001;

struct SharedBlock {
  uint64_t marker;
  pthread_mutex_t mutex;
};

constexpr int kOpenAttempts = 8;

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int Get() const { return fd_; }

 private:
  int fd_;
};

SharedBlock* Map(int fd) {
  void* address = mmap(nullptr, sizeof(SharedBlock), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  return address == MAP_FAILED ? nullptr : static_cast<SharedBlock*>(address);
}

void Unmap(SharedBlock* block) {
  munmap(block, sizeof(SharedBlock));
}

class PosixNamedMutex final : public NamedMutex {
 public:
  explicit PosixNamedMutex(SharedBlock* block) : block_(block) {}
  // The file stays: other processes may be using it, and it is only ever created whole.
  ~PosixNamedMutex() override { Unmap(block_); }
  PosixNamedMutex(const PosixNamedMutex&) = delete;
  PosixNamedMutex& operator=(const PosixNamedMutex&) = delete;

  WaitOutcome Wait() override { return Outcome(pthread_mutex_lock(&block_->mutex)); }

  std::optional<WaitOutcome> TryWait() override {
    const int taken = pthread_mutex_trylock(&block_->mutex);
    if (taken == EBUSY) return std::nullopt;
    return Outcome(taken);
  }

  void Release() override { pthread_mutex_unlock(&block_->mutex); }

 private:
  WaitOutcome Outcome(int locked) {
    if (locked == EOWNERDEAD) {
      // Without this the mutex turns unrecoverable on its next release, for every process.
      pthread_mutex_consistent(&block_->mutex);
      return WaitOutcome::Abandoned;
    }
    // Any other failure cannot arise with the attributes set at creation; as with the system mutex
    // this mirrors, the caller goes on as the owner.
    return WaitOutcome::Acquired;
  }

  SharedBlock* const block_;
};

enum class Lookup { Found, Missing, Refused };

// Maps the published mutex at path. Only a file of ours with the expected size and marker is
// trusted: /dev/shm is writable by everyone, and a file planted by another user must not become
// our lock.
Lookup OpenPublished(const std::string& path, SharedBlock*& found) {
  found = nullptr;
  FileDescriptor fd(open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC));
  if (fd.Get() < 0) return errno == ENOENT ? Lookup::Missing : Lookup::Refused;
  struct stat facts {};
  if (fstat(fd.Get(), &facts) != 0 || !S_ISREG(facts.st_mode) || facts.st_uid != geteuid() ||
      (facts.st_mode & (S_IRWXG | S_IRWXO)) != 0 ||
      facts.st_size != static_cast<off_t>(sizeof(SharedBlock))) {
    return Lookup::Refused;
  }
  SharedBlock* block = Map(fd.Get());
  if (block == nullptr) return Lookup::Refused;
  if (block->marker != kLayoutMarker) {
    Unmap(block);
    return Lookup::Refused;
  }
  found = block;
  return Lookup::Found;
}

bool InitialiseMutex(pthread_mutex_t* mutex) {
  pthread_mutexattr_t attributes;
  if (pthread_mutexattr_init(&attributes) != 0) return false;
  const bool ready = pthread_mutexattr_setpshared(&attributes, PTHREAD_PROCESS_SHARED) == 0 &&
                     pthread_mutexattr_setrobust(&attributes, PTHREAD_MUTEX_ROBUST) == 0 &&
                     pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE) == 0 &&
                     pthread_mutex_init(mutex, &attributes) == 0;
  pthread_mutexattr_destroy(&attributes);
  return ready;
}

enum class Publication { Published, LostRace, Failed };

// Builds a complete mutex in a file of a unique name and only then gives it the final name, so
// that no process can ever map one half initialised. link, unlike rename, fails when the final
// name exists: a process that loses the race drops its own copy and uses the winner's.
Publication CreateAndPublish(const std::string& path, SharedBlock*& published) {
  std::string temporary = path + ".XXXXXX";
  FileDescriptor fd(mkostemp(temporary.data(), O_CLOEXEC));
  if (fd.Get() < 0) return Publication::Failed;

  Publication outcome = Publication::Failed;
  SharedBlock* block = nullptr;
  if (fchmod(fd.Get(), S_IRUSR | S_IWUSR) == 0 &&
      ftruncate(fd.Get(), static_cast<off_t>(sizeof(SharedBlock))) == 0 &&
      (block = Map(fd.Get())) != nullptr) {
    if (InitialiseMutex(&block->mutex)) {
      block->marker = kLayoutMarker;
      if (link(temporary.c_str(), path.c_str()) == 0) {
        outcome = Publication::Published;
      } else if (errno == EEXIST) {
        outcome = Publication::LostRace;
      }
    }
    if (outcome != Publication::Published) Unmap(block);
  }
  unlink(temporary.c_str());
  published = outcome == Publication::Published ? block : nullptr;
  return outcome;
}

}  // namespace

std::unique_ptr<NamedMutex> NamedMutex::Open(const std::string& name) {
  if (name.empty() || name.find('/') != std::string::npos) return nullptr;
  // One file per user: a copy run by another user must not be locked out by a file it cannot open.
  const std::string path = "/dev/shm/" + name + "." + std::to_string(geteuid());

  // A few rounds, because the published file may vanish between a failed link and the next open
  // if someone removes it.
  for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
    SharedBlock* found = nullptr;
    switch (OpenPublished(path, found)) {
      case Lookup::Found:
        return std::make_unique<PosixNamedMutex>(found);
      case Lookup::Refused:
        return nullptr;
      case Lookup::Missing:
        break;
    }
    SharedBlock* created = nullptr;
    switch (CreateAndPublish(path, created)) {
      case Publication::Published:
        return std::make_unique<PosixNamedMutex>(created);
      case Publication::LostRace:
        continue;
      case Publication::Failed:
        return nullptr;
    }
  }
  return nullptr;
}

}  // namespace CVFirmwareLoader
