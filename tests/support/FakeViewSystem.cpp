#include "support/FakeViewSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <utility>

namespace EvarixTest {

using EvarixView::IMessageBoxEvents;
using EvarixView::IMessageBoxHost;
using EvarixView::IPageDialogEvents;
using EvarixView::IPageDialogHost;
using EvarixView::SystemCommand;

namespace {

// The elements of each page with the text the page itself shows in them.
const std::map<int, std::map<std::string, std::wstring>>& Pages() {
  static const std::map<int, std::map<std::string, std::wstring>> pages{
      {129,
       {{"MainText",
         L"This application updates the firmware for Evarix MIDI keyboard controllers."},
        {"TextArea", L""},
        {"ButtonOK", L"Update"},
        {"ButtonCancel", L"Quit"}}},
      {146, {{"ButtonOK", L"OK"}, {"ButtonCancel", L"Cancel"}}},
      {113,
       {{"ResultText", L"Your Evarix keyboard will be switched into firmware update mode."},
        {"ButtonOK", L"Proceed"}}},
      {107, {{"TimeLeft", L"12 minutes"}}},
      {115, {{"ButtonOK", L"Continue"}, {"ButtonCancel", L"ABORT"}}},
      {111,
       {{"FailureText", L"The firmware update failed."},
        {"ButtonQuit", L"Quit"},
        {"ButtonRetry", L"Retry"}}},
      {109,
       {{"ResultText", L"The update was successful. New firmware was installed on your Evarix."},
        {"ButtonOK", L"Quit"}}},
  };
  return pages;
}

}  // namespace

class FakeViewSystem::PageHost final : public IPageDialogHost {
 public:
  PageHost(FakeViewSystem& system, Window& window) : system_(system), window_(window) {}
  ~PageHost() override {
    system_.KillTimers(window_);
    window_.pageEvents_ = nullptr;
  }

  Window& window() { return window_; }

  bool IsPageLoaded() const override { return window_.pageLoaded; }
  bool HasElement(const std::string& id) const override {
    return window_.pageLoaded && window_.text.contains(id);
  }
  void SetInnerText(const std::string& id, const std::wstring& text) override {
    window_.Write(id, [this, id, text] { window_.text[id] = text; });
  }
  void SetAttribute(const std::string& id, const std::string& name,
                    const std::wstring& value) override {
    window_.Write(id, [this, id, name, value] { window_.attributes[id][name] = value; });
  }
  void RemoveAttribute(const std::string& id, const std::string& name) override {
    window_.Write(id, [this, id, name] { window_.attributes[id].erase(name); });
  }
  int RunModal() override {
    system_.Run(window_);
    return *window_.result;
  }
  void EndDialog(int result) override {
    window_.result = result;
    window_.ended = true;
  }
  void SetTimer(unsigned timerId, unsigned periodMs) override {
    system_.SetTimer(window_, timerId, periodMs);
  }
  void KillTimer(unsigned timerId) override { system_.KillTimer(window_, timerId); }
  void Show(bool visible) override {
    window_.shows.push_back(visible);
    window_.visible = visible;
  }
  void SetTitle(const std::wstring& title) override { window_.title = title; }
  void SetIcon(int iconId) override { window_.icon = iconId; }
  void SetPicture(int controlId, int bitmapId) override { window_.pictures[controlId] = bitmapId; }
  void SetProgress(int controlId, int percent) override { window_.progress[controlId] = percent; }

 private:
  FakeViewSystem& system_;
  Window& window_;
};

class FakeViewSystem::BoxHost final : public IMessageBoxHost {
 public:
  BoxHost(FakeViewSystem& system, Window& window) : system_(system), window_(window) {}
  ~BoxHost() override {
    system_.KillTimers(window_);
    window_.boxEvents_ = nullptr;
  }

