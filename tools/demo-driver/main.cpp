// Drives the updater through a whole update as a person would, on a display with no one at it:
// it starts the updater, waits for each window, saves a picture of it, and clicks the page
// element a person would click, with the pointer, through the X server.
//
//   evarix-demo-driver [--retry-after-failure] SCREENSHOT-FOLDER -- updater [argument...]
//   evarix-demo-driver --figures -- updater [argument...]
//
// With --retry-after-failure the first download is to fail, the keyboard having been pulled out
// during it: the driver waits for the failure page, retries there, and takes the update through.
// With --figures it takes no step but starts the updater ten times and prints how soon its first
// status shows, and how much memory and processor it uses while it waits.
//
// Where an element is on a page comes from the same page, shown by this program in a window of
// the same size off the screen: the pages lay out the same whatever their texts say.
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
#include <string>
#include <thread>
#include <vector>

#include "app/view/DialogTemplates.h"
#include "platform/linux/gtk/GtkPageDialog.h"
#include "platform/linux/gtk/GtkViewSystem.h"
#include "tools/page-tools/PageTools.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using EvarixView::Gtk::GtkPageDialog;
using EvarixView::Gtk::GtkViewSystem;

constexpr int kStepFailed = 1;
constexpr int kUsageError = 2;
constexpr int kCannotStart = 127;
constexpr auto kWindowPatience = 60s;  // the download runs while the progress window shows
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

// Where the elements of the pages are within their windows, learnt from our own copy of each.
class PageLayouts {
 public:
  explicit PageLayouts(GtkViewSystem& views) : views_(views) {}

  std::optional<Rect> Find(int templateId, int pageId, const std::string& elementId) {
    const std::string key = std::to_string(pageId) + "#" + elementId;
    if (const auto known = rects_.find(key); known != rects_.end()) return known->second;
    const std::optional<Rect> rect = Measure(templateId, pageId, elementId);
    if (rect) rects_[key] = *rect;
    return rect;
  }

 private:
  std::optional<Rect> Measure(int templateId, int pageId, const std::string& elementId) {
    EvarixPageTools::QuietEvents events;
    auto host = views_.CreatePageDialog(templateId, pageId, events, nullptr);
    auto* dialog = static_cast<GtkPageDialog*>(host.get());
    gtk_window_move(dialog->Window(), -4000, -4000);
    gtk_widget_show(GTK_WIDGET(dialog->Window()));
    if (!RunUntil([&] { return dialog->IsPageLoaded(); }, 20s)) return std::nullopt;
    Pump(200ms);
    const std::optional<std::string> answer = Evaluate(
        dialog->WebView(), "(() => { const r = document.getElementById('" + elementId +
                               "').getBoundingClientRect();"
                               " return [r.left, r.top, r.width, r.height].join(' '); })()");
    if (!answer) return std::nullopt;
    Rect rect;
    if (std::sscanf(answer->c_str(), "%lf %lf %lf %lf", &rect.x, &rect.y, &rect.width,
                    &rect.height) != 4) {
      return std::nullopt;
    }
    int viewX = 0;
    int viewY = 0;
    gtk_widget_translate_coordinates(GTK_WIDGET(dialog->WebView()), GTK_WIDGET(dialog->Window()), 0,
                                     0, &viewX, &viewY);
    rect.x += viewX;
    rect.y += viewY;
    return rect;
  }

