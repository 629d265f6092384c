// Drives the updater through a whole update as a person would, on a display with no one at it:
// it starts the updater, follows its windows as they come, saves a picture of each once its page
// is painted, and clicks the page element a person would click, with the pointer, through the X
// server.
//
//   evarix-demo-driver [--retry-after-failure] SCREENSHOT-FOLDER -- updater [argument...]
//   evarix-demo-driver --figures -- updater [argument...]
//
// With --retry-after-failure the first download is to fail, the keyboard having been pulled out
// during it: the driver waits for the failure page, retries there, and takes the update through.
// With --figures it takes no step but starts the updater ten times and prints how soon its first
// status shows, and how much memory and processor it uses while it waits.
//
// Where an element or a text is on a page comes from the same page, shown by this program in a
// window of the same size off the screen: the pages lay out the same whatever their texts say.
// Exits with the updater's exit code once every step was taken, 1 when a step failed, 2 for a
// usage error. The updater never outlives the driver.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/linux/GlibHandles.h"
#include "platform/linux/gtk/GtkPageDialog.h"
#include "platform/linux/gtk/GtkViewSystem.h"
#include "tools/demo-driver/UpdateSteps.h"
#include "tools/page-tools/PageTools.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using EvarixDemo::Step;
using EvarixView::Gtk::GtkPageDialog;
using EvarixView::Gtk::GtkViewSystem;
using Picture = EvarixGlib::Object<GdkPixbuf>;

constexpr int kStepFailed = 1;
constexpr int kUsageError = 2;
constexpr int kCannotStart = 127;
// How long a window may take to come once the one before it has gone, or to take a click.
constexpr auto kWindowPatience = 60s;
// How long a window that goes by itself may stand still. The progress window moves for as long as
// the download does, however slowly, so only a download that has stopped runs this out; the
// keyboard harness's own time-out bounds the whole run.
constexpr auto kStillnessPatience = 60s;
// How long a window's page may take to paint whole.
constexpr auto kPaintPatience = 20s;
// How long the page of a window that waits for its click must stand still before its picture.
constexpr auto kSettling = 500ms;
// How often a window is looked at while we wait for it to come, to show its whole page or to go:
// a quick download's progress window lasts about a second.
constexpr auto kGlance = 25ms;
// How often a window that goes by itself is looked at for movement: a picture of it takes the X
// server from the updater for a while.
constexpr auto kMovementGlance = 250ms;
// How long the updater has to end after SIGTERM before it is killed.
constexpr auto kEndingPatience = 10s;

using EvarixPageTools::Evaluate;
using EvarixPageTools::Pump;
using EvarixPageTools::RunUntil;

struct Rect {
  double x = 0;
  double y = 0;
  double width = 0;
  double height = 0;
};

// The part inside an element's border, which is one colour while the element is empty.
Rect Inside(const Rect& rect) {
  return {rect.x + 4, rect.y + 4, rect.width - 8, rect.height - 8};
}

// Where the elements of a page are within its window, by id, and where its texts are.
struct PageLayout {
  std::map<std::string, Rect> elements;
  std::vector<Rect> texts;
  std::optional<Rect> writtenEnd;  // the last word of what the updater writes into the page
};

// Writes the text into the element, as the updater will, and answers "~ x y width height": the
// box of its last word.
std::string WriteScript(const std::string& id, const std::string& text) {
  return "((id, text) => {\n"
         "  const element = document.getElementById(id);\n"
         "  element.textContent = text;\n"
         "  const word = document.createRange();\n"
         "  word.setStart(element.firstChild, text.lastIndexOf(' ') + 1);\n"
         "  word.setEnd(element.firstChild, text.length);\n"
         "  const r = word.getBoundingClientRect();\n"
         "  return ['~', r.left, r.top, r.width, r.height].join(' ');\n"
         "})('" +
         id + "', '" + text + "')";
}

