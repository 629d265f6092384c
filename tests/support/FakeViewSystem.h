#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/view/PageDialogHost.h"

namespace EvarixTest {

// A view system without windows, installed for as long as it lives. It records every window the
// logic makes, lets the test act as the user, and keeps virtual time: timers fire in order of
// their due times as the test lets time pass. A modal run opens the window, loads its page, plays
// the script the test gave for its template and then goes on firing timers until the window has
// ended, as a modal loop does; a window that never ends within loopLimitMs is a test failure.
class FakeViewSystem final : public EvarixView::IViewSystem {
 public:
  // The template number message boxes are recorded under.
  static constexpr int kMessageBox = 0;

  class Window {
   public:
    const int templateId;
    const int pageId;
    Window* const owner;

    // The page as it now reads: its own defaults once loaded, then what the logic wrote.
    std::map<std::string, std::wstring> text;
    std::map<std::string, std::map<std::string, std::wstring>> attributes;
    // Element operations that reached the page, per element.
    std::map<std::string, int> writes;
    std::wstring title;
    int icon = 0;
    std::map<int, int> pictures;  // control → bitmap
    std::map<int, int> progress;  // control → percent
    std::vector<bool> shows;      // every Show, in order
    bool visible = false;

    // Message boxes only.
    std::wstring message;
    std::vector<std::wstring> captions;  // the first one given at creation
    bool okEnabled = true;
    bool okFocused = false;

    bool pageLoaded = false;
    bool running = false;
    bool ended = false;
    std::optional<int> result;

    std::wstring Text(const std::string& id) const;
    bool Disabled(const std::string& id) const;
    int Writes() const;
    // The period of a live timer, or none.
    std::optional<unsigned> TimerPeriod(unsigned timerId) const;

    // What the user and the system do. Each returns false when the window did not take it: it
    // has ended, a modal dialog it owns runs, or (for a click) the element is missing or disabled.
    void CompleteLoad();
    bool Click(const std::string& id);
    bool CloseBox();  // on a message box, the close box is a command like Escape
    bool About();
    bool PressOk();      // message box: a disabled button takes no press
    bool PressEscape();  // message box: the keyboard equivalent, always a command
    // Lets virtual time pass while this window runs, up to ms or until it ends.
    void Wait(unsigned ms);

   private:
    friend class FakeViewSystem;
    Window(FakeViewSystem& system, int templateId, int pageId, Window* owner);
    bool Accepting() const;
    bool Command();
    void Write(const std::string& id, std::function<void()> write);

    FakeViewSystem& system_;
    EvarixView::IPageDialogEvents* pageEvents_ = nullptr;
    EvarixView::IMessageBoxEvents* boxEvents_ = nullptr;
    std::vector<std::function<void()>> pending_;
    int modalChildren_ = 0;
  };

  using Script = std::function<void(Window&)>;

  FakeViewSystem();
  ~FakeViewSystem() override;
  FakeViewSystem(const FakeViewSystem&) = delete;
  FakeViewSystem& operator=(const FakeViewSystem&) = delete;

  // Scripts are played in the order given, one per run of a window of that template.
  void OnRun(int templateId, Script script);
  // A page that lacks an element.
  void RemoveElement(int pageId, const std::string& id);

  // Whether pages load as their windows open; otherwise the test completes each load.
  bool pagesLoadAtOnce = true;
  uint64_t loopLimitMs = 60'000;

  const std::vector<std::unique_ptr<Window>>& Windows() const { return windows_; }
  // The templates of all windows made so far, in order.
  std::vector<int> Templates() const;
  // The latest window of a template, or null.
  Window* Find(int templateId) const;
  uint64_t Now() const { return now_; }

  std::unique_ptr<EvarixView::IPageDialogHost> CreatePageDialog(
      int templateId, int pageId, EvarixView::IPageDialogEvents& events,
      EvarixView::IPageDialogHost* owner) override;
  std::unique_ptr<EvarixView::IMessageBoxHost> CreateMessageBox(
      const std::wstring& text, const std::wstring& caption, EvarixView::IMessageBoxEvents& events,
      EvarixView::IPageDialogHost* owner) override;

 private:
  class PageHost;
  class BoxHost;
  struct Timer {
    Window* window;
    unsigned id;
    unsigned period;
    uint64_t due;
    uint64_t order;
  };

  Window& Add(int templateId, int pageId, EvarixView::IPageDialogHost* owner);
  void SetTimer(Window& window, unsigned id, unsigned period);
  void KillTimer(Window& window, unsigned id);
  void KillTimers(Window& window);
  // Fires the next timer due by limit; false when there is none.
  bool FireNext(uint64_t limit);
  void Run(Window& window);

  std::vector<std::unique_ptr<Window>> windows_;
  std::map<int, std::deque<Script>> scripts_;
  std::map<int, std::vector<std::string>> removedElements_;
  std::vector<Timer> timers_;
  uint64_t now_ = 0;
  uint64_t timerOrder_ = 0;
  EvarixView::ScopedViewSystem installed_;
};

}  // namespace EvarixTest
