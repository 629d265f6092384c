#include "X11DesktopApplications.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>
#include <fstream>
#include <memory>
#include <vector>

namespace CVFirmwareLoader {

namespace LinuxText {

namespace {

constexpr uint32_t kEscapeBase = 0xDC00;
constexpr uint32_t kLastCodePoint = 0x10FFFF;

bool IsSurrogate(uint32_t value) {
  return value >= 0xD800 && value <= 0xDFFF;
}

struct Decoded {
  size_t length;  // 0: the bytes do not start with valid UTF-8
  uint32_t value;
};

// The lead bytes of the multi-byte forms: which bits mark them, how long the form is, and the
// smallest value it may carry (anything less is an overlong form, which would not round-trip).
struct LeadForm {
  uint32_t mask;
  uint32_t marker;
  size_t length;
  uint32_t smallest;
};
constexpr LeadForm kLeadForms[] = {
    {0xE0, 0xC0, 2, 0x80}, {0xF0, 0xE0, 3, 0x800}, {0xF8, 0xF0, 4, 0x10000}};

Decoded DecodeOne(std::string_view bytes) {
  const auto byte = [&](size_t i) { return static_cast<uint32_t>(static_cast<uint8_t>(bytes[i])); };
  const uint32_t lead = byte(0);
  if (lead < 0x80) return {1, lead};
  const auto form = std::find_if(std::begin(kLeadForms), std::end(kLeadForms),
                                 [&](const LeadForm& f) { return (lead & f.mask) == f.marker; });
  if (form == std::end(kLeadForms) || bytes.size() < form->length) return {0, 0};
  uint32_t value = lead & ~form->mask;
  for (size_t i = 1; i < form->length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return {0, 0};
    value = (value << 6) | (byte(i) & 0x3F);
  }
  if (value < form->smallest || value > kLastCodePoint || IsSurrogate(value)) return {0, 0};
  return {form->length, value};
}

void AppendUtf8(std::string& bytes, uint32_t value) {
  const auto add = [&](uint32_t byte) { bytes += static_cast<char>(static_cast<uint8_t>(byte)); };
  if (value < 0x80) return add(value);
  const LeadForm& form = value < 0x800     ? kLeadForms[0]
                         : value < 0x10000 ? kLeadForms[1]
                                           : kLeadForms[2];
  add(form.marker | (value >> (6 * (form.length - 1))));
  for (size_t i = form.length - 1; i-- > 0;) add(0x80 | ((value >> (6 * i)) & 0x3F));
}

}  // namespace

std::wstring FromBytes(std::string_view bytes) {
  std::wstring text;
  while (!bytes.empty()) {
    const Decoded decoded = DecodeOne(bytes);
    if (decoded.length == 0) {
      text += static_cast<wchar_t>(kEscapeBase + static_cast<uint8_t>(bytes[0]));
      bytes.remove_prefix(1);
    } else {
      text += static_cast<wchar_t>(decoded.value);
      bytes.remove_prefix(decoded.length);
    }
  }
  return text;
}

std::optional<std::string> ToBytes(std::wstring_view text) {
  std::string bytes;
  for (const wchar_t character : text) {
    const auto value = static_cast<uint32_t>(character);
    if (value >= kEscapeBase + 0x80 && value <= kEscapeBase + 0xFF) {
      bytes += static_cast<char>(static_cast<uint8_t>(value - kEscapeBase));
    } else if (value == 0 || IsSurrogate(value) || value > kLastCodePoint) {
      return std::nullopt;
    } else {
      AppendUtf8(bytes, value);
    }
  }
  return bytes;
}

}  // namespace LinuxText

namespace {

// ---- Finding the window ----------------------------------------------------------------------

struct DisplayCloser {
  void operator()(Display* display) const { XCloseDisplay(display); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

struct XFreeDeleter {
  void operator()(void* data) const {
    if (data != nullptr) XFree(data);
  }
};
template <typename T>
using XPtr = std::unique_ptr<T, XFreeDeleter>;

// Windows come and go while they are looked at. The errors that brings (BadWindow above all) must
// not reach Xlib's default handler, which ends the program; errors of other connections still go to
// whoever handled them before.
class ErrorTrap {
 public:
  explicit ErrorTrap(Display* display) : display_(display) {
    trapped_ = display;
    previous_ = XSetErrorHandler(&Handle);
  }
  ~ErrorTrap() {
    XSync(display_, False);  // errors of requests still under way arrive now, not after
    XSetErrorHandler(previous_);
    trapped_ = nullptr;
  }
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;

 private:
  static int Handle(Display* display, XErrorEvent* error) {
    if (display == trapped_ || previous_ == nullptr) return 0;
    return previous_(display, error);
  }

  Display* display_;
  static inline Display* trapped_ = nullptr;
  static inline XErrorHandler previous_ = nullptr;
};

// kill() reads 0 and negative numbers as process groups, and 1 is init: none is an application.
std::optional<pid_t> AsPid(unsigned long value) {
  if (value <= 1 || value > static_cast<unsigned long>(INT_MAX)) return std::nullopt;
  return static_cast<pid_t>(value);
}

std::wstring FromLatin1(std::string_view bytes) {
  std::wstring text;
  for (const char byte : bytes) text += static_cast<wchar_t>(static_cast<uint8_t>(byte));
  return text;
}

std::string HostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

struct WantedWindow {
  const std::wstring& className;
  const std::wstring& windowName;
};

class WindowReader {
 public:
  explicit WindowReader(Display* display)
      : display_(display),
        processId_(XInternAtom(display, "_NET_WM_PID", False)),
        utf8String_(XInternAtom(display, "UTF8_STRING", False)),
        compoundText_(XInternAtom(display, "COMPOUND_TEXT", False)),
        hostName_(HostName()) {}

  std::vector<Window> ChildrenOf(Window window) const {
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display_, window, &root, &parent, &children, &count) == 0) return {};
    const XPtr<Window> owned(children);
    if (children == nullptr) return {};
    return {children, children + count};
  }

