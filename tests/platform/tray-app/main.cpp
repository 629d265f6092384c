// Shows a window with the identity of the maker's tray application and quits when asked to, as its
// options say. For the tests of the Linux desktop only.
//
//   evarix-fake-tray-app [--ignore-terms N | --ignore-all-terms] [--class TEXT] [--name TEXT]
//                        [--client-machine TEXT] [--pid N] [--framed]
//
// --framed puts the window inside a frame window, as a reparenting window manager would; --pid
// overrides the process number the window gives. With EVARIX_TRAY_LOG naming a file, it appends
// one line per event:
//   start argc=<n> uid=<uid> home=<HOME> cwd=<dir> pid=<pid>   first of all
//   ready pid=<pid>                                              once the window exists
//   term pid=<pid>                                               for each SIGTERM it takes in
// A copy that nobody ends goes away by itself after a while, so that no test leaves one behind.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

namespace {

constexpr auto kLifetime = std::chrono::seconds(30);

struct Options {
  long ignoredTerms = 0;
  std::string windowClass = "corvane.cvw32.window-class.task-bar-icon";
  std::string windowName = "corvane.window-name.task-bar-icon";
  std::optional<std::string> clientMachine;
  std::optional<unsigned long> processId;
  bool framed = false;
};

std::optional<Options> ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    const bool hasValue = i + 1 < argc;
    if (option == "--ignore-all-terms") {
      options.ignoredTerms = LONG_MAX;
    } else if (option == "--framed") {
      options.framed = true;
    } else if (option == "--ignore-terms" && hasValue) {
      options.ignoredTerms = std::strtol(argv[++i], nullptr, 10);
    } else if (option == "--class" && hasValue) {
      options.windowClass = argv[++i];
    } else if (option == "--name" && hasValue) {
      options.windowName = argv[++i];
    } else if (option == "--client-machine" && hasValue) {
      options.clientMachine = argv[++i];
    } else if (option == "--pid" && hasValue) {
      options.processId = std::strtoul(argv[++i], nullptr, 10);
    } else {
      return std::nullopt;
    }
  }
  return options;
}

// One write per line, appended: lines of several copies never mix.
void Log(const std::string& line) {
  const char* path = std::getenv("EVARIX_TRAY_LOG");
  if (path == nullptr) return;
  const int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return;
  const std::string text = line + "\n";
  [[maybe_unused]] const ssize_t written = write(fd, text.data(), text.size());
  close(fd);
}

std::string Pid() {
  return "pid=" + std::to_string(getpid());
}

void LogStart(int argc) {
  char cwd[PATH_MAX] = "?";
  if (getcwd(cwd, sizeof cwd) == nullptr) cwd[0] = '?', cwd[1] = '\0';
  const char* home = std::getenv("HOME");
  Log("start argc=" + std::to_string(argc) + " uid=" + std::to_string(getuid()) +
      " home=" + (home != nullptr ? home : "") + " cwd=" + cwd + " " + Pid());
}

int termPipe[2] = {-1, -1};

void OnTerm(int) {
  const int saved = errno;
  [[maybe_unused]] const ssize_t written = write(termPipe[1], "t", 1);
  errno = saved;
}

bool CatchTerm() {
  if (pipe2(termPipe, O_CLOEXEC) != 0) return false;
  struct sigaction action {};
  action.sa_handler = OnTerm;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  return sigaction(SIGTERM, &action, nullptr) == 0;
}

struct DisplayCloser {
  void operator()(Display* display) const { XCloseDisplay(display); }
};

void SetClientMachine(Display* display, Window window, std::string machine) {
  char* list[] = {machine.data()};
  XTextProperty property{};
  if (XStringListToTextProperty(list, 1, &property) == 0) return;
  XSetWMClientMachine(display, window, &property);
  XFree(property.value);
}

void MakeWindow(Display* display, Options& options) {
  const Window root = DefaultRootWindow(display);
  const Window parent =
      options.framed ? XCreateSimpleWindow(display, root, 0, 0, 64, 64, 0, 0, 0) : root;
  const Window window = XCreateSimpleWindow(display, parent, 0, 0, 32, 32, 0, 0, 0);
  std::string instance = "tray";
  XClassHint hint{instance.data(), options.windowClass.data()};
  XSetClassHint(display, window, &hint);
  XStoreName(display, window, options.windowName.c_str());
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  SetClientMachine(display, window, options.clientMachine.value_or(host));
  const unsigned long pid = options.processId.value_or(static_cast<unsigned long>(getpid()));
  XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
  if (options.framed) XMapWindow(display, parent);
  XMapWindow(display, window);
  XSync(display, False);
}

// Runs until asked to quit once more than it ignores; false when its time runs out first or the
// display goes away.
bool WaitForQuit(Display* display, long ignoredTerms) {
  const auto end = std::chrono::steady_clock::now() + kLifetime;
  long seen = 0;
  while (std::chrono::steady_clock::now() < end) {
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
    }
    pollfd ready[] = {{ConnectionNumber(display), POLLIN, 0}, {termPipe[0], POLLIN, 0}};
    if (poll(ready, 2, 100) < 0 && errno != EINTR) return false;
    if ((ready[0].revents & (POLLERR | POLLHUP)) != 0) return false;
    char signal = 0;
    if ((ready[1].revents & POLLIN) == 0 || read(termPipe[0], &signal, 1) != 1) continue;
    Log("term " + Pid());
    if (++seen > ignoredTerms) return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  LogStart(argc);
  auto options = ParseOptions(argc, argv);
  if (!options || !CatchTerm()) return 2;
  const std::unique_ptr<Display, DisplayCloser> display(XOpenDisplay(nullptr));
  if (!display) return 3;
  MakeWindow(display.get(), *options);
  Log("ready " + Pid());
  return WaitForQuit(display.get(), options->ignoredTerms) ? 0 : 4;
}