// Each element with an id as "id x y width height", then each text as "- x y width height". A
// text's box is that of its letters, not of the element around it, which a control of the window
// may cover.
constexpr const char* kLayoutScript = R"((() => {
  const box = r => [r.left, r.top, r.width, r.height].join(' ');
  const lines = [...document.querySelectorAll('[id]')]
      .map(e => e.id + ' ' + box(e.getBoundingClientRect()));
  const texts = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
  for (let text = texts.nextNode(); text; text = texts.nextNode()) {
    if (!text.textContent.trim()) continue;
    const letters = document.createRange();
    letters.selectNodeContents(text);
    lines.push('- ' + box(letters.getBoundingClientRect()));
  }
  return lines.join('\n');
})())";

PageLayout ParseLayout(const std::string& answer, int viewX, int viewY) {
  PageLayout layout;
  std::istringstream lines(answer);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string name;
    Rect rect;
    if (!(fields >> name >> rect.x >> rect.y >> rect.width >> rect.height)) continue;
    rect.x += viewX;
    rect.y += viewY;
    if (name == "~") {
      layout.writtenEnd = rect;
    } else if (name != "-") {
      layout.elements[name] = rect;
    } else if (rect.width >= 1 && rect.height >= 1) {
      layout.texts.push_back(rect);
    }
  }
  return layout;
}

// The layouts of the pages, learnt from our own copy of each.
class PageLayouts {
 public:
  explicit PageLayouts(GtkViewSystem& views) : views_(views) {}

  // Null when the page could not be shown or measured.
  const PageLayout* Of(const Step& step) {
    if (const auto known = layouts_.find(step.pageId); known != layouts_.end()) {
      return &known->second;
    }
    std::optional<PageLayout> layout = Measure(step);
    if (!layout) return nullptr;
    return &layouts_.emplace(step.pageId, std::move(*layout)).first->second;
  }

 private:
  std::optional<PageLayout> Measure(const Step& step) {
    EvarixPageTools::QuietEvents events;
    auto host = views_.CreatePageDialog(step.templateId, step.pageId, events, nullptr);
    auto* dialog = static_cast<GtkPageDialog*>(host.get());
    gtk_window_move(dialog->Window(), -4000, -4000);
    gtk_widget_show(GTK_WIDGET(dialog->Window()));
    if (!RunUntil([&] { return dialog->IsPageLoaded(); }, 20s)) return std::nullopt;
    std::string written;
    if (!step.writtenText.empty()) {
      const auto end =
          Evaluate(dialog->WebView(), WriteScript(step.writtenLater, step.writtenText));
      if (!end) return std::nullopt;
      written = *end + "\n";
    }
    Pump(200ms);
    const std::optional<std::string> answer = Evaluate(dialog->WebView(), kLayoutScript);
    if (!answer) return std::nullopt;
    int viewX = 0;
    int viewY = 0;
    gtk_widget_translate_coordinates(GTK_WIDGET(dialog->WebView()), GTK_WIDGET(dialog->Window()), 0,
                                     0, &viewX, &viewY);
    return ParseLayout(written + *answer, viewX, viewY);
  }

  GtkViewSystem& views_;
  std::map<int, PageLayout> layouts_;
};

// Whether the part of the picture inside rect shows anything but one colour.
bool ShowsSomethingIn(const GdkPixbuf* picture, const Rect& rect) {
  const auto clamp = [](double value, int most) {
    return static_cast<size_t>(std::clamp(static_cast<int>(value), 0, most));
  };
  const int width = gdk_pixbuf_get_width(picture);
  const int height = gdk_pixbuf_get_height(picture);
  const size_t left = clamp(rect.x, width);
  const size_t right = clamp(rect.x + rect.width, width);
  const size_t top = clamp(rect.y, height);
  const size_t bottom = clamp(rect.y + rect.height, height);
  const guchar* pixels = gdk_pixbuf_read_pixels(picture);
  const auto stride = static_cast<size_t>(gdk_pixbuf_get_rowstride(picture));
  const auto channels = static_cast<size_t>(gdk_pixbuf_get_n_channels(picture));
  const guchar* first = pixels + top * stride + left * channels;
  for (size_t y = top; y < bottom; ++y) {
    for (size_t x = left; x < right; ++x) {
      if (std::memcmp(first, pixels + y * stride + x * channels, channels) != 0) return true;
    }
  }
  return false;
}

