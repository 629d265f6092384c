#include "view/ViewTestSupport.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>
#include <sstream>
#include <thread>

#include "tools/page-tools/PageTools.h"

// Under AddressSanitizer: the font cache and the script engine's heap keep some blocks to the end
// of the process on purpose, and those are not ours to free.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n"
         "leak:libjavascriptcoregtk-4.1.so\n";
}

// Under ThreadSanitizer: the view runs on one thread, but the toolkit and the page engine keep
// threads of their own and hand work between them in ways an uninstrumented library cannot show
// the sanitizer (futex parking, memory maps, atomics). Their reports are about those libraries.
extern "C" const char* __tsan_default_suppressions() {
  return "called_from_lib:libjavascriptcoregtk-4.1.so\n"
         "called_from_lib:libwebkit2gtk-4.1.so\n"
         "called_from_lib:libfontconfig.so\n"
         "race:libjavascriptcoregtk-4.1.so\n"
         "race:libwebkit2gtk-4.1.so\n"
         "race:libfontconfig.so\n"
         "race:libglib-2.0.so\n"
         "race:libgio-2.0.so\n"
         "race:libgobject-2.0.so\n"
         "race:libgdk-3.so\n"
         "race:libgtk-3.so\n"
         "race:libpango-1.0.so\n"
         "race:libpangoft2-1.0.so\n"
         "race:libharfbuzz.so\n"
         "race:libcairo.so\n"
         "deadlock:libglib-2.0.so\n"
         "mutex:libglib-2.0.so\n";
}

namespace EvarixView::Gtk::Testing {
namespace {

using namespace std::chrono_literals;

std::optional<std::string> FindProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::istringstream folders(path != nullptr ? path : "/usr/bin:/bin");
  for (std::string folder; std::getline(folders, folder, ':');) {
    const std::string candidate = folder + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return std::nullopt;
}

// A virtual X server on a display number it picks itself; it dies with the test program.
class VirtualDisplay {
 public:
  static std::unique_ptr<VirtualDisplay> Start() {
    const auto server = FindProgram("Xvfb");
    int ready[2];
    if (!server || pipe(ready) != 0) return nullptr;
    const pid_t pid = fork();
    if (pid == 0) {
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      close(ready[0]);
      const int null = open("/dev/null", O_RDWR);
      dup2(null, STDOUT_FILENO);
      dup2(null, STDERR_FILENO);
      const std::string fd = std::to_string(ready[1]);
      execl(server->c_str(), "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen", "0",
            "1280x1024x24", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(ready[1]);
    if (pid < 0) {
      close(ready[0]);
      return nullptr;
    }
    auto display = std::unique_ptr<VirtualDisplay>(new VirtualDisplay(pid));
    display->name_ = ReadDisplayNumber(ready[0]);
    close(ready[0]);
    if (display->name_.empty()) return nullptr;
    return display;
  }

  ~VirtualDisplay() {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  VirtualDisplay(const VirtualDisplay&) = delete;
  VirtualDisplay& operator=(const VirtualDisplay&) = delete;

  const std::string& Name() const { return name_; }

 private:
  explicit VirtualDisplay(pid_t pid) : pid_(pid) {}

  static std::string ReadDisplayNumber(int fd) {
    std::string number;
    pollfd readable{fd, POLLIN, 0};
    char digit = 0;
    while (poll(&readable, 1, 10000) > 0 && read(fd, &digit, 1) == 1 && digit != '\n') {
      number += digit;
    }
    return number.empty() ? "" : ":" + number;
  }

  pid_t pid_;
  std::string name_;
};

// One display, one toolkit start-up and one view system for the whole test program: GTK starts
// once per process.
class ViewEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    display_ = VirtualDisplay::Start();
    if (!display_) return;
    setenv("DISPLAY", display_->Name().c_str(), 1);
    // No accessibility bus to look for on a virtual display.
    setenv("NO_AT_BRIDGE", "1", 1);
    if (!GtkViewSystem::InitialiseToolkit()) return;
    views_ = std::make_unique<GtkViewSystem>();
  }

  void TearDown() override {
    views_.reset();
    display_.reset();
  }

  GtkViewSystem* Views() const { return views_.get(); }

 private:
  std::unique_ptr<VirtualDisplay> display_;
  std::unique_ptr<GtkViewSystem> views_;
};

ViewEnvironment* const gEnvironment =
    static_cast<ViewEnvironment*>(::testing::AddGlobalTestEnvironment(new ViewEnvironment));

}  // namespace

GtkViewSystem* Views() {
  return gEnvironment->Views();
}

bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  return EvarixPageTools::RunUntil(done, limit);
}

void Pump(std::chrono::milliseconds duration) {
  EvarixPageTools::Pump(duration);
}

std::string Evaluate(WebKitWebView* view, const std::string& script) {
  return EvarixPageTools::Evaluate(view, script).value_or("");
}

void EvaluateLater(WebKitWebView* view, const std::string& script) {
  webkit_web_view_evaluate_javascript(view, script.c_str(), -1, nullptr, nullptr, nullptr, nullptr,
                                      nullptr);
}

void ViewTest::SetUp() {
  views_ = Views();
  if (views_ == nullptr) GTEST_SKIP() << "no virtual display (is Xvfb installed?)";
}

std::unique_ptr<GtkPageDialog> ViewTest::MakeDialog(int templateId, int pageId,
                                                    IPageDialogEvents& events,
                                                    IPageDialogHost* owner) {
  auto host = views_->CreatePageDialog(templateId, pageId, events, owner);
  return std::unique_ptr<GtkPageDialog>(static_cast<GtkPageDialog*>(host.release()));
}

std::unique_ptr<GtkPageDialog> ViewTest::LoadedDialog(int templateId, int pageId,
                                                      RecordingEvents& events) {
  auto dialog = MakeDialog(templateId, pageId, events);
  GtkPageDialog* raw = dialog.get();
  constexpr unsigned kPatienceTimer = 999;
  events.onEvent = [raw](const std::string& event) {
    if (event == "complete") raw->EndDialog(kResultOk);
    if (event == "timer:999") raw->EndDialog(-1);
  };
  dialog->SetTimer(kPatienceTimer, 10000);
  const int result = dialog->RunModal();
  events.onEvent = nullptr;
  EXPECT_EQ(result, kResultOk) << "the page did not report that it had loaded";
  return dialog;
}

}  // namespace EvarixView::Gtk::Testing
