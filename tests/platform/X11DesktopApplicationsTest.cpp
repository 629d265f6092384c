#include "platform/linux/X11DesktopApplications.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/ApplicationPauser.h"
#include "platform/Platform.h"
#include "support/FakeClock.h"
#include "support/TrayAppLog.h"

#ifndef EVARIX_FAKE_TRAY_APP
#error "EVARIX_FAKE_TRAY_APP must name the fake tray application built from tests/platform/tray-app"
#endif

namespace CVFirmwareLoader {
namespace {

using EvarixTest::LogLine;
using namespace std::chrono_literals;

constexpr auto kPatience = 3s;
const std::wstring kClass = L"corvane.cvw32.window-class.task-bar-icon";
const std::wstring kName = L"corvane.window-name.task-bar-icon";

bool Eventually(const std::function<bool()>& condition) {
  const auto end = std::chrono::steady_clock::now() + kPatience;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

pid_t Spawn(const std::string& program, const std::vector<std::string>& options,
            const posix_spawn_file_actions_t* actions = nullptr) {
  std::vector<std::string> arguments{program};
  arguments.insert(arguments.end(), options.begin(), options.end());
  std::vector<char*> pointers;
  for (auto& argument : arguments) pointers.push_back(argument.data());
  pointers.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, program.c_str(), actions, nullptr, pointers.data(), environ) != 0) {
    return -1;
  }
  return pid;
}

// A child of the test (or adopted by it); killed and reaped when it goes.
class Child {
 public:
  explicit Child(pid_t pid) : pid_(pid) {}
  ~Child() {
    if (pid_ > 0 && kill(pid_, SIGKILL) == 0) WaitForExit();
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  pid_t Pid() const { return pid_; }

  // Its exit code (or 128 + the signal that ended it) once it has ended; nothing if it runs on.
  std::optional<int> WaitForExit() {
    int status = 0;
    const bool ended = Eventually([&] { return waitpid(pid_, &status, WNOHANG) == pid_; });
    if (!ended) return std::nullopt;
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

  bool Running() const {
    siginfo_t info{};
    return pid_ > 0 &&
           waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == 0;
  }

 private:
  pid_t pid_;
};

std::optional<std::string> FindProgram(const std::string& name) {
  std::istringstream folders(getenv("PATH") != nullptr ? getenv("PATH") : "/usr/bin:/bin");
  for (std::string folder; std::getline(folders, folder, ':');) {
    const std::string path = folder + "/" + name;
    if (access(path.c_str(), X_OK) == 0) return path;
  }
  return std::nullopt;
}

std::vector<pid_t> ChildrenOfThisProcess() {
  std::vector<pid_t> children;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    if (!std::getline(stat, line) || line.rfind(')') == line.npos) continue;
    std::istringstream fields(line.substr(line.rfind(')') + 1));
    char state = 0;
    pid_t parent = 0;
    if (fields >> state >> parent && parent == getpid()) {
      children.push_back(std::stoi(entry.path().filename()));
    }
  }
  return children;
}

// A virtual X server on a display number it picks itself.
class VirtualDisplay {
 public:
  static std::unique_ptr<VirtualDisplay> Start() {
    const auto server = FindProgram("Xvfb");
    int ready[2];
    if (!server || pipe(ready) != 0) return nullptr;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, ready[0]);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    auto display = std::unique_ptr<VirtualDisplay>(new VirtualDisplay(
        Spawn(*server, {"-displayfd", std::to_string(ready[1]), "-nolisten", "tcp"}, &actions)));
    posix_spawn_file_actions_destroy(&actions);
    close(ready[1]);
    display->name_ = ReadDisplayNumber(ready[0]);
    close(ready[0]);
    if (display->name_.empty()) return nullptr;
    return display;
  }

  // Asked first, so that it clears away its socket and lock file.
  ~VirtualDisplay() {
    if (server_.Pid() > 0 && kill(server_.Pid(), SIGTERM) == 0) server_.WaitForExit();
  }
  VirtualDisplay(const VirtualDisplay&) = delete;
  VirtualDisplay& operator=(const VirtualDisplay&) = delete;

  const std::string& Name() const { return name_; }
  pid_t Pid() const { return server_.Pid(); }

 private:
  explicit VirtualDisplay(pid_t server) : server_(server) {}

  static std::string ReadDisplayNumber(int fd) {
    std::string number;
    pollfd readable{fd, POLLIN, 0};
    char digit = 0;
    while (poll(&readable, 1, 5000) > 0 && read(fd, &digit, 1) == 1 && digit != '\n') {
      number += digit;
    }
    return number.empty() ? "" : ":" + number;
  }