  void RunModal() override { system_.Run(window_); }
  void Close() override { window_.ended = true; }
  void SetCaption(const std::wstring& caption) override { window_.captions.push_back(caption); }
  void EnableOk(bool enabled) override { window_.okEnabled = enabled; }
  void FocusOk() override { window_.okFocused = true; }
  void SetTimer(unsigned timerId, unsigned periodMs) override {
    system_.SetTimer(window_, timerId, periodMs);
  }
  void KillTimer(unsigned timerId) override { system_.KillTimer(window_, timerId); }

 private:
  FakeViewSystem& system_;
  Window& window_;
};

FakeViewSystem::Window::Window(FakeViewSystem& system, int templateNumber, int pageNumber,
                               Window* ownerWindow)
    : templateId(templateNumber), pageId(pageNumber), owner(ownerWindow), system_(system) {}

std::wstring FakeViewSystem::Window::Text(const std::string& id) const {
  const auto found = text.find(id);
  return found != text.end() ? found->second : std::wstring();
}

bool FakeViewSystem::Window::Disabled(const std::string& id) const {
  const auto found = attributes.find(id);
  return found != attributes.end() && found->second.contains("disabled");
}

int FakeViewSystem::Window::Writes() const {
  return std::accumulate(writes.begin(), writes.end(), 0,
                         [](int sum, const auto& entry) { return sum + entry.second; });
}

std::optional<unsigned> FakeViewSystem::Window::TimerPeriod(unsigned timerId) const {
  for (const Timer& timer : system_.timers_) {
    if (timer.window == this && timer.id == timerId) return timer.period;
  }
  return std::nullopt;
}

bool FakeViewSystem::Window::Accepting() const {
  return running && !ended && modalChildren_ == 0;
}

void FakeViewSystem::Window::Write(const std::string& id, std::function<void()> write) {
  if (!pageLoaded) {
    pending_.push_back([this, id, write] { Write(id, write); });
  } else if (text.contains(id)) {
    write();
    ++writes[id];
  }
}

void FakeViewSystem::Window::CompleteLoad() {
  if (pageLoaded || pageEvents_ == nullptr || pageId == 0) return;
  pageLoaded = true;
  const auto page = Pages().find(pageId);
  if (page != Pages().end()) text = page->second;
  for (const std::string& id : system_.removedElements_[pageId]) text.erase(id);
  for (const auto& write : std::exchange(pending_, {})) write();
  pageEvents_->OnDocumentComplete();
}

bool FakeViewSystem::Window::Click(const std::string& id) {
  if (!Accepting() || pageEvents_ == nullptr || !pageLoaded || !text.contains(id) || Disabled(id)) {
    return false;
  }
  pageEvents_->OnElementClicked(id);
  return true;
}

bool FakeViewSystem::Window::CloseBox() {
  if (!Accepting()) return false;
  if (boxEvents_ != nullptr) return Command();
  pageEvents_->OnSystemCommand(SystemCommand::Close);
  return true;
}

bool FakeViewSystem::Window::About() {
  if (!Accepting() || pageEvents_ == nullptr) return false;
  pageEvents_->OnSystemCommand(SystemCommand::About);
  return true;
}

bool FakeViewSystem::Window::PressOk() {
  return okEnabled && PressEscape();
}

bool FakeViewSystem::Window::PressEscape() {
  return Accepting() && boxEvents_ != nullptr && Command();
}

bool FakeViewSystem::Window::Command() {
  if (!boxEvents_->OnCommand()) ended = true;
  return true;
}

void FakeViewSystem::Window::Wait(unsigned ms) {
  const uint64_t until = system_.now_ + ms;
  while (!ended && system_.FireNext(until)) {
  }
  if (!ended) system_.now_ = until;
}

FakeViewSystem::FakeViewSystem() : installed_(this) {}

FakeViewSystem::~FakeViewSystem() = default;

void FakeViewSystem::OnRun(int templateId, Script script) {
  scripts_[templateId].push_back(std::move(script));
}

void FakeViewSystem::RemoveElement(int pageId, const std::string& id) {
  removedElements_[pageId].push_back(id);
}

std::vector<int> FakeViewSystem::Templates() const {
  std::vector<int> templates;
  for (const auto& window : windows_) templates.push_back(window->templateId);
  return templates;
}

FakeViewSystem::Window* FakeViewSystem::Find(int templateId) const {
  for (auto window = windows_.rbegin(); window != windows_.rend(); ++window) {
    if ((*window)->templateId == templateId) return window->get();
  }
  return nullptr;
}

FakeViewSystem::Window& FakeViewSystem::Add(int templateId, int pageId, IPageDialogHost* owner) {
  auto* ownerHost = dynamic_cast<PageHost*>(owner);
  Window* ownerWindow = ownerHost != nullptr ? &ownerHost->window() : nullptr;
  windows_.push_back(std::unique_ptr<Window>(new Window(*this, templateId, pageId, ownerWindow)));
  return *windows_.back();
}

std::unique_ptr<IPageDialogHost> FakeViewSystem::CreatePageDialog(int templateId, int pageId,
                                                                  IPageDialogEvents& events,
                                                                  IPageDialogHost* owner) {
  Window& window = Add(templateId, pageId, owner);
  window.pageEvents_ = &events;
  return std::make_unique<PageHost>(*this, window);
}

std::unique_ptr<IMessageBoxHost> FakeViewSystem::CreateMessageBox(const std::wstring& text,
                                                                  const std::wstring& caption,
                                                                  IMessageBoxEvents& events,
                                                                  IPageDialogHost* owner) {
  Window& window = Add(kMessageBox, 0, owner);
  window.boxEvents_ = &events;
  window.message = text;
  window.captions.push_back(caption);
  return std::make_unique<BoxHost>(*this, window);
}

void FakeViewSystem::SetTimer(Window& window, unsigned id, unsigned period) {
  KillTimer(window, id);
  timers_.push_back({&window, id, period, now_ + period, timerOrder_++});
}

void FakeViewSystem::KillTimer(Window& window, unsigned id) {
  std::erase_if(timers_,
                [&](const Timer& timer) { return timer.window == &window && timer.id == id; });
}

void FakeViewSystem::KillTimers(Window& window) {
  std::erase_if(timers_, [&](const Timer& timer) { return timer.window == &window; });
}

bool FakeViewSystem::FireNext(uint64_t limit) {
  const auto next =
      std::min_element(timers_.begin(), timers_.end(), [](const Timer& a, const Timer& b) {
        return a.due != b.due ? a.due < b.due : a.order < b.order;
      });
  if (next == timers_.end() || next->due > limit) return false;
  now_ = next->due;
  next->due += next->period;
  Window& window = *next->window;
  const unsigned id = next->id;
  if (window.pageEvents_ != nullptr) window.pageEvents_->OnTimer(id);
  if (window.boxEvents_ != nullptr) window.boxEvents_->OnTimer(id);
  return true;
}

void FakeViewSystem::Run(Window& window) {
  window.running = true;
  window.visible = true;
  if (window.owner != nullptr) ++window.owner->modalChildren_;
  if (window.pageEvents_ != nullptr) window.pageEvents_->OnInitDialog();
  if (window.boxEvents_ != nullptr) window.boxEvents_->OnInitDialog();
  if (pagesLoadAtOnce && !window.ended) window.CompleteLoad();
  auto& scripts = scripts_[window.templateId];
  if (!window.ended && !scripts.empty()) {
    Script script = std::move(scripts.front());
    scripts.pop_front();
    script(window);
  }
  const uint64_t deadline = now_ + loopLimitMs;
  while (!window.ended) {
    if (!FireNext(deadline)) {
      ADD_FAILURE() << "window of template " << window.templateId << " never ended";
      window.ended = true;
      window.result = EvarixView::kResultCancel;
    }
  }
  if (window.owner != nullptr) --window.owner->modalChildren_;
  window.running = false;
  window.visible = false;
}

}  // namespace EvarixTest
