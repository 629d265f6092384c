#pragma once

#include <mutex>
#include <vector>

#include "platform/DriverTransport.h"

namespace EvarixTest {

// Passes every request on and remembers its control code and request length, so that tests can
// assert the exact exchange at the driver's level.
class RecordingTransport final : public CVFirmwareLoader::IDriverTransport {
 public:
  struct Sent {
    uint32_t code;
    size_t requestLength;
    bool operator==(const Sent&) const = default;
  };

  explicit RecordingTransport(CVFirmwareLoader::IDriverTransport& inner) : inner_(inner) {}

  std::unique_ptr<CVFirmwareLoader::IDriverHandle> Open(const std::wstring& path) override {
    auto handle = inner_.Open(path);
    if (!handle) return nullptr;
    return std::make_unique<Handle>(*this, std::move(handle));
  }

  std::vector<Sent> Requests() const {
    std::lock_guard guard(mutex_);
    return sent_;
  }
  void Clear() {
    std::lock_guard guard(mutex_);
    sent_.clear();
  }

 private:
  class Handle final : public CVFirmwareLoader::IDriverHandle {
   public:
    Handle(RecordingTransport& owner, std::unique_ptr<CVFirmwareLoader::IDriverHandle> inner)
        : owner_(owner), inner_(std::move(inner)) {}
    bool Control(uint32_t code, std::span<const uint8_t> request,
                 std::span<uint8_t> reply) override {
      {
        std::lock_guard guard(owner_.mutex_);
        owner_.sent_.push_back({code, request.size()});
      }
      return inner_->Control(code, request, reply);
    }

   private:
    RecordingTransport& owner_;
    std::unique_ptr<CVFirmwareLoader::IDriverHandle> inner_;
  };

  CVFirmwareLoader::IDriverTransport& inner_;
  mutable std::mutex mutex_;
  std::vector<Sent> sent_;
};

}  // namespace EvarixTest
