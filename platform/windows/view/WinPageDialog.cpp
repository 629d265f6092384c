#include "platform/windows/view/WinPageDialog.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <utility>

#include "platform/windows/view/DialogTemplateBuilder.h"
#include "platform/windows/view/Utf8.h"
#include "platform/windows/view/WinViewSystem.h"

namespace EvarixView::Windows {
namespace {

constexpr UINT kLoadPageMessage = WM_APP + 1;
constexpr UINT kDocumentCompleteMessage = WM_APP + 2;
// Above every control number the templates use.
constexpr int kFirstPageControlId = 0x4000;
constexpr float kCssPixelsPerInch = 96;

bool IsButton(const litehtml::element::ptr& element) {
  return std::string_view(element->get_tagName()) == "button";
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// An edit control breaks lines at "\r\n" only.
std::wstring EditText(std::wstring_view text) {
  std::wstring edit;
  for (size_t at = 0; at < text.size(); ++at) {
    const wchar_t c = text[at];
    if (c != L'\r' && c != L'\n') {
      edit += c;
      continue;
    }
    if (c == L'\r' && at + 1 < text.size() && text[at + 1] == L'\n') ++at;
    edit += L"\r\n";
  }
  return edit;
}

COLORREF ToColorRef(const litehtml::web_color& color) {
  return RGB(color.red, color.green, color.blue);
}

}  // namespace

WinPageDialog::WinPageDialog(WinViewSystem& system, const DialogTemplate& dialog,
                             const PageResource* page, IPageDialogEvents& events,
                             WinPageDialog* owner)
    : system_(system), template_(dialog), page_(page), events_(events) {
  // A page is drawn whole by the dialog itself; its controls are left out of that drawing.
  const std::vector<WORD> layout =
      BuildDialogTemplate(dialog, page_ != nullptr ? WS_CLIPCHILDREN : 0);
  CreateDialogIndirectParamW(system_.Module(), reinterpret_cast<const DLGTEMPLATE*>(layout.data()),
                             owner != nullptr ? owner->Window() : nullptr, DialogProc,
                             reinterpret_cast<LPARAM>(this));
  if (window_ == nullptr) return;
  timers_.SetWindow(window_);
  scale_ = static_cast<float>(GetDpiForWindow(window_)) / kCssPixelsPerInch;
  SetUpTemplateControls();
  // The main window's menu offers the About box, whose logic answers it.
  if (dialog.id == Template::kMain) {
    if (HMENU menu = GetSystemMenu(window_, FALSE)) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      AppendMenuW(menu, MF_STRING, kAboutCommand, FromUtf8(kAboutItemText).c_str());
    }
  }
  if (page_ != nullptr) PostMessageW(window_, kLoadPageMessage, 0, 0);
}

WinPageDialog::~WinPageDialog() {
  // The controls go before the fonts they show and the page that lends its fonts to them.
  if (window_ != nullptr) DestroyWindow(window_);
}

INT_PTR CALLBACK WinPageDialog::DialogProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    auto* self = reinterpret_cast<WinPageDialog*>(lParam);
    self->window_ = window;
    // A plain dialog lets the system focus its button; a page's controls come later.
    return self->page_ == nullptr;
  }
  auto* self = reinterpret_cast<WinPageDialog*>(GetWindowLongPtrW(window, DWLP_USER));
  if (self == nullptr) return FALSE;
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, DWLP_USER, 0);
    return FALSE;
  }
  const std::optional<LRESULT> result = self->OnMessage(message, wParam, lParam);
  if (!result) return FALSE;
  // The colour messages return their brush directly; every other value goes through the
  // dialog's message result.
  if (message == WM_CTLCOLORSTATIC || message == WM_CTLCOLOREDIT) return *result;
  SetWindowLongPtrW(window, DWLP_MSGRESULT, *result);
  return TRUE;
}