bool IsBlank(const GdkPixbuf* picture) {
  return !ShowsSomethingIn(picture, {0, 0, static_cast<double>(gdk_pixbuf_get_width(picture)),
                                     static_cast<double>(gdk_pixbuf_get_height(picture))});
}

std::string PixelsOf(const GdkPixbuf* picture) {
  return {reinterpret_cast<const char*>(gdk_pixbuf_read_pixels(picture)),
          gdk_pixbuf_get_byte_length(picture)};
}

// Whether the picture shows the step's whole page: every text on it, and what the updater writes
// in later. A page still loading, or painted in part, lacks some; a message box only has to show
// something.
bool ShowsWholePage(const GdkPixbuf* picture, const Step& step, const PageLayout* layout) {
  if (layout == nullptr) return !IsBlank(picture);
  const auto shown = [picture](const Rect& rect) { return ShowsSomethingIn(picture, rect); };
  if (!std::ranges::all_of(layout->texts, shown)) return false;
  if (layout->writtenEnd && !shown(*layout->writtenEnd)) return false;
  return step.writtenLater.empty() || shown(Inside(layout->elements.at(step.writtenLater)));
}

// Windows of another program may go at any moment: an error about one that has gone is expected.
class ErrorTrap {
 public:
  ErrorTrap() { gdk_x11_display_error_trap_push(gdk_display_get_default()); }
  ~ErrorTrap() { gdk_x11_display_error_trap_pop_ignored(gdk_display_get_default()); }
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;
};

// The updater's windows on the X server, and the pointer a person would use on them.
class UpdaterWindows {
 public:
  UpdaterWindows(Display* display, pid_t updater) : display_(display), updater_(updater) {}

  // The updater's shown window whose caption passes the test, waiting for it at most patience.
  std::optional<Window> WaitForWindow(const std::function<bool(const std::string&)>& caption,
                                      std::chrono::milliseconds patience) {
    std::optional<Window> found;
    RunUntil([&] { return (found = FindWindow(caption)).has_value(); }, patience);
    return found;
  }

  std::optional<Window> FindWindow(const std::function<bool(const std::string&)>& caption) {
    const ErrorTrap trap;  // windows come and go while we look at them
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children, &count) == 0) {
      return std::nullopt;
    }
    std::optional<Window> found;
    for (unsigned i = 0; i < count && !found; ++i) {
      if (IsShown(children[i]) && PidOf(children[i]) == updater_ &&
          caption(CaptionOf(children[i]))) {
        found = children[i];
      }
    }
    if (children != nullptr) XFree(children);
    return found;
  }

  // The captions of the updater's shown windows, for a message.
  std::string ShownCaptions() {
    std::string captions;
    FindWindow([&](const std::string& caption) {
      captions += (captions.empty() ? "\"" : ", \"") + caption + "\"";
      return false;
    });
    return captions.empty() ? "none" : captions;
  }

  bool IsShown(Window window) {
    const ErrorTrap trap;  // the window may have gone already
    XWindowAttributes attributes;
    return XGetWindowAttributes(display_, window, &attributes) != 0 &&
           attributes.map_state == IsViewable;
  }

  // What the window shows now; null once it has gone.
  static Picture PictureOf(Window window) {
    const ErrorTrap trap;
    const EvarixGlib::Object<GdkWindow> foreign(
        gdk_x11_window_foreign_new_for_display(gdk_display_get_default(), window));
    if (foreign == nullptr) return nullptr;
    return Picture(gdk_pixbuf_get_from_window(foreign.get(), 0, 0,
                                              gdk_window_get_width(foreign.get()),
                                              gdk_window_get_height(foreign.get())));
  }

  // Its caption and its pixels: whatever moves in the window changes these.
  std::string LookOf(Window window) {
    const Picture picture = PictureOf(window);
    return CaptionOf(window) + (picture ? PixelsOf(picture.get()) : std::string());
  }

  void Click(Window window, const Rect& rect) {
    int rootX = 0;
    int rootY = 0;
    Window child = 0;
    XTranslateCoordinates(display_, window, DefaultRootWindow(display_),
                          static_cast<int>(rect.x + rect.width / 2),
                          static_cast<int>(rect.y + rect.height / 2), &rootX, &rootY, &child);
    XTestFakeMotionEvent(display_, -1, rootX, rootY, CurrentTime);
    XTestFakeButtonEvent(display_, Button1, True, CurrentTime);
    XTestFakeButtonEvent(display_, Button1, False, CurrentTime);
    XFlush(display_);
  }

 private:
  std::string CaptionOf(Window window) {
    const Atom utf8 = XInternAtom(display_, "UTF8_STRING", False);
    return Property(window, XInternAtom(display_, "_NET_WM_NAME", False), utf8, 8);
  }

  pid_t PidOf(Window window) {
    const std::string value =
        Property(window, XInternAtom(display_, "_NET_WM_PID", False), XA_CARDINAL, 32);
    if (value.size() < sizeof(long)) return 0;
    long pid = 0;
    std::memcpy(&pid, value.data(), sizeof pid);
    return static_cast<pid_t>(pid);
  }

  // The property's items as bytes (Xlib hands 32-bit items over as longs).
  std::string Property(Window window, Atom name, Atom type, int format) {
    const ErrorTrap trap;
    Atom actualType = 0;
    int actualFormat = 0;
    unsigned long items = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display_, window, name, 0, 1024, False, type, &actualType, &actualFormat,
                           &items, &remaining, &data) != Success ||
        data == nullptr) {
      return {};
    }
    const size_t itemSize = format == 32 ? sizeof(long) : 1;
    std::string value(reinterpret_cast<const char*>(data), items * itemSize);
    XFree(data);
    return actualFormat == format ? value : std::string();
  }

  Display* display_;
  pid_t updater_;
};