  Child server_;
  std::string name_;
};

class ScopedVariable {
 public:
  ScopedVariable(const char* name, const char* value) : name_(name) {
    if (const char* old = getenv(name)) previous_ = old;
    value != nullptr ? setenv(name, value, 1) : unsetenv(name);
  }
  ~ScopedVariable() { previous_ ? setenv(name_, previous_->c_str(), 1) : unsetenv(name_); }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  const char* name_;
  std::optional<std::string> previous_;
};

class X11DesktopApplicationsTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    // Restarted applications are nobody's children; this way they become the test's, to reap.
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    server_ = VirtualDisplay::Start();
  }
  static void TearDownTestSuite() { server_.reset(); }

  void SetUp() override {
    if (!server_) GTEST_SKIP() << "Xvfb is not installed or did not start";
    char folder[] = "/tmp/evarix-tray-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    folder_ = folder;
    // The application may run as another user, who must be able to write its log.
    std::filesystem::permissions(folder_, std::filesystem::perms::all);
    log_.emplace("EVARIX_TRAY_LOG", (folder_ / "log").c_str());
    display_.emplace("DISPLAY", server_->Name().c_str());
  }

  void TearDown() override {
    if (!server_) return;
    children_.clear();
    // Restarted copies may not have logged yet; as the test adopts them, they are its children.
    for (const pid_t pid : ChildrenOfThisProcess()) {
      if (pid != server_->Pid()) {
        const Child adopted(pid);
      }
    }
    EXPECT_TRUE(Eventually([&] { return !desktop.FindApplicationWindow(kClass, kName); }));
    std::filesystem::remove_all(folder_);
  }

  // Starts the fake tray application and waits until its window exists.
  Child& StartTrayApp(const std::vector<std::string>& options = {}) {
    children_.push_back(std::make_unique<Child>(Spawn(EVARIX_FAKE_TRAY_APP, options)));
    Child& child = *children_.back();
    EXPECT_TRUE(Eventually([&] { return Count("ready", child.Pid()) == 1; }));
    return child;
  }

  std::vector<LogLine> LogLines() const { return EvarixTest::ReadTrayAppLog(folder_ / "log"); }

  int Count(const std::string& event, pid_t pid) const {
    int count = 0;
    for (const auto& line : LogLines()) {
      count += line.at("event") == event && line.at("pid") == std::to_string(pid);
    }
    return count;
  }

  // The start line of a copy other than the one given.
  std::optional<LogLine> StartOfAnotherCopy(pid_t original) const {
    for (const auto& line : LogLines()) {
      if (line.at("event") == "start" && line.at("pid") != std::to_string(original)) return line;
    }
    return std::nullopt;
  }

  static std::wstring TrayAppPath() {
    return LinuxText::FromBytes(std::filesystem::canonical(EVARIX_FAKE_TRAY_APP).string());
  }

  X11DesktopApplications desktop;
  ScopedDesktopApplications installed{&desktop};

 private:
  static inline std::unique_ptr<VirtualDisplay> server_;
  std::filesystem::path folder_;
  std::optional<ScopedVariable> log_;
  std::optional<ScopedVariable> display_;
  std::vector<std::unique_ptr<Child>> children_;
};

TEST_F(X11DesktopApplicationsTest, NothingIsFoundWithoutTheApplicationOrWithoutADisplay) {
  EXPECT_EQ(desktop.FindApplicationWindow(kClass, kName), std::nullopt);
  const Child& app = StartTrayApp();
  ASSERT_EQ(desktop.FindApplicationWindow(kClass, kName), ProcessId(app.Pid()));
  for (const char* display : {static_cast<const char*>(nullptr), ":4095"}) {
    const ScopedVariable noDisplay("DISPLAY", display);
    EXPECT_EQ(desktop.FindApplicationWindow(kClass, kName), std::nullopt);
    const ApplicationPauser pauser(kClass, kName);
  }
  EXPECT_TRUE(app.Running());
}

TEST_F(X11DesktopApplicationsTest, AnApplicationThatQuitsAtOnceIsRestartedWithoutArguments) {
  Child& app = StartTrayApp();
  const pid_t original = app.Pid();
  ASSERT_EQ(desktop.ApplicationImageOf(original),
            (ApplicationImage{TrayAppPath(), {getuid(), getgid()}}));
  {
    const ApplicationPauser pauser(kClass, kName);
    EXPECT_EQ(desktop.FindApplicationWindow(kClass, kName), std::nullopt);
    EXPECT_EQ(app.WaitForExit(), 0);
    EXPECT_EQ(Count("term", original), 1);
    EXPECT_FALSE(StartOfAnotherCopy(original));
  }
  std::optional<LogLine> restart;
  ASSERT_TRUE(Eventually([&] { return (restart = StartOfAnotherCopy(original)).has_value(); }));
  EXPECT_EQ(restart->at("argc"), "1");
  EXPECT_EQ(restart->at("uid"), std::to_string(getuid()));
  EXPECT_EQ(restart->at("cwd"), std::filesystem::current_path().string());
  const auto restarted = static_cast<ProcessId>(std::stoul(restart->at("pid")));
  EXPECT_TRUE(
      Eventually([&] { return desktop.FindApplicationWindow(kClass, kName) == restarted; }));
}

