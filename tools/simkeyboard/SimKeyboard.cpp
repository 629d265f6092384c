#include "tools/simkeyboard/SimKeyboard.h"

#include <algorithm>
#include <cstdio>

#include "platform/Platform.h"
#include "platform/UsbDfuWire.h"
#include "tools/firmware/FirmwareFormat.h"
#include "tools/simkeyboard/KeyboardDescriptors.h"

namespace EvarixSim {

namespace {

namespace UsbDfu = CVFirmwareLoader::UsbDfu;
namespace Type = UsbDfu::DescriptorType;

constexpr int kStalled = -1;
using UsbDfu::kStatusSize;

uint32_t Now() {
  return CVFirmwareLoader::Platform().clock->TickCount();
}

int Copied(std::span<const uint8_t> from, std::span<uint8_t> to) {
  const size_t count = std::min(from.size(), to.size());
  std::copy_n(from.begin(), count, to.begin());
  return static_cast<int>(count);
}

RequestKind KindOf(uint8_t request) {
  return request <= static_cast<uint8_t>(RequestKind::Abort) ? static_cast<RequestKind>(request)
                                                             : RequestKind::Unknown;
}

// The host direction of each DFU request: DETACH, DNLOAD, CLRSTATUS and ABORT carry data to the
// keyboard (or none), the rest ask for data.
bool IsHostToDevice(RequestKind kind) {
  return kind == RequestKind::Detach || kind == RequestKind::Download ||
         kind == RequestKind::ClearStatus || kind == RequestKind::Abort;
}

// SET_CONFIGURATION 1 and SET_INTERFACE to setting 0: what a host sends before it claims the DFU
// interface. The keyboard has nothing else to select.
bool IsSelection(uint8_t requestType, uint8_t request, uint16_t value) {
  return (requestType == UsbDfu::kRequestTypeStandardOut && request == UsbDfu::kSetConfiguration &&
          value == 1) ||
         (requestType == UsbDfu::kRequestTypeInterfaceOut && request == UsbDfu::kSetInterface &&
          value == 0);
}

}  // namespace

SimKeyboard::SimKeyboard(const KeyboardConfig& config)
    : config_(config), firmware_{config.firmwareVersion, config.firmwareValid} {}

void SimKeyboard::SetFaults(const Faults& faults) {
  std::lock_guard lock(mutex_);
  faults_ = faults;
  failedFirst_ = false;
}

Mode SimKeyboard::CurrentMode() const {
  std::lock_guard lock(mutex_);
  return mode_;
}

uint16_t SimKeyboard::FirmwareVersion() const {
  std::lock_guard lock(mutex_);
  return firmware_.version;
}

bool SimKeyboard::FirmwareValid() const {
  std::lock_guard lock(mutex_);
  return firmware_.valid;
}

DfuState SimKeyboard::State() const {
  std::lock_guard lock(mutex_);
  return state_;
}

DfuStatus SimKeyboard::Status() const {
  std::lock_guard lock(mutex_);
  return status_;
}

std::vector<uint8_t> SimKeyboard::ReceivedPayload() const {
  std::lock_guard lock(mutex_);
  return payload_;
}

std::vector<LoggedRequest> SimKeyboard::Requests() const {
  std::lock_guard lock(mutex_);
  return log_;
}

void SimKeyboard::ClearRequests() {
  std::lock_guard lock(mutex_);
  log_.clear();
}

size_t SimKeyboard::StandardRequestsWhileBusy() const {
  std::lock_guard lock(mutex_);
  return standardWhileBusy_;
}

size_t SimKeyboard::ControlTransfers() const {
  std::lock_guard lock(mutex_);
  return controlTransfers_;
}

void SimKeyboard::ReplaceFirmware(uint16_t version) {
  std::lock_guard lock(mutex_);
  firmware_ = {version, true};
  payload_.clear();
}

SimKeyboard::Answer SimKeyboard::Control(const SetupPacket& setup, std::span<uint8_t> data) {
  std::lock_guard lock(mutex_);
  ++controlTransfers_;
  if ((setup.requestType & UsbDfu::kTypeMask) == 0 && IsWritingFlash()) ++standardWhileBusy_;
  if (setup.requestType == UsbDfu::kRequestTypeStandardIn &&
      setup.request == UsbDfu::kGetDescriptor) {
    if (IsEarly()) return Stall();
    return {GetDescriptor(setup, data)};
  }
  if (IsSelection(setup.requestType, setup.request, setup.value)) return {0};
  if (IsDfuRequest(setup)) return DfuRequest(setup, data);
  return {kStalled};
}

SimKeyboard::Answer SimKeyboard::ResetPort() {
  std::lock_guard lock(mutex_);
  log_.push_back({.kind = RequestKind::PortReset});
  if (faults_.failReset || FailsNow()) {
    log_.back().failed = true;
    return {kStalled};
  }
  // Only a manifested download lets the boot loader start other firmware; any other reset makes
  // the keyboard enumerate again as it is.
  Mode returnsIn = manifested_ ? BootMode() : mode_;
  if (state_ == DfuState::appDETACH) returnsIn = Mode::Update;
  return {0, {.leaves = true, .returnsIn = returnsIn}};
}

void SimKeyboard::Enumerate(Mode mode) {
  std::lock_guard lock(mutex_);
  mode_ = mode;
  manifested_ = false;
  status_ = DfuStatus::OK;
  state_ = mode == Mode::Application ? DfuState::appIDLE : DfuState::dfuIDLE;
  if (mode == Mode::Update && faults_.errorAtUpdateModeStart) {
    state_ = DfuState::dfuERROR;
    status_ = DfuStatus::errFIRMWARE;
  }
}

SimKeyboard::Identity SimKeyboard::CurrentIdentity() const {
  std::lock_guard lock(mutex_);
  return AppearsAs();
}

Mode SimKeyboard::PowerUpMode() const {
  std::lock_guard lock(mutex_);
  return BootMode();
}

// The boot loader starts the firmware it holds only when that checks out.
Mode SimKeyboard::BootMode() const {
  return firmware_.valid ? Mode::Application : Mode::Update;
}

SimKeyboard::Identity SimKeyboard::AppearsAs() const {
  if (mode_ == Mode::Update) return {Descriptors::kUpdateProductId, 0};
  return {config_.applicationProductId, firmware_.version};
}

int SimKeyboard::GetDescriptor(const SetupPacket& setup, std::span<uint8_t> data) {
  if (faults_.failDescriptorReads) return kStalled;
  const auto type = static_cast<uint8_t>(setup.value >> 8);
  const auto index = static_cast<uint8_t>(setup.value & 0xFF);
  // Only a host reads the info text; the kernel's enumeration never does.
  if (type == Type::kString && index == Descriptors::kInfoTextIndex &&
      faults_.infoTextReadsToFail > 0) {
    --faults_.infoTextReadsToFail;
    return kStalled;
  }
  std::vector<uint8_t> descriptor;
  if (type == Type::kDevice && index == 0) {
    const Identity identity = AppearsAs();
    descriptor = Descriptors::DeviceDescriptor(identity.productId, identity.release);
  } else if (type == Type::kConfiguration && index == 0) {
    descriptor = Configuration();
  } else if (type == Type::kString) {
    descriptor = StringFor(index);
  }
  return descriptor.empty() ? kStalled : Copied(descriptor, data);
}

std::vector<uint8_t> SimKeyboard::ActiveConfiguration() const {
  std::lock_guard lock(mutex_);
  return Configuration();
}

std::vector<uint8_t> SimKeyboard::Configuration() const {
  const Descriptors::DfuSettings dfu{config_.manifestationTolerant, config_.willDetach,
                                     config_.detachTimeoutMs, config_.transferSize};
  return mode_ == Mode::Application ? Descriptors::ApplicationConfiguration(dfu)
                                    : Descriptors::UpdateConfiguration(dfu);
}

std::vector<uint8_t> SimKeyboard::StringFor(uint8_t index) const {
  switch (index) {
    case 0:
      return Descriptors::LanguageDescriptor();
    case Descriptors::kManufacturerIndex:
      return Descriptors::StringDescriptor("Corvane");
    case Descriptors::kProductIndex:
      return Descriptors::StringDescriptor("Evarix 25");
    case Descriptors::kInfoTextIndex:
      return Descriptors::StringDescriptor(InfoText());
    default:
      return {};
  }
}

std::string SimKeyboard::InfoText() const {
  char text[40];
  std::snprintf(text, sizeof text, "V%04X B%04X H%04X %s", unsigned{firmware_.version},
                unsigned{config_.bootVersion}, unsigned{config_.hardwareVersion},
                firmware_.valid ? "VALID" : "INVALID!");
  return text;
}

bool SimKeyboard::IsDfuRequest(const SetupPacket& setup) const {
  const uint8_t dfuInterface = mode_ == Mode::Application ? Descriptors::kApplicationDfuInterface
                                                          : Descriptors::kUpdateDfuInterface;
  return (setup.requestType == UsbDfu::kRequestTypeClassOut ||
          setup.requestType == UsbDfu::kRequestTypeClassIn) &&
         setup.index == dfuInterface;
}

bool SimKeyboard::IsWritingFlash() const {
  return state_ == DfuState::dfuDNLOAD_SYNC || state_ == DfuState::dfuDNBUSY ||
         state_ == DfuState::dfuMANIFEST || (state_ == DfuState::dfuMANIFEST_SYNC && !manifested_);
}

bool SimKeyboard::IsEarly() const {
  return config_.strictPollTimeout && static_cast<int32_t>(quietUntil_ - Now()) > 0;
}

SimKeyboard::Answer SimKeyboard::DfuRequest(const SetupPacket& setup, std::span<uint8_t> data) {
  const RequestKind kind = KindOf(setup.request);
  const bool toDevice = setup.requestType == UsbDfu::kRequestTypeClassOut;
  log_.push_back({.kind = kind, .value = setup.value, .length = data.size()});
  if (kind == RequestKind::Download && toDevice) log_.back().data.assign(data.begin(), data.end());

  Answer answer;
  if (FailsNow() || IsEarly() || kind == RequestKind::Unknown || toDevice != IsHostToDevice(kind)) {
    answer = Stall();
  } else if (mode_ == Mode::Application) {
    answer = RuntimeRequest(kind, data);
  } else {
    answer = DfuModeRequest(kind, setup.value, data);
  }
  log_.back().failed = answer.result < 0;
  return answer;
}

SimKeyboard::Answer SimKeyboard::RuntimeRequest(RequestKind kind, std::span<uint8_t> data) {
  switch (kind) {
    case RequestKind::Detach:
      return Detach();
    case RequestKind::GetStatus:
      return StatusReply(data, state_, 0);
    case RequestKind::GetState:
      return GetState(data);
    default:
      return Stall();
  }
}

SimKeyboard::Answer SimKeyboard::DfuModeRequest(RequestKind kind, uint16_t value,
                                                std::span<uint8_t> data) {
  switch (kind) {
    case RequestKind::Download:
      return data.empty() ? EndOfDownload() : Download(value, data);
    case RequestKind::GetStatus:
      return GetStatus(data);
    case RequestKind::ClearStatus:
      return ClearStatus();
    case RequestKind::Abort:
      return Abort();
    case RequestKind::GetState:
      return GetState(data);
    default:  // DETACH, and UPLOAD, which this keyboard does not offer
      return Stall();
  }
}

// A keyboard that announces bitWillDetach acknowledges, leaves the bus by itself and comes back
// without waiting for the host to reset it; the others wait in appDETACH for that reset.
SimKeyboard::Answer SimKeyboard::Detach() {
  state_ = DfuState::appDETACH;
  if (!config_.willDetach) return {0};
  switch (faults_.detachOutcome) {
    case DetachOutcome::Gone:
      return {0, {.leaves = true}};
    case DetachOutcome::ApplicationMode:
      return {0, {.leaves = true, .returnsIn = Mode::Application}};
    case DetachOutcome::UpdateMode:
      break;
  }
  return {0, {.leaves = true, .returnsIn = Mode::Update}};
}

SimKeyboard::Answer SimKeyboard::Download(uint16_t block, std::span<const uint8_t> data) {
  const bool starts = state_ == DfuState::dfuIDLE;
  if (!starts && state_ != DfuState::dfuDNLOAD_IDLE) return Stall();
  if (data.size() > config_.transferSize) return Stall();
  if (faults_.unplugAtBlock == block) return {kStalled, {.leaves = true}};
  if (starts) {
    // Programming the first block overwrites the firmware it held.
    payload_.clear();
    firmware_.valid = false;
    manifested_ = false;
  }
  payload_.insert(payload_.end(), data.begin(), data.end());
  block_ = block;
  state_ = DfuState::dfuDNLOAD_SYNC;
  return {static_cast<int>(data.size())};
}

SimKeyboard::Answer SimKeyboard::EndOfDownload() {
  // Nothing to end in dfuIDLE: DFU 1.1 stalls a zero-length download there.
  if (state_ != DfuState::dfuDNLOAD_IDLE) return Stall();
  state_ = DfuState::dfuMANIFEST_SYNC;
  return {0};
}

SimKeyboard::Answer SimKeyboard::GetStatus(std::span<uint8_t> data) {
  switch (state_) {
    case DfuState::dfuDNLOAD_SYNC:
      return BlockStatus(data);
    case DfuState::dfuDNBUSY:
      return BusyStatus(data);
    case DfuState::dfuMANIFEST_SYNC:
      return ManifestationStatus(data);
    case DfuState::dfuMANIFEST:
      return ManifestingStatus(data);
    case DfuState::dfuMANIFEST_WAIT_RESET:
      return StatusReply(data, faults_.stateAfterManifestation.value_or(state_), 0);
    default:
      return StatusReply(data, state_, 0);
  }
}

SimKeyboard::Answer SimKeyboard::BlockStatus(std::span<uint8_t> data) {
  if (config_.finishesBlocksAtOnce || faults_.neverBusyAtBlock == block_) {
    state_ = DfuState::dfuDNLOAD_IDLE;
    return StatusReply(data, state_, 0);
  }
  state_ = DfuState::dfuDNBUSY;
  busySince_ = Now();
  return StatusReply(data, state_, config_.pollTimeoutMs);
}

// DFU 1.1 would stall a poll that comes before the poll time-out; like many keyboards, this one
// answers it with the time still to wait.
SimKeyboard::Answer SimKeyboard::BusyStatus(std::span<uint8_t> data) {
  if (faults_.busyForever) return StatusReply(data, state_, config_.pollTimeoutMs);
  const uint32_t elapsed = Now() - busySince_;
  if (elapsed < config_.pollTimeoutMs) {
    return StatusReply(data, state_, config_.pollTimeoutMs - elapsed);
  }
  state_ = DfuState::dfuDNLOAD_IDLE;
  return StatusReply(data, state_, 0);
}

// Unless it reports dfuMANIFEST, manifestation is over by the time the first poll is answered,
// but that answer still reports dfuMANIFEST_SYNC. A tolerant keyboard then answers the next poll
// with dfuIDLE; the others stay in dfuMANIFEST_WAIT_RESET until they are reset.
SimKeyboard::Answer SimKeyboard::ManifestationStatus(std::span<uint8_t> data) {
  if (manifested_) {
    state_ = DfuState::dfuIDLE;
    return StatusReply(data, faults_.stateAfterManifestation.value_or(state_), 0);
  }
  if (faults_.unplugAfterEndOfDownload) return {kStalled, {.leaves = true}};
  if (config_.reportsManifest) {
    state_ = DfuState::dfuMANIFEST;
    busySince_ = Now();
    return StatusReply(data, state_, config_.manifestationPollTimeoutMs);
  }
  Manifest();
  if (faults_.unplugInManifestation) return {kStalled, {.leaves = true}};
  state_ =
      config_.manifestationTolerant ? DfuState::dfuMANIFEST_SYNC : DfuState::dfuMANIFEST_WAIT_RESET;
  return StatusReply(data, faults_.stateAfterEndOfDownload.value_or(DfuState::dfuMANIFEST_SYNC),
                     config_.manifestationPollTimeoutMs);
}

// In dfuMANIFEST until the time it announced has passed; then it has manifested and answers as it
// would after dfuMANIFEST_SYNC.
SimKeyboard::Answer SimKeyboard::ManifestingStatus(std::span<uint8_t> data) {
  const uint32_t elapsed = Now() - busySince_;
  if (elapsed < config_.manifestationPollTimeoutMs) {
    return StatusReply(data, state_, config_.manifestationPollTimeoutMs - elapsed);
  }
  Manifest();
  if (faults_.unplugInManifestation) return {kStalled, {.leaves = true}};
  state_ = config_.manifestationTolerant ? DfuState::dfuIDLE : DfuState::dfuMANIFEST_WAIT_RESET;
  return StatusReply(data, faults_.stateAfterManifestation.value_or(state_), 0);
}

SimKeyboard::Answer SimKeyboard::ClearStatus() {
  if (state_ != DfuState::dfuERROR) return Stall();
  state_ = DfuState::dfuIDLE;
  status_ = DfuStatus::OK;
  return {0};
}

SimKeyboard::Answer SimKeyboard::Abort() {
  if (state_ != DfuState::dfuIDLE && state_ != DfuState::dfuDNLOAD_IDLE) return Stall();
  state_ = DfuState::dfuIDLE;
  return {0};
}

SimKeyboard::Answer SimKeyboard::GetState(std::span<uint8_t> data) {
  if (state_ == DfuState::dfuDNBUSY || data.size() != 1) return Stall();
  data[0] = static_cast<uint8_t>(state_);
  return {1};
}

SimKeyboard::Answer SimKeyboard::StatusReply(std::span<uint8_t> data, DfuState reported,
                                             uint32_t pollTimeoutMs) {
  if (data.size() != kStatusSize) return Stall();
  data[0] = static_cast<uint8_t>(status_);
  data[1] = static_cast<uint8_t>(pollTimeoutMs & 0xFF);
  data[2] = static_cast<uint8_t>(pollTimeoutMs >> 8 & 0xFF);
  data[3] = static_cast<uint8_t>(pollTimeoutMs >> 16 & 0xFF);
  data[4] = static_cast<uint8_t>(reported);
  data[5] = 0;  // no status string
  quietUntil_ = Now() + pollTimeoutMs;
  return {static_cast<int>(kStatusSize)};
}

// DFU 1.1: a request the state does not allow stalls and leaves the keyboard in dfuERROR until
// CLRSTATUS. Application mode has no error state, and a keyboard waiting for its reset no longer
// listens.
SimKeyboard::Answer SimKeyboard::Stall() {
  if (mode_ == Mode::Update && state_ != DfuState::dfuMANIFEST_WAIT_RESET) {
    state_ = DfuState::dfuERROR;
    status_ = DfuStatus::errSTALLEDPKT;
  }
  return {kStalled};
}

void SimKeyboard::Manifest() {
  const std::optional<uint16_t> version = EvarixFirmware::CheckFirmwarePayload(payload_);
  firmware_ = {version.value_or(firmware_.version), version.has_value()};
  manifested_ = true;
}

bool SimKeyboard::FailsNow() {
  if (faults_.failRequest == log_.size() - 1) return true;
  if (failedFirst_ || faults_.failFirst != log_.back().kind) return false;
  failedFirst_ = true;
  return true;
}

}  // namespace EvarixSim
