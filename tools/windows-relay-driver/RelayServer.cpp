#include "tools/windows-relay-driver/RelayServer.h"

#include <algorithm>
#include <iostream>
#include <stdexcept>
#include <type_traits>
#include <vector>

#include "platform/windows/DriverInterfaceClass.h"
#include "tools/windows-relay-driver/RelayProtocol.h"

namespace EvarixRelay {

namespace {

static_assert(CVFirmwareLoader::kKeyboardInterfaceClassText == EVARIX_RELAY_INTERFACE_CLASS,
              "the driver's links must carry the keyboard's interface class");

constexpr DWORD kPipeBufferSize = 4096;

template <typename Frame>
auto BytesOf(Frame& frame) {
  using Byte = std::conditional_t<std::is_const_v<Frame>, const uint8_t, uint8_t>;
  return std::span<Byte>(reinterpret_cast<Byte*>(&frame), sizeof(Frame));
}

// Overlapped transfers on one pipe instance that end early when the server is told to stop.
class PipeIo {
 public:
  PipeIo(HANDLE pipe, HANDLE done, HANDLE stop) : pipe_(pipe), done_(done), stop_(stop) {}

  bool Connect() {
    DWORD ignored = 0;
    return Run([this](OVERLAPPED& overlapped) { return ConnectNamedPipe(pipe_, &overlapped); },
               ignored);
  }

  bool Read(std::span<uint8_t> bytes) {
    return All(bytes, [this](uint8_t* at, DWORD size, OVERLAPPED& overlapped) {
      return ReadFile(pipe_, at, size, nullptr, &overlapped);
    });
  }

  // Until the other end closes, reading whatever it still sends.
  void WaitClosed() {
    uint8_t ignored[16];
    while (Read(ignored)) {
    }
  }

  bool Write(std::span<const uint8_t> bytes) {
    return All(bytes, [this](const uint8_t* at, DWORD size, OVERLAPPED& overlapped) {
      return WriteFile(pipe_, at, size, nullptr, &overlapped);
    });
  }

 private:
  // A byte pipe may move fewer bytes than asked for.
  template <typename Byte, typename Start>
  bool All(std::span<Byte> bytes, Start start) {
    while (!bytes.empty()) {
      DWORD done = 0;
      const auto next = [&](OVERLAPPED& overlapped) {
        return start(bytes.data(), static_cast<DWORD>(bytes.size()), overlapped);
      };
      if (!Run(next, done) || done == 0) return false;
      bytes = bytes.subspan(done);
    }
    return true;
  }

  // False when the transfer failed, or when the server is stopping: the transfer is then
  // cancelled and waited for, since the record it writes lives on this stack.
  template <typename Start>
  bool Run(Start start, DWORD& transferred) {
    OVERLAPPED overlapped{};
    overlapped.hEvent = done_;
    if (!start(overlapped)) {
      const DWORD error = GetLastError();
      if (error == ERROR_PIPE_CONNECTED) return true;  // the driver came before the wait
      if (error != ERROR_IO_PENDING) return false;
    }
    const HANDLE events[] = {done_, stop_};
    if (WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0) {
      CancelIoEx(pipe_, &overlapped);
      GetOverlappedResult(pipe_, &overlapped, &transferred, TRUE);
      return false;
    }
    return GetOverlappedResult(pipe_, &overlapped, &transferred, FALSE) != FALSE;
  }