int ExitCodeOf(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : kStepFailed;
}

// The updater's process. However the driver ends, the updater goes too: the driver ends and reaps
// it on the way out, and the kernel sends it SIGTERM should the driver be killed first.
class UpdaterProcess {
 public:
  static std::unique_ptr<UpdaterProcess> Start(const std::vector<char*>& command) {
    const pid_t driver = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
      // Only async-signal-safe calls from here to the exec.
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      if (getppid() != driver) _exit(kCannotStart);  // the driver died before it was asked
      execvp(command[0], command.data());
      _exit(kCannotStart);
    }
    if (pid < 0) return nullptr;
    return std::unique_ptr<UpdaterProcess>(new UpdaterProcess(pid));
  }

  ~UpdaterProcess() { End(); }
  UpdaterProcess(const UpdaterProcess&) = delete;
  UpdaterProcess& operator=(const UpdaterProcess&) = delete;

  pid_t Pid() const { return pid_; }

  // Its exit code once it has ended.
  std::optional<int> ExitCode() {
    int status = 0;
    if (!exitCode_ && waitpid(pid_, &status, WNOHANG) == pid_) exitCode_ = ExitCodeOf(status);
    return exitCode_;
  }

  std::optional<int> AwaitExit(std::chrono::milliseconds patience) {
    RunUntil([this] { return ExitCode().has_value(); }, patience);
    return exitCode_;
  }

  // Ends it unless it has ended by itself; SIGKILL when it does not heed SIGTERM.
  void End() {
    if (ExitCode()) return;
    kill(pid_, SIGTERM);
    if (AwaitExit(kEndingPatience)) return;
    kill(pid_, SIGKILL);
    int status = 0;
    if (waitpid(pid_, &status, 0) == pid_) exitCode_ = ExitCodeOf(status);
  }

 private:
  explicit UpdaterProcess(pid_t pid) : pid_(pid) {}

  const pid_t pid_;
  std::optional<int> exitCode_;
};

// Runs the main loop, looking at the screen with look() every glance, until it says done or
// patience runs out; returns whether it said done.
bool GlanceUntil(const std::function<bool()>& look, std::chrono::milliseconds patience) {
  const auto end = Clock::now() + patience;
  while (!look()) {
    if (Clock::now() >= end) return false;
    Pump(kGlance);
  }
  return true;
}