std::optional<LRESULT> WinPageDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_SYSCOMMAND:
      return OnSystemCommand(wParam) ? std::optional<LRESULT>(0) : std::nullopt;
    case WM_TIMER:
      if (timers_.Owns(wParam)) events_.OnTimer(static_cast<unsigned>(wParam));
      return 0;
    case kLoadPageMessage:
      LoadPage();
      return 0;
    case kDocumentCompleteMessage:
      if (running_) DeliverDocumentComplete();
      return 0;
    default:
      break;
  }
  if (!document_) return std::nullopt;
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // the page covers every pixel
    case WM_PAINT:
      Paint();
      return 0;
    case WM_SIZE:
      LayOut();
      return 0;
    case WM_DPICHANGED: {
      scale_ = static_cast<float>(LOWORD(wParam)) / kCssPixelsPerInch;
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      SetControlFonts();
      SetWindowPos(window_, nullptr, suggested->left, suggested->top,
                   suggested->right - suggested->left, suggested->bottom - suggested->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      LayOut();
      return 0;
    }
    case WM_LBUTTONDOWN:
      pressed_ = true;
      return 0;
    case WM_LBUTTONUP:
      if (std::exchange(pressed_, false)) OnPageClick(lParam);
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
      return ControlColours(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    default:
      return std::nullopt;
  }
}

void WinPageDialog::OnCommand(WORD controlId, WORD notification) {
  if (const PageControl* control =
          ControlFor([&](const PageControl& candidate) { return candidate.id == controlId; })) {
    if (notification == BN_CLICKED && IsButton(control->element)) {
      DeliverClicks(PageDocument::ClickPath(control->element));
    }
    return;
  }
  // Escape, and a close that came as a message; on a plain dialog also its OK button.
  if (controlId == IDCANCEL) {
    if (page_ != nullptr) {
      events_.OnSystemCommand(SystemCommand::Close);
    } else {
      EndDialog(kResultCancel);
    }
  } else if (controlId == IDOK && page_ == nullptr) {
    EndDialog(kResultOk);
  }
}

bool WinPageDialog::OnSystemCommand(WPARAM command) {
  switch (command & 0xFFF0) {
    case SC_CLOSE:
      // The close box asks; the logic decides.
      events_.OnSystemCommand(SystemCommand::Close);
      return true;
    case kAboutCommand:
      events_.OnSystemCommand(SystemCommand::About);
      return true;
    default:
      return false;
  }
}

void WinPageDialog::OnPageClick(LPARAM point) {
  const auto x = static_cast<litehtml::pixel_t>(GET_X_LPARAM(point)) / scale_;
  const auto y = static_cast<litehtml::pixel_t>(GET_Y_LPARAM(point)) / scale_;
  if (const litehtml::element::ptr element = document_->ElementAt(x, y)) {
    DeliverClicks(PageDocument::ClickPath(element));
  }
}

void WinPageDialog::SetUpTemplateControls() {
  // The dialog made the controls in the template's order.
  HWND item = GetWindow(window_, GW_CHILD);
  for (const DialogControl& control : template_.controls) {
    if (item == nullptr) break;
    if (control.kind == ControlKind::Icon) {
      // An icon the program does not carry leaves the control empty.
      if (HICON icon = system_.Icon(control.resourceId, false)) {
        SendMessageW(item, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
      }
    } else if (control.kind == ControlKind::Picture) {
      SendMessageW(item, STM_SETIMAGE, IMAGE_BITMAP,
                   reinterpret_cast<LPARAM>(system_.Picture(control.resourceId)));
    }
    item = GetWindow(item, GW_HWNDNEXT);
  }
}

void WinPageDialog::LoadPage() {
  const std::optional<std::string> html = system_.HtmlResource(MAKEINTRESOURCEW(page_->id));
  if (!html) {
    // A window waiting for its page would never show, and its modal run could not be ended by
    // the user: shown blank, it can at least be closed.
    loadFailed_ = true;
    order_.DropKept();
    Reveal();
    return;
  }
  document_ = std::make_unique<PageDocument>(*html, [this](const std::string& name) {
    return system_.HtmlResource(FromUtf8(name).c_str());
  });
  CreatePageControls();
  LayOut();
  if (order_.OnPageLoaded([this](const ElementOperation& kept) { Apply(kept); })) {
    DeliverDocumentComplete();
  }
}

void WinPageDialog::CreatePageControls() {
  int nextId = kFirstPageControlId;
  for (const litehtml::element::ptr& element : document_->FormControls()) {
    const bool button = IsButton(element);
    DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
    OwnedBrush background;
    if (button) {
      style |= BS_PUSHBUTTON;
    } else {
      style |= ES_MULTILINE | ES_AUTOVSCROLL;
      if (element->get_attr("readonly") != nullptr) style |= ES_READONLY;
      const litehtml::web_color colour = element->css().get_bg().m_color;
      if (colour.alpha != 0) background.reset(CreateSolidBrush(ToColorRef(colour)));
    }
    const std::wstring text =
        button ? PageDocument::Text(element) : EditText(PageDocument::Text(element));
    HWND control = CreateWindowExW(button ? 0 : WS_EX_CLIENTEDGE, button ? WC_BUTTONW : WC_EDITW,
                                   text.c_str(), style, 0, 0, 0, 0, window_,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(nextId)),
                                   system_.Module(), nullptr);
    if (control == nullptr) continue;
    if (PageDocument::IsDisabled(element)) EnableWindow(control, FALSE);
    controls_.push_back({element, control, nextId++, std::move(background)});
  }
  SetControlFonts();
}

