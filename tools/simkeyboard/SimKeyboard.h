#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/DfuState.h"
#include "platform/UsbDfuWire.h"

// A simulated keyboard below the USB layer, for tests without hardware.
namespace EvarixSim {

enum class Mode { Application, Update };

using DfuState = CVFirmwareLoader::DfuState;

// The DFU 1.1 status codes this keyboard reports.
enum class DfuStatus : uint8_t {
  OK = 0x00,
  errFIRMWARE = 0x0A,    // the firmware it holds does not check out
  errSTALLEDPKT = 0x0F,  // a request it did not expect in its state
};

// What the keyboard is when it is plugged in.
struct KeyboardConfig {
  Mode mode = Mode::Application;
  // The firmware it holds, run in application mode and named in the info text.
  uint16_t firmwareVersion = 0x1022;
  bool firmwareValid = true;
  uint16_t bootVersion = 0x0780;      // named in the info text
  uint16_t hardwareVersion = 0x0100;  // named in the info text
  uint16_t detachTimeoutMs = 1000;
  uint16_t transferSize = 64;
  uint32_t pollTimeoutMs = 10;  // time it needs to program one block
  // Tolerant keyboards return to dfuIDLE after manifestation; the others wait for a reset.
  bool manifestationTolerant = false;
  // The time it announces for manifestation, which it spends in dfuMANIFEST when it reports that
  // state; otherwise it has manifested by its first answer after the last block.
  uint32_t manifestationPollTimeoutMs = 0;
  bool reportsManifest = false;
  // Stalls any request that comes before the poll time-out it announced has passed, as DFU 1.1
  // lets it; the others answer an early poll with the time still to wait.
  bool strictPollTimeout = false;
  // Writes each block as it arrives and answers dfuDNLOAD_IDLE without going busy.
  bool finishesBlocksAtOnce = false;
  // Leaves the bus by itself after DETACH; without bitWillDetach it waits for the host's reset.
  bool willDetach = true;
  // What it calls itself in application mode; another of the maker's products shows another.
  uint16_t applicationProductId = 0x0005;
};

enum class DetachOutcome {
  UpdateMode,       // leaves and comes back in update mode, as it should
  Gone,             // leaves and never comes back
  ApplicationMode,  // leaves and comes back as it was
};

// DFU class requests carry their DFU 1.1 numbers.
constexpr uint16_t NumberOf(CVFirmwareLoader::UsbDfu::Request request) {
  return static_cast<uint16_t>(request);
}
enum class RequestKind : uint16_t {
  Detach = NumberOf(CVFirmwareLoader::UsbDfu::Request::Detach),
  Download = NumberOf(CVFirmwareLoader::UsbDfu::Request::Download),
  Upload = NumberOf(CVFirmwareLoader::UsbDfu::Request::Upload),
  GetStatus = NumberOf(CVFirmwareLoader::UsbDfu::Request::GetStatus),
  ClearStatus = NumberOf(CVFirmwareLoader::UsbDfu::Request::ClearStatus),
  GetState = NumberOf(CVFirmwareLoader::UsbDfu::Request::GetState),
  Abort = NumberOf(CVFirmwareLoader::UsbDfu::Request::Abort),
  Unknown = 0xFE,  // a class request DFU 1.1 does not define
  PortReset = 0xFF,
};

// One DFU class request or port reset the keyboard received, in order of arrival.
struct LoggedRequest {
  RequestKind kind = RequestKind::Unknown;
  uint16_t value = 0;           // wValue: block number, detach time-out
  size_t length = 0;            // wLength
  std::vector<uint8_t> data{};  // a download's data
  bool failed = false;          // stalled, or the keyboard left during it

  bool operator==(const LoggedRequest&) const = default;
};

// Misbehaviour to switch on per test; the default is a healthy keyboard.
struct Faults {
  std::optional<uint16_t> neverBusyAtBlock{};         // this block reports dfuDNLOAD_IDLE at once
  bool busyForever = false;                           // no block ever leaves dfuDNBUSY
  bool errorAtUpdateModeStart = false;                // update mode starts in dfuERROR, errFIRMWARE
  std::optional<DfuState> stateAfterEndOfDownload{};  // reported instead of dfuMANIFEST_SYNC
  std::optional<DfuState> stateAfterManifestation{};  // reported instead of the state after it
  DetachOutcome detachOutcome = DetachOutcome::UpdateMode;
  std::optional<uint16_t> unplugAtBlock{};  // the cable comes out while this block arrives
  bool unplugAfterEndOfDownload = false;    // ... when asked for its status after the last block
  bool unplugInManifestation = false;       // ... once it has manifested, before it answers
  std::optional<size_t> failRequest{};      // the request that gets this index in Requests() stalls
  std::optional<RequestKind> failFirst{};   // the first request of this kind from now on stalls
  bool failReset = false;
  // Every GET_DESCRIPTOR stalls, so nothing can find the DFU interface: no request gets through.
  bool failDescriptorReads = false;
  int infoTextReadsToFail = 0;  // the next this many reads of the info text stall
};

class SimBus;

// The keyboard's USB device: descriptors, the DFU 1.1 state machine in both modes, and the
// firmware it holds. Made and driven by a SimBus; its queries may be called from any thread.
class SimKeyboard {
 public:
  SimKeyboard(const SimKeyboard&) = delete;
  SimKeyboard& operator=(const SimKeyboard&) = delete;