  // The window's process when the window is the one wanted and its process is one of ours.
  std::optional<ProcessId> ProcessIfWanted(Window window, const WantedWindow& wanted) const {
    if (ClassOf(window) != wanted.className || NameOf(window) != wanted.windowName) {
      return std::nullopt;
    }
    if (!MadeHere(window)) return std::nullopt;
    return ProcessOf(window);
  }

 private:
  std::optional<std::wstring> ClassOf(Window window) const {
    XClassHint hint{};
    if (XGetClassHint(display_, window, &hint) == 0) return std::nullopt;
    const XPtr<char> instance(hint.res_name);
    const XPtr<char> windowClass(hint.res_class);
    if (!windowClass) return std::nullopt;
    return FromLatin1(windowClass.get());  // the conventions keep WM_CLASS in Latin-1
  }

  std::optional<std::wstring> NameOf(Window window) const {
    XTextProperty name{};
    if (XGetWMName(display_, window, &name) == 0) return std::nullopt;
    const XPtr<unsigned char> owned(name.value);
    return TextOf(name);
  }

  std::optional<std::wstring> TextOf(const XTextProperty& property) const {
    if (property.value == nullptr || property.format != 8) return std::nullopt;
    const std::string_view bytes(reinterpret_cast<const char*>(property.value), property.nitems);
    if (property.encoding == XA_STRING) return FromLatin1(bytes);
    if (property.encoding == utf8String_) return LinuxText::FromBytes(bytes);
    // Compound text without escape sequences (ESC or CSI) is Latin-1; anything else never is one
    // of the plain names looked for.
    if (property.encoding == compoundText_ && bytes.find_first_of("\x1b\x9b") == bytes.npos) {
      return FromLatin1(bytes);
    }
    return std::nullopt;
  }

  // Windows of clients that do not say where they run are taken to be local.
  bool MadeHere(Window window) const {
    XTextProperty machine{};
    if (XGetWMClientMachine(display_, window, &machine) == 0) return true;
    const XPtr<unsigned char> owned(machine.value);
    if (machine.value == nullptr || machine.format != 8) return true;
    const std::string_view name(reinterpret_cast<const char*>(machine.value), machine.nitems);
    return name == hostName_;
  }

  std::optional<ProcessId> ProcessOf(Window window) const {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display_, window, processId_, 0, 1, False, XA_CARDINAL, &type, &format,
                           &count, &remaining, &data) != Success) {
      return std::nullopt;
    }
    const XPtr<unsigned char> owned(data);
    if (data == nullptr || type != XA_CARDINAL || format != 32 || count != 1) return std::nullopt;
    unsigned long value = 0;  // Xlib hands 32-bit items over as longs
    std::memcpy(&value, data, sizeof value);
    const auto pid = AsPid(value);
    if (!pid) return std::nullopt;
    return static_cast<ProcessId>(*pid);
  }

  Display* display_;
  Atom processId_;
  Atom utf8String_;
  Atom compoundText_;
  std::string hostName_;
};

// ---- Reading a process -------------------------------------------------------------------------

std::string ProcFolder(ProcessId process) {
  return "/proc/" + std::to_string(process);
}

std::optional<std::string> LinkTarget(const std::string& link) {
  std::string target(PATH_MAX, '\0');
  const ssize_t length = readlink(link.c_str(), target.data(), target.size());
  // A target that fills the buffer may have been cut, and a cut path starts something else.
  if (length <= 0 || static_cast<size_t>(length) >= target.size()) return std::nullopt;
  target.resize(static_cast<size_t>(length));
  return target;
}