  const HANDLE pipe_;
  const HANDLE done_;
  const HANDLE stop_;
};

}  // namespace

UniqueHandle& UniqueHandle::operator=(UniqueHandle&& other) noexcept {
  if (this != &other) Reset(std::exchange(other.handle_, nullptr));
  return *this;
}

void UniqueHandle::Reset(HANDLE handle) {
  if (Valid()) CloseHandle(handle_);
  handle_ = handle;
}

RelayServer::RelayServer(EvarixSim::SimBus& bus, CVFirmwareLoader::IDriverTransport& transport,
                         SlotListener listener, FollowedListener followed)
    : bus_(bus),
      transport_(transport),
      listener_(std::move(listener)),
      followed_(std::move(followed)),
      stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      ioDone_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      listening_(NewInstance(true)) {
  if (!stop_.Valid() || !ioDone_.Valid()) {
    throw std::runtime_error("relay server: no events (error " + std::to_string(GetLastError()) +
                             ")");
  }
  busListener_ =
      bus_.AddListener([this](const EvarixSim::BusChange& change) { OnBusChange(change); });
  thread_ = std::thread([this] { Serve(); });
}

RelayServer::~RelayServer() {
  SetEvent(stop_.Get());
  thread_.join();
  bus_.RemoveListener(busListener_);
}

std::optional<uint32_t> RelayServer::SlotOf(const EvarixSim::SimKeyboard& keyboard) const {
  const std::optional<EvarixSim::PresentDevice> appearance = bus_.AppearanceOf(keyboard);
  if (!appearance) return std::nullopt;
  std::lock_guard lock(slotsMutex_);
  for (const auto& [slot, path] : slots_) {
    if (path == appearance->path) return slot;
  }
  return std::nullopt;
}

void RelayServer::OnBusChange(const EvarixSim::BusChange& change) {
  SlotChange slotChange{change.kind, 0, change.device};
  {
    std::lock_guard lock(slotsMutex_);
    if (change.kind == EvarixSim::BusChange::Kind::Added) {
      slotChange.slot = TakeSlot(change.device.path);
    } else {
      const auto found = std::ranges::find(slots_, change.device.path,
                                           [](const auto& entry) { return entry.second; });
      if (found == slots_.end()) return;
      slotChange.slot = found->first;
      slots_.erase(found);
    }
  }
  if (slotChange.slot == EVARIX_RELAY_SLOTS) {
    std::wcerr << L"relay server: every slot is taken; " << change.device.path
               << L" cannot be reached" << std::endl;
    return;
  }
  if (listener_) listener_(slotChange);
  // A keyboard that moved while answering a request is followed by the driver with that answer;
  // one that moved by itself has the driver follow it now, before the change is over.
  if (std::this_thread::get_id() == thread_.get_id()) {
    movedInFrame_ = true;
    return;
  }
  HaveDriverFollow();
  if (followed_) followed_();
}

// The driver answers only once it has relayed the request here: never from the serving thread.
void RelayServer::HaveDriverFollow() {
  UniqueHandle control(CreateFileW(L"\\\\.\\" EVARIX_RELAY_CONTROL_NAME,
                                   GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD returned = 0;
  if (!control.Valid() || !DeviceIoControl(control.Get(), EVARIX_RELAY_FOLLOW_SLOTS, nullptr, 0,
                                           nullptr, 0, &returned, nullptr)) {
    std::cerr << "relay server: the driver cannot follow the keyboards (error " << GetLastError()
              << ")" << std::endl;
  }
}

uint64_t RelayServer::SlotsInUse() const {
  std::lock_guard lock(slotsMutex_);
  uint64_t slots = 0;
  for (const auto& [slot, path] : slots_) slots |= uint64_t{1} << slot;
  return slots;
}

// Slots count up, as device instances do, and start again past the last, skipping those in use;
// a slot is thus used again only long after its keyboard left it. EVARIX_RELAY_SLOTS: none free.
uint32_t RelayServer::TakeSlot(const std::wstring& path) {
  for (uint32_t tried = 0; tried < EVARIX_RELAY_SLOTS; ++tried) {
    const uint32_t slot = nextSlot_;
    nextSlot_ = (nextSlot_ + 1) % EVARIX_RELAY_SLOTS;
    if (slots_.emplace(slot, path).second) return slot;
  }
  return EVARIX_RELAY_SLOTS;
}

std::optional<std::wstring> RelayServer::PathIn(uint32_t slot) const {
  std::lock_guard lock(slotsMutex_);
  const auto found = slots_.find(slot);
  if (found == slots_.end()) return std::nullopt;
  return found->second;
}

// The first instance claims the name, so a second server (a test still running beside this one)
// is refused rather than left to share the driver's requests.
UniqueHandle RelayServer::NewInstance(bool first) {
  const DWORD openMode =
      PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0);
  UniqueHandle pipe(
      CreateNamedPipeW(L"\\\\.\\pipe\\" EVARIX_RELAY_PIPE_NAME, openMode,
                       PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
                       PIPE_UNLIMITED_INSTANCES, kPipeBufferSize, kPipeBufferSize, 0, nullptr));
  if (!pipe.Valid()) {
    throw std::runtime_error("relay server: cannot make the pipe " +
                             std::string(first ? "(is another relay server running?) " : "") +
                             "(error " + std::to_string(GetLastError()) + ")");
  }
  return pipe;
}

// Each request comes on a connection of its own. The next instance is made before a connection is
// served, so that the driver's next open always finds one waiting.
void RelayServer::Serve() {
  try {
    while (PipeIo(listening_.Get(), ioDone_.Get(), stop_.Get()).Connect()) {
      UniqueHandle connected = std::exchange(listening_, NewInstance(false));
      ServeConnection(connected.Get());
      DisconnectNamedPipe(connected.Get());
    }
  } catch (const std::exception& error) {
    std::cerr << error.what() << ": the driver's requests are no longer answered" << std::endl;
  }
}

void RelayServer::ServeConnection(HANDLE pipe) {
  PipeIo io(pipe, ioDone_.Get(), stop_.Get());
  EvarixRelayRequest request{};
  if (!io.Read(BytesOf(request))) return;
  // Frames no driver of ours sends are not answered: the driver sees a broken pipe.
  if (request.requestLength > EVARIX_RELAY_MAX_REQUEST ||
      request.replyRoom > EVARIX_RELAY_MAX_REPLY) {
    return;
  }
  std::vector<uint8_t> bytes(request.requestLength);
  if (!io.Read(bytes)) return;
  // The driver's request layouts leave unwritten reply bytes at 0; so does this zeroed buffer.
  std::vector<uint8_t> reply(request.replyRoom);
  const bool accepted = Answer(request.slot, request.code, bytes, reply);
  const EvarixRelayReply answer{accepted ? 1u : 0u, accepted ? request.replyRoom : 0u,
                                SlotsInUse()};
  std::vector<uint8_t> frame(sizeof(answer) + answer.replyLength);
  std::ranges::copy(BytesOf(answer), frame.begin());
  std::copy_n(reply.begin(), answer.replyLength, frame.begin() + sizeof(answer));
  // Disconnecting discards what the driver has not read yet: it has read all once it closes, and
  // followed the slots in use.
  if (io.Write(frame)) io.WaitClosed();
  if (std::exchange(movedInFrame_, false) && followed_) followed_();
}

bool RelayServer::Answer(uint32_t slot, uint32_t code, std::span<const uint8_t> request,
                         std::span<uint8_t> reply) {
  if (code == EVARIX_RELAY_FOLLOW_SLOTS) return true;
  const std::optional<std::wstring> path = PathIn(slot);
  std::unique_ptr<CVFirmwareLoader::IDriverHandle> handle = path ? transport_.Open(*path) : nullptr;
  if (code == EVARIX_RELAY_OPEN) return handle != nullptr;
  ++requests_;
  return handle != nullptr && handle->Control(code, request, reply);
}

}  // namespace EvarixRelay