void WinPageDialog::SetControlFonts() {
  // The page's fonts are sized in CSS pixels; a control draws in the screen's.
  std::vector<OwnedFont> fonts;
  for (const PageControl& control : controls_) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(control.element->css().get_font()), sizeof font, &font);
    font.lfHeight = static_cast<LONG>(std::lround(static_cast<float>(font.lfHeight) * scale_));
    fonts.emplace_back(CreateFontIndirectW(&font));
    SendMessageW(control.window, WM_SETFONT, reinterpret_cast<WPARAM>(fonts.back().get()), TRUE);
  }
  controlFonts_ = std::move(fonts);
}

RECT WinPageDialog::DeviceBox(const litehtml::position& box) const {
  const auto device = [this](litehtml::pixel_t value) {
    return static_cast<LONG>(std::lround(value * scale_));
  };
  return RECT{device(box.left()), device(box.top()), device(box.right()), device(box.bottom())};
}

void WinPageDialog::LayOut() {
  RECT client{};
  GetClientRect(window_, &client);
  document_->Layout(static_cast<litehtml::pixel_t>(client.right) / scale_,
                    static_cast<litehtml::pixel_t>(client.bottom) / scale_);
  for (const PageControl& control : controls_) {
    const RECT box = DeviceBox(PageDocument::BorderBox(control.element));
    MoveWindow(control.window, box.left, box.top, box.right - box.left, box.bottom - box.top, TRUE);
  }
  InvalidateRect(window_, nullptr, FALSE);
}

void WinPageDialog::Paint() {
  PAINTSTRUCT paint{};
  HDC dc = BeginPaint(window_, &paint);
  RECT client{};
  GetClientRect(window_, &client);
  // Drawn aside and copied in one go, so that the page never shows half drawn.
  HDC canvas = CreateCompatibleDC(dc);
  const OwnedBitmap bitmap(CreateCompatibleBitmap(dc, client.right, client.bottom));
  const HGDIOBJ previous = SelectObject(canvas, bitmap.get());
  FillRect(canvas, &client, GetSysColorBrush(COLOR_WINDOW));
  SetGraphicsMode(canvas, GM_ADVANCED);
  const XFORM toDevice{scale_, 0, 0, scale_, 0, 0};
  SetWorldTransform(canvas, &toDevice);
  const RECT& dirty = paint.rcPaint;
  const litehtml::position clip(
      std::floor(static_cast<float>(dirty.left) / scale_),
      std::floor(static_cast<float>(dirty.top) / scale_),
      std::ceil(static_cast<float>(dirty.right - dirty.left) / scale_) + 1,
      std::ceil(static_cast<float>(dirty.bottom - dirty.top) / scale_) + 1);
  document_->Draw(canvas, clip);
  BitBlt(dc, dirty.left, dirty.top, dirty.right - dirty.left, dirty.bottom - dirty.top, canvas,
         dirty.left, dirty.top, SRCCOPY);
  SelectObject(canvas, previous);
  DeleteDC(canvas);
  EndPaint(window_, &paint);
}

std::optional<LRESULT> WinPageDialog::ControlColours(HDC dc, HWND window) const {
  const PageControl* control =
      ControlFor([&](const PageControl& candidate) { return candidate.window == window; });
  if (control == nullptr || !control->background) return std::nullopt;
  SetTextColor(dc, ToColorRef(control->element->css().get_color()));
  SetBkColor(dc, ToColorRef(control->element->css().get_bg().m_color));
  return reinterpret_cast<LRESULT>(control->background.get());
}

const WinPageDialog::PageControl* WinPageDialog::ControlFor(
    const std::function<bool(const PageControl&)>& match) const {
  const auto found = std::find_if(controls_.begin(), controls_.end(), match);
  return found != controls_.end() ? &*found : nullptr;
}