// Measures every page the steps show before the updater starts, so that no window of ours shows
// while the updater's do.
bool MeasureAll(const std::vector<Step>& steps, PageLayouts& layouts) {
  for (const Step& step : steps) {
    if (step.pageId == 0) continue;
    const PageLayout* layout = layouts.Of(step);
    if (layout == nullptr) {
      std::fprintf(stderr, "evarix-demo-driver: cannot measure page %d\n", step.pageId);
      return false;
    }
    for (const std::string& id : {step.click, step.writtenLater}) {
      if (!id.empty() && !layout->elements.contains(id)) {
        std::fprintf(stderr, "evarix-demo-driver: no %s on page %d\n", id.c_str(), step.pageId);
        return false;
      }
    }
  }
  return true;
}

// Takes the updater through the steps, following its windows at whatever pace they come.
class UpdateDriver {
 public:
  UpdateDriver(UpdaterProcess& updater, UpdaterWindows& screen, PageLayouts& layouts,
               std::filesystem::path folder)
      : updater_(updater), screen_(screen), layouts_(layouts), folder_(std::move(folder)) {}

  bool TakeSteps(const std::vector<Step>& steps) {
    for (size_t next = 0; next < steps.size(); ++next) {
      const std::optional<std::pair<size_t, Window>> shown = AwaitWindow(steps, next);
      if (!shown) {
        Complain(steps[next], updater_.ExitCode() ? "the updater ended before its window came"
                                                  : "the window did not come; the updater shows " +
                                                        screen_.ShownCaptions());
        return false;
      }
      for (; next < shown->first; ++next) Complain(steps[next], "went by before it was seen");
      if (!TakeStep(steps[next], shown->second)) return false;
    }
    return true;
  }

 private:
  static void Complain(const Step& step, const std::string& what) {
    std::fprintf(stderr, "evarix-demo-driver: %s: %s\n", step.name.c_str(), what.c_str());
  }

  // The first step from next on whose window shows, and the window.
  std::optional<std::pair<size_t, Window>> AwaitWindow(const std::vector<Step>& steps,
                                                       size_t next) {
    std::optional<std::pair<size_t, Window>> shown;
    GlanceUntil(
        [&] {
          std::optional<Window> window;
          const std::optional<size_t> step =
              EvarixDemo::ShownStep(steps, next, [&](const Step& candidate) {
                return (window = screen_.FindWindow(candidate.caption)).has_value();
              });
          if (step) shown = std::make_pair(*step, *window);
          return shown || updater_.ExitCode();
        },
        kWindowPatience);
    return shown;
  }

  bool TakeStep(const Step& step, Window window) {
    const PageLayout* layout = step.pageId != 0 ? layouts_.Of(step) : nullptr;
    // What reaches the screen is checked, not only what the page holds: a window of a page that
    // never shows every text of it fails the run. A message box may come and go unseen.
    if (!SavePicture(step, window, layout) && layout != nullptr) return false;
    if (step.click.empty()) return AwaitGoing(step, window);
    return ClickUntilGone(step, window, layout->elements.at(step.click));
  }

  // A window that waits for its click is pictured once its whole page has stood still for a
  // moment: the updater writes into some pages just after they show. One that goes by itself is
  // pictured as soon as its page shows whole, and has no picture when it goes first.
  bool SavePicture(const Step& step, Window window, const PageLayout* layout) {
    const auto settling = step.click.empty() ? 0ms : kSettling;
    Picture painted;
    auto paintedAt = Clock::now();
    GlanceUntil(
        [&] {
          Picture picture = UpdaterWindows::PictureOf(window);
          if (!picture || !ShowsWholePage(picture.get(), step, layout)) {
            painted.reset();
            return !screen_.IsShown(window);
          }
          if (!painted || PixelsOf(picture.get()) != PixelsOf(painted.get())) {
            painted = std::move(picture);
            paintedAt = Clock::now();
          }
          return Clock::now() - paintedAt >= settling;
        },
        kPaintPatience);
    const std::filesystem::path file = folder_ / (step.name + ".png");
    if (!painted || !gdk_pixbuf_save(painted.get(), file.c_str(), "png", nullptr, nullptr)) {
      Complain(step, "no picture: the window went, or never showed its whole page");
      return false;
    }
    std::printf("%s\n", file.c_str());
    std::fflush(stdout);
    return true;
  }

