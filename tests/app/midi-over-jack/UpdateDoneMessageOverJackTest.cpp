// The update-done message through the real MIDI stack, without sound hardware: a JACK server with
// its dummy backend, our sink client standing in for the keyboard's port, and RtMidi's JACK output.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/SendUpdateDoneMessage.h"
#include "platform/MidiOutput.h"
#include "platform/linux/RtMidiOutput.h"

#ifndef EVARIX_JACK_MIDI_SINK
#error "EVARIX_JACK_MIDI_SINK must name the sink built from JackMidiSink.cpp beside this file"
#endif

// Under the leak checker: libjack keeps Berkeley DB's metadata store for the life of the process,
// and now and again what it holds at exit counts as lost.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libdb-5.3.so\n";
}

// Under the race checker: libjack hands MIDI from the sender to its process thread through a
// lock-free ring buffer whose barriers the checker cannot see in an uninstrumented library.
extern "C" const char* __tsan_default_suppressions() {
  return "race:libjack.so.0\n";
}

namespace CVFirmwareLoader {
namespace {

using namespace std::chrono_literals;
using testing::HasSubstr;
using testing::Optional;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

constexpr auto kPatience = 15s;  // the server's start, the sink's joining, a message's arrival
const std::string kKeyboardPort = "Evarix 25 Quorvel in";
const std::string kOtherPort = "Synth in";  // registered first, so a search that fails sends here

// A program we started, ended (politely, then not) when it goes out of scope. Its standard input
// and output are pipes to us when asked for; otherwise they lead nowhere.
class Child {
 public:
  Child(const std::string& program, const std::vector<std::string>& arguments, bool piped)
      : piped_(piped) {
    std::vector<std::string> all{program};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : all) argv.push_back(argument.data());
    argv.push_back(nullptr);

    int toChild[2] = {-1, -1};
    int fromChild[2] = {-1, -1};
    if (piped && (pipe2(toChild, O_CLOEXEC) != 0 || pipe2(fromChild, O_CLOEXEC) != 0)) return;
    const int nowhere = open("/dev/null", O_RDWR | O_CLOEXEC);
    pid_ = fork();
    if (pid_ == 0) {
      // Only async-signal-safe calls from here to the exec.
      prctl(PR_SET_PDEATHSIG, SIGKILL);  // no server outlives a crashed test
      dup2(piped ? toChild[0] : nowhere, STDIN_FILENO);
      dup2(piped ? fromChild[1] : nowhere, STDOUT_FILENO);
      dup2(nowhere, STDERR_FILENO);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(nowhere);
    if (piped) {
      close(toChild[0]);
      close(fromChild[1]);
      input_ = toChild[1];
      output_ = fromChild[0];
    }
  }

  ~Child() {
    CloseInput();
    if (output_ >= 0) close(output_);
    if (pid_ <= 0) return;
    // A sink ends by itself once its input is closed; the server needs telling.
    if (piped_ && WaitForExit(5s)) return;
    kill(pid_, SIGTERM);
    if (!WaitForExit(5s)) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }

  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  bool Started() const { return pid_ > 0; }

  bool HasExited() {
    if (exited_) return true;
    exited_ = waitpid(pid_, nullptr, WNOHANG) == pid_;
    return exited_;
  }

  void CloseInput() {
    if (input_ >= 0) close(input_);
    input_ = -1;
  }

  // The next line without its newline; nothing at the end of the output or when none came in time.
  std::optional<std::string> ReadLine(std::chrono::milliseconds patience = kPatience) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
      if (const size_t end = pending_.find('\n'); end != std::string::npos) {
        std::string line = pending_.substr(0, end);
        pending_.erase(0, end + 1);
        return line;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (ended_ || left <= 0ms) return std::nullopt;
      pollfd ready{output_, POLLIN, 0};
      if (poll(&ready, 1, static_cast<int>(left.count())) <= 0) continue;
      std::array<char, 256> bytes;
      const ssize_t count = read(output_, bytes.data(), bytes.size());
      if (count <= 0) {
        ended_ = true;
      } else {
        pending_.append(bytes.data(), static_cast<size_t>(count));
      }
    }
  }

  bool Ended() const { return ended_; }

 private:
  bool WaitForExit(std::chrono::milliseconds patience) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (!HasExited()) {
      if (std::chrono::steady_clock::now() >= deadline) return false;
      std::this_thread::sleep_for(10ms);
    }
    return true;
  }

  bool piped_;
  pid_t pid_ = -1;
  int input_ = -1;
  int output_ = -1;
  bool exited_ = false;
  bool ended_ = false;
  std::string pending_;
};