  void SetFaults(const Faults& faults);

  Mode CurrentMode() const;
  uint16_t FirmwareVersion() const;  // of the firmware it runs in application mode
  bool FirmwareValid() const;
  DfuState State() const;
  DfuStatus Status() const;
  std::vector<uint8_t> ReceivedPayload() const;  // the data of the latest download
  // DFU class requests and port resets since it was made; descriptor reads are not logged.
  std::vector<LoggedRequest> Requests() const;
  // Forgets the requests logged so far, which a long run would otherwise keep every block of.
  void ClearRequests();
  // Standard requests (descriptor reads among them) that reached it while it was writing its
  // flash: between a block and its status, while busy with it, or while manifesting.
  size_t StandardRequestsWhileBusy() const;
  // Every control transfer that reached it, descriptor reads and DFU requests alike.
  size_t ControlTransfers() const;
  // Gives it other valid firmware, as another program might have; the host sees the change once
  // the keyboard has been plugged in again.
  void ReplaceFirmware(uint16_t version);

 private:
  friend class SimBus;

  struct SetupPacket {
    uint8_t requestType;
    uint8_t request;
    uint16_t value;
    uint16_t index;
  };

  // How the keyboard moves on the bus once a request has been answered.
  struct BusMove {
    bool leaves = false;
    std::optional<Mode> returnsIn{};
  };

  struct Answer {
    int result = 0;  // bytes transferred, or -1
    BusMove move{};
  };

  struct Firmware {
    uint16_t version;
    bool valid;
  };

  // What the host sees in the device descriptor.
  struct Identity {
    uint16_t productId;
    uint16_t release;
  };

  explicit SimKeyboard(const KeyboardConfig& config);

  // The bus side; the bus serialises these.
  Answer Control(const SetupPacket& setup, std::span<uint8_t> data);
  Answer ResetPort();
  void Enumerate(Mode mode);
  Identity CurrentIdentity() const;
  std::vector<uint8_t> ActiveConfiguration() const;
  // What it starts in once plugged in again.
  Mode PowerUpMode() const;

  // With the lock held.
  Identity AppearsAs() const;
  Mode BootMode() const;
  int GetDescriptor(const SetupPacket& setup, std::span<uint8_t> data);
  std::vector<uint8_t> Configuration() const;
  std::vector<uint8_t> StringFor(uint8_t index) const;
  std::string InfoText() const;
  bool IsDfuRequest(const SetupPacket& setup) const;
  bool IsWritingFlash() const;
  bool IsEarly() const;
  Answer DfuRequest(const SetupPacket& setup, std::span<uint8_t> data);
  Answer RuntimeRequest(RequestKind kind, std::span<uint8_t> data);
  Answer DfuModeRequest(RequestKind kind, uint16_t value, std::span<uint8_t> data);
  Answer Detach();
  Answer Download(uint16_t block, std::span<const uint8_t> data);
  Answer EndOfDownload();
  Answer GetStatus(std::span<uint8_t> data);
  Answer BlockStatus(std::span<uint8_t> data);
  Answer BusyStatus(std::span<uint8_t> data);
  Answer ManifestationStatus(std::span<uint8_t> data);
  Answer ManifestingStatus(std::span<uint8_t> data);
  Answer ClearStatus();
  Answer Abort();
  Answer GetState(std::span<uint8_t> data);
  Answer StatusReply(std::span<uint8_t> data, DfuState reported, uint32_t pollTimeoutMs);
  Answer Stall();
  void Manifest();
  bool FailsNow();

  const KeyboardConfig config_;
  mutable std::mutex mutex_;
  Faults faults_;
  bool failedFirst_ = false;  // the request faults_.failFirst names has failed once
  Firmware firmware_;
  Mode mode_ = Mode::Application;
  DfuState state_ = DfuState::appIDLE;
  DfuStatus status_ = DfuStatus::OK;
  uint16_t block_ = 0;       // the latest block received
  uint32_t busySince_ = 0;   // tick count when it began to program that block or to manifest
  uint32_t quietUntil_ = 0;  // tick count until which it announced it would be busy
  size_t standardWhileBusy_ = 0;
  size_t controlTransfers_ = 0;
  bool manifested_ = false;  // what it received has been manifested and awaits a reset to run
  std::vector<uint8_t> payload_;
  std::vector<LoggedRequest> log_;
};

}  // namespace EvarixSim