  // Waits for as long as the window keeps changing: the progress window moves with the download.
  bool AwaitGoing(const Step& step, Window window) {
    std::string seen;
    auto moved = Clock::now();
    while (!GlanceUntil([&] { return !screen_.IsShown(window); }, kMovementGlance)) {
      if (std::string look = screen_.LookOf(window); look != seen) {
        seen = std::move(look);
        moved = Clock::now();
      } else if (Clock::now() - moved >= kStillnessPatience) {
        Complain(step, "stood still too long");
        return false;
      }
    }
    return true;
  }

  // A click that comes before the page can take it is lost, as a person's would be: click again.
  bool ClickUntilGone(const Step& step, Window window, const Rect& target) {
    const auto deadline = Clock::now() + kWindowPatience;
    while (Clock::now() < deadline) {
      screen_.Click(window, target);
      if (RunUntil([&] { return !screen_.IsShown(window); }, 2s)) return true;
    }
    Complain(step, "the window did not take the click");
    return false;
  }

  UpdaterProcess& updater_;
  UpdaterWindows& screen_;
  PageLayouts& layouts_;
  const std::filesystem::path folder_;
};

// What a process and all its descendants (the page engine's processes) use.
struct Use {
  long residentKiB = 0;
  long proportionalKiB = 0;
  double cpuSeconds = 0;
};

std::optional<std::pair<pid_t, double>> ParentAndCpuSeconds(pid_t pid) {
  std::FILE* file = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r");
  if (file == nullptr) return std::nullopt;
  char line[1024] = {};
  const bool read = std::fgets(line, sizeof line, file) != nullptr;
  std::fclose(file);
  const char* afterName = read ? std::strrchr(line, ')') : nullptr;
  int parent = 0;
  unsigned long user = 0;
  unsigned long system = 0;
  // After the name: state, parent, then eleven fields up to the user and system times.
  if (afterName == nullptr ||
      std::sscanf(afterName + 1, " %*c %d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &parent,
                  &user, &system) != 3) {
    return std::nullopt;
  }
  return std::make_pair(static_cast<pid_t>(parent), static_cast<double>(user + system) /
                                                        static_cast<double>(sysconf(_SC_CLK_TCK)));
}

// A figure in kB from one of the files /proc keeps on a process. The resident memory counts every
// shared library whole in every process; the proportional one divides each shared page among the
// processes that map it.
long MemoryKiB(pid_t pid, const char* name, const char* format) {
  std::FILE* file = std::fopen(("/proc/" + std::to_string(pid) + "/" + name).c_str(), "r");
  if (file == nullptr) return 0;
  long kib = 0;
  char line[256];
  while (std::fgets(line, sizeof line, file) != nullptr) {
    if (std::sscanf(line, format, &kib) == 1) break;
  }
  std::fclose(file);
  return kib;
}

Use UseOfTree(pid_t root) {
  std::map<pid_t, std::pair<pid_t, double>> processes;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    const auto pid = static_cast<pid_t>(std::stol(name));
    if (const auto stat = ParentAndCpuSeconds(pid)) processes[pid] = *stat;
  }
  Use use;
  std::vector<pid_t> tree{root};
  for (size_t i = 0; i < tree.size(); ++i) {
    use.residentKiB += MemoryKiB(tree[i], "status", "VmRSS: %ld kB");
    use.proportionalKiB += MemoryKiB(tree[i], "smaps_rollup", "Pss: %ld kB");
    if (const auto found = processes.find(tree[i]); found != processes.end()) {
      use.cpuSeconds += found->second.second;
    }
    for (const auto& [pid, stat] : processes) {
      if (stat.first == tree[i]) tree.push_back(pid);
    }
  }
  return use;
}