TEST_F(X11DesktopApplicationsTest, AnApplicationThatNeedsSeveralRequestsGetsOnePerPass) {
  Child& app = StartTrayApp({"--ignore-terms", "2"});
  const pid_t original = app.Pid();
  { const ApplicationPauser pauser(kClass, kName); }
  EXPECT_EQ(app.WaitForExit(), 0);
  EXPECT_EQ(Count("term", original), 3);
}

TEST_F(X11DesktopApplicationsTest, AHungApplicationDoesNotHoldUpTheStart) {
  EvarixTest::FakeClock clock;
  const ScopedPlatform platform{{nullptr, nullptr, &clock}};
  const Child& app = StartTrayApp({"--ignore-all-terms"});
  {
    const ApplicationPauser pauser(kClass, kName);
    EXPECT_TRUE(Eventually([&] { return Count("term", app.Pid()) > 0; }));
    EXPECT_TRUE(app.Running());
  }
}

TEST_F(X11DesktopApplicationsTest, OnlyALocalWindowOfTheExactIdentityCountsEvenInsideAFrame) {
  const std::vector<std::vector<std::string>> decoys = {{"--class", "corvane.other"},
                                                        {"--name", "corvane.other"},
                                                        {"--client-machine", "elsewhere.invalid"},
                                                        {"--pid", "0"},
                                                        {"--pid", "1"},
                                                        {"--pid", "4294967295"}};
  for (const auto& options : decoys) {
    StartTrayApp(options);
    EXPECT_EQ(desktop.FindApplicationWindow(kClass, kName), std::nullopt)
        << options[0] << options[1];
  }
  // Behind all of them, and one level down, as a reparenting window manager would put it.
  const Child& app = StartTrayApp({"--framed", "--ignore-all-terms"});
  EXPECT_EQ(desktop.FindApplicationWindow(kClass, kName), ProcessId(app.Pid()));
  EXPECT_EQ(desktop.AskToQuit(app.Pid()), QuitRequestOutcome::Asked);
  EXPECT_TRUE(Eventually([&] { return Count("term", app.Pid()) == 1; }));
  for (const auto& line : LogLines()) {
    EXPECT_TRUE(line.at("event") != "term" || line.at("pid") == std::to_string(app.Pid()));
  }
}

TEST_F(X11DesktopApplicationsTest, StartRunsTheApplicationAsItsOwner) {
  if (geteuid() != 0) GTEST_SKIP() << "only root can start a program as another user";
  const passwd* nobody = getpwnam("nobody");
  ASSERT_NE(nobody, nullptr);
  const std::string home = nobody->pw_dir;
  ASSERT_TRUE(desktop.Start({TrayAppPath(), {nobody->pw_uid, nobody->pw_gid}}));
  std::optional<LogLine> start;
  ASSERT_TRUE(Eventually([&] { return (start = StartOfAnotherCopy(0)).has_value(); }));
  EXPECT_EQ(start->at("argc"), "1");
  EXPECT_EQ(start->at("uid"), std::to_string(nobody->pw_uid));
  EXPECT_EQ(start->at("home"), home);
}

TEST_F(X11DesktopApplicationsTest, StartRefusesAnOwnerItCannotBecome) {
  const passwd* nobody = getpwnam("nobody");
  ASSERT_NE(nobody, nullptr);
  const ApplicationImage root{TrayAppPath(), {0, 0}};
  // An updater without root's rights asked to start root's program must start nothing at all.
  Child tester(fork());
  if (tester.Pid() == 0) {
    const bool dropped =
        geteuid() != 0 ||
        (setgroups(0, nullptr) == 0 && setgid(nobody->pw_gid) == 0 && setuid(nobody->pw_uid) == 0);
    _exit(!dropped ? 2 : X11DesktopApplications().Start(root) ? 1 : 0);
  }
  EXPECT_EQ(tester.WaitForExit(), 0);
  EXPECT_TRUE(LogLines().empty());
}

TEST(LinuxTextTest, FileNamesComeBackByteForByte) {
  const std::string names[] = {"/usr/bin/tray",
                               "/opt/caf\xc3\xa9/\xe2\x82\xac\xf0\x9f\x8e\xb9",
                               "/bad/\xff\xfe",
                               "/cut/\xc3",
                               "/overlong/\xc0\xaf",
                               "/surrogate/\xed\xa0\x80",
                               "/too-high/\xf4\x90\x80\x80"};
  for (const std::string& name : names) {
    EXPECT_EQ(LinuxText::ToBytes(LinuxText::FromBytes(name)), name);
  }
  EXPECT_EQ(LinuxText::FromBytes("caf\xc3\xa9"), L"caf\u00e9");
  EXPECT_EQ(LinuxText::FromBytes("\xff"), L"\xdcff");
  EXPECT_EQ(LinuxText::ToBytes(std::wstring(L"a\0b", 3)), std::nullopt);
  EXPECT_EQ(LinuxText::ToBytes(L"\xd800"), std::nullopt);
}

}  // namespace
}  // namespace CVFirmwareLoader