std::optional<std::string> FindProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string folders = path != nullptr ? path : "/usr/bin:/bin";
  size_t start = 0;
  for (;;) {
    const size_t end = folders.find(':', start);
    const std::filesystem::path candidate =
        std::filesystem::path(folders.substr(start, end - start)) / name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate.string();
    if (end == std::string::npos) return std::nullopt;
    start = end + 1;
  }
}

// JACK names a client's notification socket after the client alone, not its server, so tests
// running side by side, each with a server of its own, still need client names of their own.
std::string ClientName() {
  return "evarix-test-" + std::to_string(getpid());
}

class UpdateDoneMessageOverJack : public testing::Test {
 protected:
  void SetUp() override {
    if (!RtMidiOutput::Supports(MidiSystem::Jack)) {
      GTEST_SKIP() << "the RtMidi here was built without JACK";
    }
    const std::optional<std::string> jackd = FindProgram("jackd");
    if (!jackd) GTEST_SKIP() << "no jackd here (Debian package jackd2)";

    // A server of our own, apart from any other on the machine or in a parallel test run. The
    // server, the sink and RtMidi's client in this process all find it through this variable.
    static int servers = 0;
    const std::string name =
        "evarix-test-" + std::to_string(getpid()) + "-" + std::to_string(++servers);
    setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
    server_ = std::make_unique<Child>(
        *jackd,
        // Synchronous mode: every cycle waits for every client, so a client that a busy machine
        // holds back delays the cycle instead of having its output read twice or not at all. No
        // real-time scheduling, which a container may refuse. The dummy backend's 48 kHz clock
        // ticks every 256 frames (5.3 ms) instead of its lazy default.
        std::vector<std::string>{"-n", name, "-S", "-r", "-d", "dummy", "-r", "48000", "-p", "256",
                                 "-w", "5333"},
        false);
    sink_ = std::make_unique<Child>(EVARIX_JACK_MIDI_SINK,
                                    std::vector<std::string>{kOtherPort, kKeyboardPort}, true);
    ASSERT_TRUE(server_->Started() && sink_->Started());

    const std::optional<std::string> ready = sink_->ReadLine();
    if (!ready && server_->HasExited()) GTEST_SKIP() << "the JACK server cannot run here";
    ASSERT_EQ(ready, "ready") << "the sink did not join the server";
  }

  void TearDown() override {
    sink_.reset();
    server_.reset();
    unsetenv("JACK_DEFAULT_SERVER");
  }

  std::unique_ptr<Child> server_;
  std::unique_ptr<Child> sink_;
};

TEST_F(UpdateDoneMessageOverJack, KeyboardPortReceivesExactlyTheElevenBytes) {
  {
    RtMidiOutput output(MidiSystem::Jack, ClientName());
    ScopedMidiOutput installed(&output);
    CaptureStdout();
    const int result = SendUpdateDoneMessage("Evarix 25 Quorvel");
    EXPECT_EQ(GetCapturedStdout(), "");
    EXPECT_EQ(result, 0);
  }

  EXPECT_EQ(sink_->ReadLine(), kKeyboardPort + "\tF0 00 00 00 22 7F 06 04 00 01 F7");
  sink_->CloseInput();
  EXPECT_EQ(sink_->ReadLine(), std::nullopt) << "a second event arrived";
  EXPECT_TRUE(sink_->Ended()) << "the sink did not finish";
}

TEST_F(UpdateDoneMessageOverJack, OutputRefusesMisuseWithoutThrowing) {
  RtMidiOutput output(MidiSystem::Jack, ClientName());
  const unsigned count = output.PortCount();
  ASSERT_GE(count, 2u);
  EXPECT_THAT(output.PortName(count - 1), Optional(HasSubstr(kKeyboardPort)));
  EXPECT_EQ(output.PortName(count), std::nullopt);

  const std::array<uint8_t, 3> message{0xF0, 0x7D, 0xF7};
  EXPECT_NE(output.PrepareSystemExclusive(message), 0) << "readied with no port open";
  EXPECT_NE(output.Reset(), 0) << "reset with no port open";
  EXPECT_NE(output.Close(), 0) << "closed with no port open";
  EXPECT_NE(output.Open(count), 0) << "opened a port past the last";
  ASSERT_EQ(output.Open(count - 1), 0);
  EXPECT_NE(output.Open(count - 1), 0) << "opened a second port";
  EXPECT_NE(output.SendSystemExclusive(), 0) << "sent with nothing readied";
  EXPECT_NE(output.UnprepareSystemExclusive(), 0) << "released with nothing readied";
  ASSERT_EQ(output.PrepareSystemExclusive(message), 0);
  EXPECT_NE(output.PrepareSystemExclusive(message), 0) << "readied a second message";
  EXPECT_EQ(output.Close(), 0) << "a readied message kept the port open";
  EXPECT_NE(output.Close(), 0) << "closed twice";
}

}  // namespace
}  // namespace CVFirmwareLoader
