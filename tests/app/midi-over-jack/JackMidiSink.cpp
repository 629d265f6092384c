// A stand-in for the keyboard's MIDI port on a JACK server: the tests send it the update-done
// message and read back what arrived.
//
//   evarix-jack-midi-sink PORT...
//
// Joins the server that JACK_DEFAULT_SERVER names, waiting up to ten seconds for it to come up,
// registers one MIDI input port per name, in the order given, and writes "ready". From then on
// every MIDI event that arrives is one line: the port's name, a tab, the bytes in hexadecimal. It
// ends when its standard input closes, after writing what has arrived, or when its parent dies.
#include <jack/jack.h>
#include <jack/midiport.h>
#include <jack/ringbuffer.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr auto kServerPatience = 10s;
constexpr size_t kRingBytes = 64 * 1024;

struct ClientCloser {
  void operator()(jack_client_t* client) const { jack_client_close(client); }
};
struct RingFree {
  void operator()(jack_ringbuffer_t* ring) const { jack_ringbuffer_free(ring); }
};

// One received event in the ring: this header, then its bytes.
struct EventHeader {
  uint32_t port;
  uint32_t size;
};

struct Sink {
  std::vector<std::string> names;
  std::vector<jack_port_t*> ports;
  std::unique_ptr<jack_ringbuffer_t, RingFree> ring;
};

// The process callback runs on JACK's thread and may not block, so events go through a lock-free
// ring to the main thread. An event that does not fit is dropped, which a test sees as missing.
int Process(jack_nframes_t frames, void* argument) {
  Sink& sink = *static_cast<Sink*>(argument);
  for (uint32_t port = 0; port < sink.ports.size(); ++port) {
    void* buffer = jack_port_get_buffer(sink.ports[port], frames);
    const uint32_t count = jack_midi_get_event_count(buffer);
    for (uint32_t index = 0; index < count; ++index) {
      jack_midi_event_t event;
      if (jack_midi_event_get(&event, buffer, index) != 0) continue;
      const EventHeader header{port, static_cast<uint32_t>(event.size)};
      if (jack_ringbuffer_write_space(sink.ring.get()) < sizeof header + event.size) continue;
      jack_ringbuffer_write(sink.ring.get(), reinterpret_cast<const char*>(&header), sizeof header);
      jack_ringbuffer_write(sink.ring.get(), reinterpret_cast<const char*>(event.buffer),
                            event.size);
    }
  }
  return 0;
}

void WriteArrived(Sink& sink) {
  EventHeader header;
  while (jack_ringbuffer_read_space(sink.ring.get()) >= sizeof header) {
    jack_ringbuffer_read(sink.ring.get(), reinterpret_cast<char*>(&header), sizeof header);
    std::vector<unsigned char> bytes(header.size);
    jack_ringbuffer_read(sink.ring.get(), reinterpret_cast<char*>(bytes.data()), bytes.size());
    std::string line = sink.names[header.port] + "\t";
    for (size_t index = 0; index < bytes.size(); ++index) {
      char hex[4];
      std::snprintf(hex, sizeof hex, index == 0 ? "%02X" : " %02X", bytes[index]);
      line += hex;
    }
    std::printf("%s\n", line.c_str());
  }
  std::fflush(stdout);
}

// The server is started just before us and takes a moment to accept clients.
std::unique_ptr<jack_client_t, ClientCloser> JoinServer() {
  // JACK names a client's notification socket after the client alone, not its server, so sinks
  // of tests running side by side need names of their own.
  const std::string name = "evarix-midi-sink-" + std::to_string(getpid());
  const auto deadline = std::chrono::steady_clock::now() + kServerPatience;
  for (;;) {
    jack_status_t status;
    jack_client_t* client = jack_client_open(name.c_str(), JackNoStartServer, &status);
    if (client != nullptr) return std::unique_ptr<jack_client_t, ClientCloser>(client);
    if (std::chrono::steady_clock::now() >= deadline) return nullptr;
    std::this_thread::sleep_for(50ms);
  }
}

}  // namespace

int main(int argc, char** argv) {
  prctl(PR_SET_PDEATHSIG, SIGTERM);
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s PORT...\n", argv[0]);
    return 2;
  }
  // The library complains on every refused attempt while the server comes up.
  jack_set_error_function([](const char*) {});
  jack_set_info_function([](const char*) {});

  Sink sink;
  sink.names.assign(argv + 1, argv + argc);
  sink.ring.reset(jack_ringbuffer_create(kRingBytes));
  const auto client = JoinServer();
  if (!client) {
    std::fprintf(stderr, "no JACK server came up\n");
    return 1;
  }
  for (const std::string& name : sink.names) {
    jack_port_t* port =
        jack_port_register(client.get(), name.c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    if (port == nullptr) {
      std::fprintf(stderr, "cannot register %s\n", name.c_str());
      return 1;
    }
    sink.ports.push_back(port);
  }
  if (jack_set_process_callback(client.get(), Process, &sink) != 0 ||
      jack_activate(client.get()) != 0) {
    std::fprintf(stderr, "cannot start processing\n");
    return 1;
  }
  std::printf("ready\n");
  std::fflush(stdout);

  for (;;) {
    pollfd input{STDIN_FILENO, POLLIN, 0};
    const int ready = poll(&input, 1, 20);
    WriteArrived(sink);
    if (ready > 0) {
      char discard[64];
      if (read(STDIN_FILENO, discard, sizeof discard) <= 0) break;
    }
  }
  jack_deactivate(client.get());
  WriteArrived(sink);
  return 0;
}