// Starts the updater a few times and prints how long its first status took to show, then how
// much memory and processor it uses while it waits on its main window.
int PrintFigures(const std::vector<char*>& command, PageLayouts& layouts) {
  constexpr int kStarts = 10;
  constexpr auto kIdleSpan = 10s;
  const Step main = EvarixDemo::DownloadSteps().front();
  const PageLayout* layout = layouts.Of(main);
  if (layout == nullptr || !layout->elements.contains(main.writtenLater)) return kStepFailed;
  std::vector<double> startMs;
  for (int i = 0; i < kStarts; ++i) {
    const auto started = Clock::now();
    const std::unique_ptr<UpdaterProcess> updater = UpdaterProcess::Start(command);
    if (!updater) return kStepFailed;
    UpdaterWindows windows(gdk_x11_display_get_xdisplay(gdk_display_get_default()), updater->Pid());
    const std::optional<Window> window = windows.WaitForWindow(main.caption, kWindowPatience);
    const auto painted = [&] {
      const Picture picture = UpdaterWindows::PictureOf(*window);
      return picture && ShowsWholePage(picture.get(), main, layout);
    };
    if (!window || !RunUntil(painted, 30s)) return kStepFailed;
    startMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - started).count());
    if (i == kStarts - 1) {
      Pump(5s);
      const Use before = UseOfTree(updater->Pid());
      Pump(kIdleSpan);
      const Use after = UseOfTree(updater->Pid());
      std::printf("resident memory, updater and its page-engine processes: %.1f MiB\n",
                  static_cast<double>(after.residentKiB) / 1024.0);
      std::printf("proportional memory (PSS), the same processes: %.1f MiB\n",
                  static_cast<double>(after.proportionalKiB) / 1024.0);
      std::printf("processor while idle on the main window: %.2f %% of one core\n",
                  100.0 * (after.cpuSeconds - before.cpuSeconds) /
                      std::chrono::duration<double>(kIdleSpan).count());
    }
  }
  std::sort(startMs.begin(), startMs.end());
  std::printf("start to first painted status, %d starts: median %.0f ms, worst %.0f ms\n", kStarts,
              startMs[startMs.size() / 2], startMs.back());
  return 0;
}

// Takes every step of the update, then waits for the updater to end by itself.
int DriveUpdate(const std::vector<char*>& command, PageLayouts& layouts,
                const std::filesystem::path& folder, bool throughFailure) {
  std::filesystem::create_directories(folder);
  const std::vector<Step> steps = EvarixDemo::UpdateSteps(throughFailure);
  if (!MeasureAll(steps, layouts)) return kStepFailed;
  const std::unique_ptr<UpdaterProcess> updater = UpdaterProcess::Start(command);
  if (!updater) {
    std::fprintf(stderr, "evarix-demo-driver: cannot start %s\n", command.front());
    return kStepFailed;
  }
  UpdaterWindows screen(gdk_x11_display_get_xdisplay(gdk_display_get_default()), updater->Pid());
  if (!UpdateDriver(*updater, screen, layouts, folder).TakeSteps(steps)) return kStepFailed;
  const std::optional<int> exitCode = updater->AwaitExit(kWindowPatience);
  if (!exitCode) std::fprintf(stderr, "evarix-demo-driver: the updater did not end\n");
  return exitCode.value_or(kStepFailed);
}

}  // namespace

int main(int argc, char** argv) {
  const bool throughFailure = argc > 1 && std::strcmp(argv[1], "--retry-after-failure") == 0;
  if (throughFailure) {
    --argc;
    ++argv;
  }
  if (argc < 4 || std::strcmp(argv[2], "--") != 0) {
    std::fprintf(stderr,
                 "usage: evarix-demo-driver [--retry-after-failure] SCREENSHOT-FOLDER"
                 " -- updater [argument...]\n"
                 "       evarix-demo-driver --figures -- updater [argument...]\n");
    return kUsageError;
  }
  const bool figures = std::strcmp(argv[1], "--figures") == 0;
  if (!GtkViewSystem::InitialiseToolkit()) {
    std::fprintf(stderr, "evarix-demo-driver: no display\n");
    return kStepFailed;
  }
  GtkViewSystem views;
  PageLayouts layouts(views);
  std::vector<char*> command(argv + 3, argv + argc);
  command.push_back(nullptr);
  if (figures) return PrintFigures(command, layouts);
  return DriveUpdate(command, layouts, argv[1], throughFailure);
}