std::optional<uint32_t> FirstNumber(std::string_view text) {
  const auto start = text.find_first_not_of(" \t");
  if (start == text.npos) return std::nullopt;
  uint32_t value = 0;
  const auto [end, error] = std::from_chars(text.data() + start, text.data() + text.size(), value);
  if (error != std::errc()) return std::nullopt;
  return value;
}

// The real user and group: those of whoever started it. /proc/<pid> itself belongs to root when a
// process has made itself undumpable, and that must never come to mean "restart it as root".
std::optional<ProcessOwner> OwnerOf(ProcessId process) {
  std::ifstream status(ProcFolder(process) + "/status");
  std::optional<uint32_t> user;
  std::optional<uint32_t> group;
  std::string line;
  while (std::getline(status, line)) {
    if (line.starts_with("Uid:")) user = FirstNumber(std::string_view(line).substr(4));
    if (line.starts_with("Gid:")) group = FirstNumber(std::string_view(line).substr(4));
  }
  if (!user || !group) return std::nullopt;
  return ProcessOwner{*user, *group};
}

// ---- Starting a process ------------------------------------------------------------------------

constexpr int kStartReportTimeoutMs = 2000;
constexpr int kExitCouldNotStart = 127;

// A descriptor dressed as a nullable pointer, so that std::unique_ptr can own it.
struct DescriptorCloser {
  struct pointer {
    int fd = -1;
    pointer() = default;
    pointer(std::nullptr_t) {}
    explicit pointer(int descriptor) : fd(descriptor) {}
    explicit operator bool() const { return fd >= 0; }
    bool operator==(const pointer&) const = default;
  };
  void operator()(pointer descriptor) const { close(descriptor.fd); }
};
using Descriptor = std::unique_ptr<int, DescriptorCloser>;

struct StartIdentity {
  bool switchUser = false;  // false: the owner is the updater's own user
  uid_t user = 0;
  gid_t group = 0;
  std::vector<gid_t> groups;
  std::optional<std::string> name;  // from the user database, when it knows the user
  std::string home;
};

std::optional<passwd> UserEntry(uid_t user, std::vector<char>& storage) {
  storage.resize(16384);
  passwd entry{};
  passwd* found = nullptr;
  int error = 0;
  while ((error = getpwuid_r(user, &entry, storage.data(), storage.size(), &found)) == ERANGE) {
    storage.resize(storage.size() * 2);
  }
  if (error != 0 || found == nullptr) return std::nullopt;
  return entry;
}

std::optional<std::vector<gid_t>> GroupsOf(const char* name, gid_t group) {
  std::vector<gid_t> groups(32);
  int count = static_cast<int>(groups.size());
  while (getgrouplist(name, group, groups.data(), &count) < 0) {
    if (static_cast<size_t>(count) <= groups.size()) return std::nullopt;
    groups.resize(static_cast<size_t>(count));
  }
  groups.resize(static_cast<size_t>(count));
  return groups;
}

std::optional<StartIdentity> IdentityFor(const ProcessOwner& owner) {
  StartIdentity identity;
  if (owner.user == geteuid()) return identity;
  identity.switchUser = true;
  identity.user = owner.user;
  identity.group = owner.group;
  std::vector<char> storage;
  const auto entry = UserEntry(owner.user, storage);
  if (!entry) {
    identity.groups = {owner.group};  // a user the database no longer knows keeps no other group
    return identity;
  }
  const auto groups = GroupsOf(entry->pw_name, owner.group);
  if (!groups) return std::nullopt;
  identity.groups = *groups;
  identity.name = entry->pw_name;
  identity.home = entry->pw_dir;
  return identity;
}

void SetVariable(std::vector<std::string>& environment, std::string_view name,
                 std::string_view value) {
  const std::string prefix = std::string(name) + "=";
  std::erase_if(environment, [&](const std::string& entry) { return entry.starts_with(prefix); });
  environment.push_back(prefix + std::string(value));
}

// The updater's own environment; a program started for another user finds its own home, as it
// would not when the updater runs under sudo.
std::vector<std::string> EnvironmentFor(const StartIdentity& identity) {
  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) environment.emplace_back(*entry);
  if (identity.switchUser && identity.name) {
    SetVariable(environment, "HOME", identity.home);
    SetVariable(environment, "USER", *identity.name);
    SetVariable(environment, "LOGNAME", *identity.name);
  }
  return environment;
}