const WinPageDialog::PageControl* WinPageDialog::ControlFor(
    const litehtml::element::ptr& element) const {
  return ControlFor([&](const PageControl& candidate) { return candidate.element == element; });
}

bool WinPageDialog::HasElement(const std::string& id) const {
  return order_.PageLoaded() && document_->Find(id) != nullptr;
}

void WinPageDialog::SetInnerText(const std::string& id, const std::wstring& text) {
  ApplyOrQueue({Operation::SetText, id, {}, text});
}

void WinPageDialog::SetAttribute(const std::string& id, const std::string& name,
                                 const std::wstring& value) {
  ApplyOrQueue({Operation::SetAttribute, id, Lower(name), value});
}

void WinPageDialog::RemoveAttribute(const std::string& id, const std::string& name) {
  ApplyOrQueue({Operation::RemoveAttribute, id, Lower(name), {}});
}

void WinPageDialog::ApplyOrQueue(ElementOperation operation) {
  if (page_ == nullptr || loadFailed_) return;
  order_.ApplyOrKeep(std::move(operation), [this](const ElementOperation& kept) { Apply(kept); });
}

void WinPageDialog::Apply(const ElementOperation& operation) {
  const litehtml::element::ptr element = document_->Find(operation.id);
  if (!element) return;
  const PageControl* control = ControlFor(element);
  switch (operation.operation) {
    case Operation::SetText:
      if (control != nullptr && !IsButton(element)) {
        SetWindowTextW(control->window, EditText(operation.value).c_str());
        return;
      }
      document_->SetText(element, operation.value);
      if (control != nullptr) SetWindowTextW(control->window, PageDocument::Text(element).c_str());
      LayOut();
      return;
    case Operation::SetAttribute:
      element->set_attr(operation.name.c_str(), ToUtf8(operation.value).c_str());
      if (control != nullptr && operation.name == "disabled") SetControlDisabled(*control, true);
      return;
    case Operation::RemoveAttribute:
      if (auto* formControl = dynamic_cast<FormControlElement*>(element.get())) {
        formControl->RemoveAttribute(operation.name);
      }
      if (control != nullptr && operation.name == "disabled") SetControlDisabled(*control, false);
      return;
  }
}

void WinPageDialog::SetControlDisabled(const PageControl& control, bool disabled) {
  // Focus left on a disabled control would be lost to the keyboard.
  if (disabled && GetFocus() == control.window) SendMessageW(window_, WM_NEXTDLGCTL, 0, FALSE);
  EnableWindow(control.window, disabled ? FALSE : TRUE);
}

int WinPageDialog::RunModal() {
  if (window_ == nullptr) return kResultCancel;
  if (running_) return result_;
  const bool pageToCome = order_.OnDialogStarting() && page_ != nullptr && !loadFailed_;
  events_.OnInitDialog();
  if (order_.TakeNoticeDue()) {
    PostMessageW(window_, kDocumentCompleteMessage, 0, 0);
  }
  Run(!pageToCome);
  // The window is gone as far as the logic knows: its timers and undelivered events go with it.
  timers_.KillAll();
  MSG dropped{};
  while (PeekMessageW(&dropped, window_, kDocumentCompleteMessage, kDocumentCompleteMessage,
                      PM_REMOVE)) {
  }
  return result_;
}

