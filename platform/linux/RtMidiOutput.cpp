#include "RtMidiOutput.h"

#include <RtMidi.h>
#include <jack/jack.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

namespace CVFirmwareLoader {

namespace {

using namespace std::chrono_literals;

// What our own output port is called while it is connected to the keyboard's port.
constexpr std::string_view kOwnPortName = "Evarix Firmware Updater out";

// How long we wait for a JACK server to put a change of connections into effect. It takes a
// process cycle or a few; a server that takes this long has stopped processing.
constexpr auto kJackPatience = 2s;
constexpr const char* kSequencerDevice = "/dev/snd/seq";

RtMidi::Api ApiOf(MidiSystem system) {
  return system == MidiSystem::Jack ? RtMidi::UNIX_JACK : RtMidi::LINUX_ALSA;
}

// RtMidi reports some real failures, such as a message the sequencer would not take, only as
// warnings, whose type is 0; they must not read as success.
int NumberOf(RtMidiError::Type type) {
  return type == RtMidiError::WARNING ? RtMidiError::UNSPECIFIED : static_cast<int>(type);
}

// Once a callback is set, RtMidi neither throws nor prints: it hands every error here.
void RecordError(RtMidiError::Type type, const std::string&, void* reported) {
  if (type == RtMidiError::DEBUG_WARNING) return;  // chatter, not a failure
  int& first = *static_cast<int*>(reported);
  if (first == 0) first = NumberOf(type);
}

// Runs one RtMidi call; 0, or the number of the first failure it threw or reported.
template <typename Call>
int Attempt(int& reported, Call&& call) {
  reported = 0;
  try {
    call();
  } catch (const RtMidiError& error) {
    return NumberOf(error.getType());
  } catch (...) {
    return RtMidiError::UNSPECIFIED;
  }
  return reported;
}

struct JackClientCloser {
  void operator()(jack_client_t* client) const { jack_client_close(client); }
};

void Unheard(const char*) {}

// libjack writes every complaint to standard error, a missing server among them, which is an
// ordinary answer here; the program says in its own lines what went wrong.
void SilenceJack() {
  static std::once_flag silenced;
  std::call_once(silenced, [] {
    jack_set_error_function(Unheard);
    jack_set_info_function(Unheard);
  });
}

// Asks without starting a server.
bool JackServerRuns(const std::string& clientName) {
  jack_status_t status;
  return std::unique_ptr<jack_client_t, JackClientCloser>(
             jack_client_open(clientName.c_str(), JackNoStartServer, &status)) != nullptr;
}

bool Await(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + kJackPatience;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

}  // namespace

// RtMidi's JACK output leaves the server's timing to chance at both ends of a message.
//
// The server puts a change of connections into effect only at the start of a process cycle, and
// only once every client has finished the cycle before; on a busy machine that is many cycles
// after the request. RtMidi connects and returns at once (ignoring a refused connection), so a
// message sent right away may be taken from its queue in a cycle where our port still leads
// nowhere. RtMidi closes by unregistering its port as soon as its own process callback has taken
// the message, while the keyboard's client may not yet have read it in that cycle. And it frees
// its queue before it leaves the server, while a process callback may still be reading it.
//
// A client of our own sees the connections in effect now, and its own pair of ports gives us a
// change that nobody else notices: once a change we ask for is in effect, every process callback
// that was running when we asked has finished. So we wait after opening until our connection is
// in effect; before closing, for one such change (the cycle that takes the message has begun) and
// then for our disconnection (that cycle has finished in every client, the keyboard's too); and
// after closing, for one more change (no callback is still looking at the port or the queue).
class JackWatch {
 public:
  static std::unique_ptr<JackWatch> Join(const std::string& clientName) {
    jack_status_t status;
    std::unique_ptr<jack_client_t, JackClientCloser> client(
        jack_client_open(clientName.c_str(), JackNoStartServer, &status));
    if (!client) return nullptr;
    jack_port_t* out =
        jack_port_register(client.get(), "tick out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    jack_port_t* in =
        jack_port_register(client.get(), "tick in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    // Only an active client's ports may be connected; this one needs no process callback.
    if (out == nullptr || in == nullptr || jack_activate(client.get()) != 0) return nullptr;
    return std::unique_ptr<JackWatch>(
        new JackWatch(std::move(client), jack_port_name(out), jack_port_name(in)));
  }

  // Until the keyboard's port shows a connection from our port; false when it never does.
  bool AwaitConnection(const std::string& destination) {
    destination_ = destination;
    return Await([&] {
      for (const std::string& name : ConnectionsOf(destination_)) {
        if (IsOurPort(name)) {
          ours_ = name;
          return true;
        }
      }
      return false;
    });
  }

  // Until whatever was sent has reached the keyboard's port, which is then left.
  bool AwaitDeliveryAndDisconnect() {
    return AwaitCycleBoundary() &&
           jack_disconnect(client_.get(), ours_.c_str(), destination_.c_str()) == 0 &&
           Await([&] { return !Connected(destination_, ours_); });
  }

  // Until a change asked for now is in effect, by connecting or disconnecting our own two ports.
  bool AwaitCycleBoundary() {
    const bool connect = !Connected(tickIn_, tickOut_);
    const int asked = connect ? jack_connect(client_.get(), tickOut_.c_str(), tickIn_.c_str())
                              : jack_disconnect(client_.get(), tickOut_.c_str(), tickIn_.c_str());
    return asked == 0 && Await([&] { return Connected(tickIn_, tickOut_) == connect; });
  }

 private:
  JackWatch(std::unique_ptr<jack_client_t, JackClientCloser> client, std::string tickOut,
            std::string tickIn)
      : client_(std::move(client)), tickOut_(std::move(tickOut)), tickIn_(std::move(tickIn)) {}

  static bool IsOurPort(std::string_view fullName) {
    return fullName.size() > kOwnPortName.size() && fullName.ends_with(kOwnPortName) &&
           fullName[fullName.size() - kOwnPortName.size() - 1] == ':';
  }

  std::vector<std::string> ConnectionsOf(const std::string& portName) {
    std::vector<std::string> names;
    jack_port_t* port = jack_port_by_name(client_.get(), portName.c_str());
    if (port == nullptr) return names;
    if (const char** list = jack_port_get_all_connections(client_.get(), port)) {
      for (const char** name = list; *name != nullptr; ++name) names.emplace_back(*name);
      jack_free(list);
    }
    return names;
  }

  bool Connected(const std::string& portName, const std::string& other) {
    const std::vector<std::string> names = ConnectionsOf(portName);
    return std::find(names.begin(), names.end(), other) != names.end();
  }

  std::unique_ptr<jack_client_t, JackClientCloser> client_;
  std::string tickOut_;
  std::string tickIn_;
  std::string destination_;
  std::string ours_;
};

RtMidiOutput::RtMidiOutput(MidiSystem system, const std::string& clientName)
    : system_(system), clientName_(clientName) {
  // Asked for a system it was not built with, RtMidi would quietly take another one.
  if (!Supports(system)) {
    unreachable_ = RtMidiError::INVALID_PARAMETER;
    return;
  }
  // With no JACK server to join, RtMidi's JACK output leaks a queue on every call (it builds one
  // before each attempt to join), so we look for a server ourselves first.
  if (system == MidiSystem::Jack) SilenceJack();
  if (system == MidiSystem::Jack && !JackServerRuns(clientName)) {
    unreachable_ = RtMidiError::DRIVER_ERROR;
    return;
  }
  try {
    midi_ = std::make_unique<RtMidiOut>(ApiOf(system), clientName);
    midi_->setErrorCallback(&RecordError, &reported_);
  } catch (const RtMidiError& error) {
    midi_.reset();
    unreachable_ = NumberOf(error.getType());
  } catch (...) {
    midi_.reset();
    unreachable_ = RtMidiError::UNSPECIFIED;
  }
}

RtMidiOutput::~RtMidiOutput() {
  // A port left open (after a failed send) is closed here rather than by RtMidi's destructor,
  // which would race its own process callback.
  if (open_) ClosePort();
}

bool RtMidiOutput::Supports(MidiSystem system) {
  std::vector<RtMidi::Api> apis;
  RtMidi::getCompiledApi(apis);
  return std::find(apis.begin(), apis.end(), ApiOf(system)) != apis.end();
}

MidiSystem RtMidiOutput::SystemOfThisMachine() {
  return ::access(kSequencerDevice, F_OK) == 0 ? MidiSystem::Alsa : MidiSystem::Jack;
}

unsigned RtMidiOutput::PortCount() {
  if (!midi_) return 0;
  unsigned count = 0;
  if (Attempt(reported_, [&] { count = midi_->getPortCount(); }) != 0) return 0;
  return count;
}

std::optional<std::string> RtMidiOutput::PortName(unsigned index) {
  // Past the last port RtMidi's JACK output would ask a client that may not exist.
  if (index >= PortCount()) return std::nullopt;
  std::string name;
  if (Attempt(reported_, [&] { name = midi_->getPortName(index); }) != 0) return std::nullopt;
  return name;
}

int RtMidiOutput::Open(unsigned index) {
  if (!midi_) return unreachable_;
  if (open_) return RtMidiError::INVALID_USE;
  // Checked here rather than left to RtMidi: its JACK output registers a port on a client that
  // may not exist when the server has gone.
  const unsigned count = PortCount();
  if (count == 0) return RtMidiError::NO_DEVICES_FOUND;
  if (index >= count) return RtMidiError::INVALID_PARAMETER;
  int error = Attempt(reported_, [&] { midi_->openPort(index, std::string(kOwnPortName)); });
  if (error == 0 && system_ == MidiSystem::Jack) {
    const std::optional<std::string> destination = PortName(index);
    jack_ = destination ? JackWatch::Join(clientName_ + " watch") : nullptr;
    if (!jack_ || !jack_->AwaitConnection(*destination)) error = RtMidiError::DRIVER_ERROR;
  }
  if (error != 0) {
    // A failed open may have left our own port registered; nothing is open as far as callers
    // know, so it goes too.
    ClosePort();
    return error;
  }
  open_ = true;
  return 0;
}

int RtMidiOutput::PrepareSystemExclusive(std::span<const uint8_t> message) {
  if (!open_ || !prepared_.empty()) return RtMidiError::INVALID_USE;
  if (message.empty()) return RtMidiError::INVALID_PARAMETER;
  prepared_.assign(message.begin(), message.end());
  return 0;
}

int RtMidiOutput::SendSystemExclusive() {
  if (prepared_.empty()) return RtMidiError::INVALID_USE;
  return Attempt(reported_, [&] { midi_->sendMessage(prepared_.data(), prepared_.size()); });
}

int RtMidiOutput::UnprepareSystemExclusive() {
  if (prepared_.empty()) return RtMidiError::INVALID_USE;
  prepared_.clear();
  return 0;
}

int RtMidiOutput::Reset() {
  return open_ ? 0 : RtMidiError::INVALID_USE;
}

int RtMidiOutput::Close() {
  if (!open_) return RtMidiError::INVALID_USE;
  // A message that may not have arrived makes the close a failure, but the port goes all the same.
  const bool delivered = !jack_ || jack_->AwaitDeliveryAndDisconnect();
  const int error = ClosePort();
  if (error != 0) return error;
  open_ = false;
  prepared_.clear();
  return delivered ? 0 : RtMidiError::DRIVER_ERROR;
}

int RtMidiOutput::ClosePort() {
  const int error = Attempt(reported_, [&] { midi_->closePort(); });
  if (jack_) {
    jack_->AwaitCycleBoundary();
    jack_.reset();
  }
  return error;
}

}  // namespace CVFirmwareLoader