std::vector<char*> PointersTo(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (std::string& text : strings) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

struct SpawnPlan {
  const char* path;
  char* const* arguments;
  char* const* environment;
  const StartIdentity& identity;
};

// Between fork and execve only async-signal-safe calls are made: the updater may have other
// threads, and the child inherits whatever locks they held.

[[noreturn]] void ReportAndExit(int reportFd, int error) {
  [[maybe_unused]] const ssize_t written = write(reportFd, &error, sizeof error);
  _exit(kExitCouldNotStart);
}

bool TakeIdentity(const StartIdentity& identity) {
  if (setgroups(identity.groups.size(), identity.groups.data()) != 0) return false;
  if (setgid(identity.group) != 0 || setuid(identity.user) != 0) return false;
  // Had root's rights survived the change, taking root back would work.
  if (identity.user != 0 && setuid(0) == 0) {
    errno = EPERM;
    return false;
  }
  return true;
}

[[noreturn]] void BecomeApplication(const SpawnPlan& plan, int reportFd) {
  setsid();  // outlives the updater's terminal and session
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  struct sigaction standard {};
  standard.sa_handler = SIG_DFL;
  for (int number = 1; number < NSIG; ++number) sigaction(number, &standard, nullptr);
  close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);  // nothing of the updater's is handed on
  if (plan.identity.switchUser && !TakeIdentity(plan.identity)) ReportAndExit(reportFd, errno);
  execve(plan.path, plan.arguments, plan.environment);
  ReportAndExit(reportFd, errno);
}

// The middle process exits at once, so the application is nobody's child here and leaves no
// zombie behind.
[[noreturn]] void StartDetached(const SpawnPlan& plan, int reportFd) {
  const pid_t application = fork();
  if (application == 0) BecomeApplication(plan, reportFd);
  if (application < 0) ReportAndExit(reportFd, errno);
  _exit(0);
}

void Reap(pid_t child) {
  while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
  }
}

// The report descriptor closes on execve: end of file means the application runs; a number is the
// error that stopped it.
bool ApplicationRuns(int reportFd) {
  pollfd report{reportFd, POLLIN, 0};
  int ready = 0;
  while ((ready = poll(&report, 1, kStartReportTimeoutMs)) < 0 && errno == EINTR) {
  }
  if (ready <= 0) return false;
  int error = 0;
  ssize_t got = 0;
  while ((got = read(reportFd, &error, sizeof error)) < 0 && errno == EINTR) {
  }
  return got == 0;
}

bool Spawn(const SpawnPlan& plan) {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return false;
  const Descriptor readEnd(DescriptorCloser::pointer{ends[0]});
  Descriptor writeEnd(DescriptorCloser::pointer{ends[1]});
  const pid_t middle = fork();
  if (middle < 0) return false;
  if (middle == 0) StartDetached(plan, writeEnd.get().fd);
  writeEnd.reset();
  Reap(middle);
  return ApplicationRuns(readEnd.get().fd);
}

}  // namespace

std::optional<ProcessId> X11DesktopApplications::FindApplicationWindow(
    const std::wstring& className, const std::wstring& windowName) {
  const DisplayPtr display(XOpenDisplay(nullptr));
  if (!display) return std::nullopt;
  const ErrorTrap trap(display.get());
  const WindowReader reader(display.get());
  const WantedWindow wanted{className, windowName};
  const std::vector<Window> topLevel = reader.ChildrenOf(DefaultRootWindow(display.get()));
  for (const Window window : topLevel) {
    if (const auto process = reader.ProcessIfWanted(window, wanted)) return process;
  }
  // A reparenting window manager puts each application's window inside a frame of its own.
  for (const Window frame : topLevel) {
    for (const Window window : reader.ChildrenOf(frame)) {
      if (const auto process = reader.ProcessIfWanted(window, wanted)) return process;
    }
  }
  return std::nullopt;
}

std::optional<ApplicationImage> X11DesktopApplications::ApplicationImageOf(ProcessId process) {
  const auto path = LinkTarget(ProcFolder(process) + "/exe");
  const auto owner = OwnerOf(process);
  if (!path || !owner) return std::nullopt;
  return ApplicationImage{LinuxText::FromBytes(*path), *owner};
}

QuitRequestOutcome X11DesktopApplications::AskToQuit(ProcessId process) {
  const auto pid = AsPid(process);
  if (!pid) return QuitRequestOutcome::Failed;
  if (kill(*pid, SIGTERM) == 0) return QuitRequestOutcome::Asked;
  return errno == EPERM ? QuitRequestOutcome::AccessDenied : QuitRequestOutcome::Failed;
}

bool X11DesktopApplications::Start(const ApplicationImage& image) {
  auto path = LinuxText::ToBytes(image.path);
  const auto identity = IdentityFor(image.owner);
  if (!path || path->empty() || !identity) return false;
  std::vector<std::string> arguments{*path};  // the program's name alone: no arguments
  std::vector<std::string> environment = EnvironmentFor(*identity);
  const std::vector<char*> argumentPointers = PointersTo(arguments);
  const std::vector<char*> environmentPointers = PointersTo(environment);
  return Spawn({path->c_str(), argumentPointers.data(), environmentPointers.data(), *identity});
}

}  // namespace CVFirmwareLoader