void WinPageDialog::Run(bool showAtOnce) {
  if (std::exchange(quit_, false)) return;
  HWND owner = GetWindow(window_, GW_OWNER);
  const bool ownerWasEnabled = owner != nullptr && IsWindowEnabled(owner);
  if (ownerWasEnabled) EnableWindow(owner, FALSE);
  running_ = true;
  revealDue_ = true;
  if (showAtOnce) Reveal();
  MSG message{};
  while (!quit_) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {
      // A quit for the whole thread ends every modal run, each handing it on to the one below.
      PostQuitMessage(static_cast<int>(message.wParam));
      result_ = kResultCancel;
      break;
    }
    if (got == -1) break;
    if (!IsDialogMessageW(window_, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  running_ = false;
  revealDue_ = false;
  quit_ = false;
  // The owner is enabled before this window goes, so that it is the window activated next.
  if (ownerWasEnabled) EnableWindow(owner, TRUE);
  ShowWindow(window_, SW_HIDE);
}

void WinPageDialog::EndDialog(int result) {
  result_ = result;
  ++endings_;
  quit_ = true;
  // Wakes a loop that waits for its next message.
  if (window_ != nullptr) PostMessageW(window_, WM_NULL, 0, 0);
}

void WinPageDialog::Reveal() {
  if (running_ && revealDue_ && !quit_) Show(true);
}

void WinPageDialog::Show(bool visible) {
  revealDue_ = false;
  if (window_ == nullptr) return;
  const bool wasVisible = IsWindowVisible(window_) != FALSE;
  ShowWindow(window_, visible ? SW_SHOWNORMAL : SW_HIDE);
  if (!visible) return;
  SetForegroundWindow(window_);
  // Activated, the dialog has focused its first control, the status box on the main page.
  if (!wasVisible) FocusFirstControl();
}

void WinPageDialog::FocusFirstControl() {
  // The page's first control by its tab index, as a browser focuses it; else the dialog's first.
  const PageControl* first = ControlFor([](const PageControl& control) {
    const char* index = control.element->get_attr("tabindex");
    return index != nullptr && std::string_view(index) == "1" && IsWindowEnabled(control.window);
  });
  HWND focus = first != nullptr ? first->window : GetNextDlgTabItem(window_, nullptr, FALSE);
  if (focus != nullptr) SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(focus), TRUE);
}

void WinPageDialog::DeliverDocumentComplete() {
  events_.OnDocumentComplete();
  // Shown only now, the window shows the page with the texts the logic has just written into it.
  Reveal();
}

void WinPageDialog::DeliverClicks(const std::vector<std::string>& ids) {
  // Stops once a handler has ended the dialog, as no further handler of a closed window runs.
  const unsigned endings = endings_;
  for (const std::string& id : ids) {
    if (endings_ != endings) break;
    events_.OnElementClicked(id);
  }
}

void WinPageDialog::SetTimer(unsigned timerId, unsigned periodMs) {
  timers_.Set(timerId, periodMs);
}

void WinPageDialog::KillTimer(unsigned timerId) {
  timers_.Kill(timerId);
}

void WinPageDialog::SetTitle(const std::wstring& title) {
  SetWindowTextW(window_, title.c_str());
}

void WinPageDialog::SetIcon(int iconId) {
  if (HICON big = system_.Icon(iconId, false)) {
    SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  }
  if (HICON small = system_.Icon(iconId, true)) {
    SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
  }
}

void WinPageDialog::SetPicture(int controlId, int bitmapId) {
  const DialogControl* control = FindControl(template_, controlId);
  if (control == nullptr || control->kind != ControlKind::Picture) return;
  SendMessageW(GetDlgItem(window_, controlId), STM_SETIMAGE, IMAGE_BITMAP,
               reinterpret_cast<LPARAM>(system_.Picture(bitmapId)));
}

void WinPageDialog::SetProgress(int controlId, int percent) {
  const DialogControl* control = FindControl(template_, controlId);
  if (control == nullptr || control->kind != ControlKind::ProgressBar) return;
  SendMessageW(GetDlgItem(window_, controlId), PBM_SETPOS,
               static_cast<WPARAM>(std::clamp(percent, 0, 100)), 0);
}

HWND WinPageDialog::ControlOf(const std::string& id) const {
  const litehtml::element::ptr element = order_.PageLoaded() ? document_->Find(id) : nullptr;
  const PageControl* control = element ? ControlFor(element) : nullptr;
  return control != nullptr ? control->window : nullptr;
}

std::wstring WinPageDialog::ElementText(const std::string& id) const {
  const litehtml::element::ptr element = order_.PageLoaded() ? document_->Find(id) : nullptr;
  if (!element) return {};
  const PageControl* control = ControlFor(element);
  if (control == nullptr || IsButton(element)) return PageDocument::Text(element);
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control->window)) + 1, L'\0');
  text.resize(static_cast<size_t>(
      GetWindowTextW(control->window, text.data(), static_cast<int>(text.size()))));
  return text;
}

std::optional<RECT> WinPageDialog::ElementBox(const std::string& id) const {
  const litehtml::element::ptr element = order_.PageLoaded() ? document_->Find(id) : nullptr;
  if (!element) return std::nullopt;
  return DeviceBox(PageDocument::BorderBox(element));
}

}  // namespace EvarixView::Windows