  GtkViewSystem& views_;
  std::map<std::string, Rect> rects_;
};

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

  bool IsShown(Window window) {
    const ErrorTrap trap;  // the window may have gone already
    XWindowAttributes attributes;
    return XGetWindowAttributes(display_, window, &attributes) != 0 &&
           attributes.map_state == IsViewable;
  }

  // Saves the window's picture once it shows something: a page still loading is blank.
  bool Save(Window window, const std::filesystem::path& file) {
    GdkPixbuf* picture = nullptr;
    RunUntil(
        [&] {
          if (picture != nullptr) g_object_unref(picture);
          picture = Picture(window);
          return picture != nullptr && !IsBlank(picture);
        },
        10s);
    if (picture == nullptr) return false;
    const bool saved = gdk_pixbuf_save(picture, file.c_str(), "png", nullptr, nullptr) != FALSE;
    g_object_unref(picture);
    if (saved) std::printf("%s\n", file.c_str());
    return saved;
  }

  // Whether the part of the window inside rect shows anything but one colour.
  bool ShowsSomethingIn(Window window, const Rect& rect) {
    GdkPixbuf* picture = Picture(window);
    if (picture == nullptr) return false;
    GdkPixbuf* part =
        gdk_pixbuf_new_subpixbuf(picture, static_cast<int>(rect.x), static_cast<int>(rect.y),
                                 static_cast<int>(rect.width), static_cast<int>(rect.height));
    const bool something = part != nullptr && !IsBlank(part);
    if (part != nullptr) g_object_unref(part);
    g_object_unref(picture);
    return something;
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
  static GdkPixbuf* Picture(Window window) {
    const ErrorTrap trap;
    GdkWindow* foreign = gdk_x11_window_foreign_new_for_display(gdk_display_get_default(), window);
    if (foreign == nullptr) return nullptr;
    GdkPixbuf* picture = gdk_pixbuf_get_from_window(foreign, 0, 0, gdk_window_get_width(foreign),
                                                    gdk_window_get_height(foreign));
    g_object_unref(foreign);
    return picture;
  }

  // Whether every pixel has the colour of the first. A part of a picture shares the rows of the
  // whole: only the first width pixels of each row are its own.
  static bool IsBlank(GdkPixbuf* picture) {
    const guchar* pixels = gdk_pixbuf_read_pixels(picture);
    const auto stride = static_cast<size_t>(gdk_pixbuf_get_rowstride(picture));
    const auto channels = static_cast<size_t>(gdk_pixbuf_get_n_channels(picture));
    const auto width = static_cast<size_t>(gdk_pixbuf_get_width(picture));
    const auto height = static_cast<size_t>(gdk_pixbuf_get_height(picture));
    for (size_t y = 0; y < height; ++y) {
      for (size_t x = 0; x < width; ++x) {
        if (std::memcmp(pixels, pixels + y * stride + x * channels, channels) != 0) return false;
      }
    }
    return true;
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

// One window of the update, in the order a person meets them.
struct Step {
  std::string name;  // of the picture
  std::function<bool(const std::string&)> caption;
  int templateId;
  int pageId;
  std::chrono::milliseconds look;  // how long a person looks before the picture and the click
  std::string click;               // the element clicked; none: the window goes by itself
};

std::function<bool(const std::string&)> Is(const std::string& caption) {
  return [caption](const std::string& shown) { return shown == caption; };
}

std::function<bool(const std::string&)> EndsWith(const std::string& ending) {
  return [ending](const std::string& shown) { return shown.ends_with(ending); };
}

// The windows from the main window's Update to the end of the download.
std::vector<Step> DownloadSteps() {
  return {
      {"main", Is("Corvane Evarix 25 Firmware Updater (FW v1.2)"), 102, 129, 3000ms, "ButtonOK"},
      {"confirmation", Is("Corvane Evarix Update Confirmation"), 103, 146, 500ms, "ButtonOK"},
      {"driver-notice", Is("Corvane Evarix Hardware Installation Notice"), 112, 113, 500ms,
       "ButtonOK"},
      {"progress", Is("Corvane Evarix Updater Progress"), 106, 107, 4000ms, ""},
  };
}

// Pictures are numbered in the order the windows came.
std::vector<Step> Numbered(std::vector<Step> steps) {
  for (size_t i = 0; i < steps.size(); ++i) {
    steps[i].name = std::to_string(i + 1) + "-" + steps[i].name;
  }
  return steps;
}

// A whole update; after a failed download first when the keyboard is to be pulled out during it.
// The failure page asks the person to turn the keyboard off and on again before a retry, which
// takes a while to read.
std::vector<Step> UpdateSteps(bool throughFailure) {
  std::vector<Step> steps = DownloadSteps();
  if (throughFailure) {
    steps.push_back({"failure", Is("Dialog"), 110, 111, 3000ms, "ButtonRetry"});
    const std::vector<Step> retry = DownloadSteps();
    steps.insert(steps.end(), retry.begin(), retry.end());
  }
  steps.push_back({"countdown", EndsWith(" seconds remaining"), 0, 0, 500ms, ""});
  steps.push_back({"success", Is("Corvane Evarix Update Results"), 108, 109, 500ms, "ButtonOK"});
  return Numbered(std::move(steps));
}

bool TakeStep(const Step& step, UpdaterWindows& screen, PageLayouts& layouts,
              const std::filesystem::path& folder) {
  const std::optional<Window> window = screen.WaitForWindow(step.caption, kWindowPatience);
  if (!window) {
    std::fprintf(stderr, "evarix-demo-driver: %s: the window did not come\n", step.name.c_str());
    return false;
  }
  Pump(step.look);
  if (!screen.Save(*window, folder / (step.name + ".png"))) {
    std::fprintf(stderr, "evarix-demo-driver: %s: no picture\n", step.name.c_str());
  }
  if (step.click.empty()) {
    return RunUntil([&] { return !screen.IsShown(*window); }, kWindowPatience);
  }
  const std::optional<Rect> rect = layouts.Find(step.templateId, step.pageId, step.click);
  if (!rect) {
    std::fprintf(stderr, "evarix-demo-driver: %s: no %s on the page\n", step.name.c_str(),
                 step.click.c_str());
    return false;
  }
  // A click that comes before the page can take it is lost, as a person's would be: click again.
  const auto deadline = Clock::now() + kWindowPatience;
  while (Clock::now() < deadline) {
    screen.Click(*window, *rect);
    if (RunUntil([&] { return !screen.IsShown(*window); }, 2s)) return true;
  }
  return false;
}

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

// Measures every element the steps click before the updater starts, so that no window of ours
// shows while the updater's do.
bool MeasureAll(const std::vector<Step>& steps, PageLayouts& layouts) {
  for (const Step& step : steps) {
    if (!step.click.empty() && !layouts.Find(step.templateId, step.pageId, step.click)) {
      std::fprintf(stderr, "evarix-demo-driver: cannot find %s on page %d\n", step.click.c_str(),
                   step.pageId);
      return false;
    }
  }
  return true;
}

// What a process and all its descendants (the page engine's processes) use.
struct Use {
  long residentKiB = 0;
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

long ResidentKiB(pid_t pid) {
  std::FILE* file = std::fopen(("/proc/" + std::to_string(pid) + "/status").c_str(), "r");
  if (file == nullptr) return 0;
  long kib = 0;
  char line[256];
  while (std::fgets(line, sizeof line, file) != nullptr) {
    if (std::sscanf(line, "VmRSS: %ld kB", &kib) == 1) break;
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
    use.residentKiB += ResidentKiB(tree[i]);
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
  const std::optional<Rect> box = layouts.Find(102, 129, "TextArea");
  if (!box) return kStepFailed;
  // Inside the border: an empty box is one colour there.
  const Rect inside{box->x + 4, box->y + 4, box->width - 8, box->height - 8};
  std::vector<double> startMs;
  for (int i = 0; i < kStarts; ++i) {
    const auto started = Clock::now();
    const std::unique_ptr<UpdaterProcess> updater = UpdaterProcess::Start(command);
    if (!updater) return kStepFailed;
    UpdaterWindows windows(gdk_x11_display_get_xdisplay(gdk_display_get_default()), updater->Pid());
    const std::optional<Window> main =
        windows.WaitForWindow(DownloadSteps().front().caption, kWindowPatience);
    if (!main || !RunUntil([&] { return windows.ShowsSomethingIn(*main, inside); }, 30s)) {
      return kStepFailed;
    }
    startMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - started).count());
    if (i == kStarts - 1) {
      Pump(5s);
      const Use before = UseOfTree(updater->Pid());
      Pump(kIdleSpan);
      const Use after = UseOfTree(updater->Pid());
      std::printf("resident memory, updater and its page-engine processes: %.1f MiB\n",
                  static_cast<double>(after.residentKiB) / 1024.0);
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

// Takes every step of the update, then waits for the updater to end.
int DriveUpdate(const std::vector<char*>& command, PageLayouts& layouts,
                const std::filesystem::path& folder, bool throughFailure) {
  std::filesystem::create_directories(folder);
  const std::vector<Step> steps = UpdateSteps(throughFailure);
  if (!MeasureAll(steps, layouts)) return kStepFailed;
  const std::unique_ptr<UpdaterProcess> updater = UpdaterProcess::Start(command);
  if (!updater) {
    std::fprintf(stderr, "evarix-demo-driver: cannot start %s\n", command.front());
    return kStepFailed;
  }
  UpdaterWindows screen(gdk_x11_display_get_xdisplay(gdk_display_get_default()), updater->Pid());
  for (const Step& step : steps) {
    if (!TakeStep(step, screen, layouts, folder)) return kStepFailed;
  }
  // The updater ends by itself after the last step.
  const std::optional<int> exitCode = updater->AwaitExit(20s);
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
