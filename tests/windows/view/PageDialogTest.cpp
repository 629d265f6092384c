#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "app/view/DialogTemplates.h"
#include "platform/windows/view/Utf8.h"
#include "view/ViewTestSupport.h"

namespace EvarixView::Windows::Testing {
namespace {

std::wstring ClassName(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

RECT ClientRectOf(HWND control) {
  RECT box{};
  GetWindowRect(control, &box);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&box), 2);
  return box;
}

LPARAM CentreOf(const RECT& box) {
  return MAKELPARAM((box.left + box.right) / 2, (box.top + box.bottom) / 2);
}

struct PageExpectation {
  int templateId;
  int pageId;
  std::vector<std::pair<std::string, std::wstring>> buttons;  // id and caption
  std::vector<std::string> elements;                          // the others the logic looks up
};

const std::vector<PageExpectation> kPageExpectations = {
    {102, 129, {{"ButtonOK", L"Update"}, {"ButtonCancel", L"Quit"}}, {"MainText", "TextArea"}},
    {103, 146, {{"ButtonOK", L"OK"}, {"ButtonCancel", L"Cancel"}}, {}},
    {112, 113, {{"ButtonOK", L"Proceed"}}, {"ResultText"}},
    {106, 107, {}, {"TimeLeft"}},
    {114, 115, {{"ButtonOK", L"Continue"}, {"ButtonCancel", L"ABORT"}}, {}},
    {110, 111, {{"ButtonQuit", L"Quit"}, {"ButtonRetry", L"Retry"}}, {"FailureText"}},
    {108, 109, {{"ButtonOK", L"Quit"}}, {"ResultText"}},
};

// Every page loads from the program's resources into a window of its template's caption and
// size, with a native button on each of its buttons, in the row at the window's foot.
TEST_F(ViewTest, EveryPageLoadsWithItsElementsAndNativeControls) {
  for (const PageExpectation& expected : kPageExpectations) {
    SCOPED_TRACE("page " + std::to_string(expected.pageId));
    RecordingEvents events;
    auto dialog = LoadedDialog(expected.templateId, expected.pageId, events);
    ASSERT_EQ(events.log, (std::vector<std::string>{"init", "complete"}));
    const DialogTemplate& dialogTemplate = *FindDialogTemplate(expected.templateId);
    EXPECT_EQ(ToUtf8(WindowText(dialog->Window())), dialogTemplate.caption);
    RECT size{0, 0, dialogTemplate.width, dialogTemplate.height};
    MapDialogRect(dialog->Window(), &size);
    RECT client{};
    GetClientRect(dialog->Window(), &client);
    EXPECT_EQ(client.right, size.right);
    EXPECT_EQ(client.bottom, size.bottom);

    for (const std::string& id : expected.elements) EXPECT_TRUE(dialog->HasElement(id)) << id;
    EXPECT_FALSE(dialog->HasElement("NoSuchElement"));
    for (const auto& [id, caption] : expected.buttons) {
      HWND button = dialog->ControlOf(id);
      ASSERT_NE(button, nullptr) << id;
      EXPECT_EQ(ClassName(button), L"Button");
      EXPECT_EQ(WindowText(button), caption);
      const RECT box = *dialog->ElementBox(id);
      const RECT placed = ClientRectOf(button);
      EXPECT_TRUE(EqualRect(&box, &placed)) << id;
      // The body fills the window, so the button row stands at its foot.
      EXPECT_GT(box.bottom, client.bottom - 30) << id;
      EXPECT_LE(box.bottom, client.bottom) << id;
    }
  }
}

TEST_F(ViewTest, TheTemplatesNativeControlsAndTheStatusBox) {
  RecordingEvents events;
  auto main = LoadedDialog(102, 129, events);
  HWND picture = GetDlgItem(main->Window(), EvarixApp::kKeyboardPictureControl);
  EXPECT_NE(SendMessageW(picture, STM_GETIMAGE, IMAGE_BITMAP, 0), 0) << "no keyboard picture";
  HWND status = main->ControlOf("TextArea");
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(ClassName(status), L"Edit");
  const LONG_PTR style = GetWindowLongPtrW(status, GWL_STYLE);
  EXPECT_TRUE((style & ES_READONLY) != 0 && (style & ES_MULTILINE) != 0);
  // Three rows of its font inside the edit control's frame, where litehtml alone gives a text
  // area no height.
  RECT rows{};
  SendMessageW(status, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&rows));
  HDC dc = GetDC(status);
  SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(status, WM_GETFONT, 0, 0)));
  TEXTMETRICW font{};
  GetTextMetricsW(dc, &font);
  ReleaseDC(status, dc);
  EXPECT_GE(rows.bottom - rows.top, 3 * font.tmHeight);

  auto progress = LoadedDialog(106, 107, events);
  HWND bar = GetDlgItem(progress->Window(), EvarixApp::kProgressBarControl);
  EXPECT_EQ(ClassName(bar), L"msctls_progress32");
  progress->SetProgress(EvarixApp::kProgressBarControl, 140);
  EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 100);
}

// Texts reach the page as text, never as markup, and come back from the layout as they show.
TEST_F(ViewTest, TextsAreLaidOutAndReadBackAsTheyShow) {
  RecordingEvents events;
  auto progress = LoadedDialog(106, 107, events);
  EXPECT_EQ(progress->ElementText("TimeLeft"), L"12 minutes");
  auto failure = LoadedDialog(110, 111, events);
  EXPECT_EQ(failure->ElementText("FailureText"),
            L"The firmware update failed.\n\nPlease turn your Evarix off and on again and then "
            L"retry this updater to make sure that valid firmware is installed.");

  auto main = LoadedDialog(102, 129, events);
  const RECT twoLines = *main->ElementBox("MainText");
  const std::wstring awkward = L"it's \"quoted\" \\ </td><b>x</b> &amp; \u00e9";
  main->SetInnerText("MainText", awkward);
  EXPECT_EQ(main->ElementText("MainText"), awkward);
  const RECT oneLine = *main->ElementBox("MainText");
  EXPECT_LT(oneLine.bottom - oneLine.top, twoLines.bottom - twoLines.top) << "not laid out again";

  main->SetInnerText("MainText", L"first\r\nsecond\nthird");
  EXPECT_EQ(main->ElementText("MainText"), L"first\nsecond\nthird");
  main->SetInnerText("TextArea", L"An Evarix 25 is connected.\nAn update is available.");
  EXPECT_EQ(main->ElementText("TextArea"),
            L"An Evarix 25 is connected.\r\nAn update is available.");
}

TEST_F(ViewTest, ElementOperationsBeforeLoadAreAppliedAfterIt) {
  RecordingEvents events;
  auto dialog = MakeDialog(102, 129, events);
  EXPECT_FALSE(dialog->IsPageLoaded());
  EXPECT_FALSE(dialog->HasElement("MainText"));
  dialog->SetInnerText("MainText", L"Written before the page was there");
  dialog->SetAttribute("ButtonOK", "disabled", L"disabled");
  events.onEvent = [&](const std::string& event) {
    if (event == "complete") dialog->EndDialog(kResultOk);
  };
  ASSERT_EQ(dialog->RunModal(), kResultOk);
  EXPECT_EQ(dialog->ElementText("MainText"), L"Written before the page was there");
  EXPECT_FALSE(IsWindowEnabled(dialog->ControlOf("ButtonOK")));
}

// A disabled button gets no click: neither a command its native control still sends, nor a press
// on the page where it stands (Windows hands a disabled control's clicks to its parent).
TEST_F(ViewTest, ClicksAreRoutedByIdExceptOnADisabledButton) {
  RecordingEvents events;
  auto dialog = LoadedDialog(102, 129, events);
  HWND window = dialog->Window();
  HWND update = dialog->ControlOf("ButtonOK");
  dialog->SetAttribute("ButtonOK", "disabled", L"disabled");
  EXPECT_FALSE(IsWindowEnabled(update));
  const LPARAM onUpdate = CentreOf(*dialog->ElementBox("ButtonOK"));
  events.log.clear();
  events.onEvent = [&](const std::string& event) {
    if (event == "init") {
      PostMessageW(window, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(update), BN_CLICKED),
                   reinterpret_cast<LPARAM>(update));
      PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, onUpdate);
      PostMessageW(window, WM_LBUTTONUP, 0, onUpdate);
      PostMessageW(dialog->ControlOf("ButtonCancel"), BM_CLICK, 0, 0);
    }
    // Ended by the first handler: the body, next on the way up, hears nothing.
    if (event == "click:ButtonCancel") dialog->EndDialog(kResultCancel);
  };
  EXPECT_EQ(dialog->RunModal(), kResultCancel);
  EXPECT_EQ(events.log, (std::vector<std::string>{"init", "click:ButtonCancel"}));

  dialog->RemoveAttribute("ButtonOK", "disabled");
  EXPECT_TRUE(IsWindowEnabled(update));
  events.log.clear();
  events.onEvent = [&](const std::string& event) {
    if (event == "init") PostMessageW(update, BM_CLICK, 0, 0);
    if (event == "click:CEvarixFirmwareUpdaterDlg") dialog->EndDialog(kResultOk);
  };
  EXPECT_EQ(dialog->RunModal(), kResultOk);
  EXPECT_EQ(events.log, (std::vector<std::string>{"init", "click:ButtonOK",
                                                  "click:CEvarixFirmwareUpdaterDlg"}));
}

TEST_F(ViewTest, ModalRunBlocksTheOwnerAndKeepsItsTimersGoing) {
  RecordingEvents ownerEvents;
  auto owner = LoadedDialog(102, 129, ownerEvents);
  owner->Show(true);
  owner->SetTimer(1, 20);

  RecordingEvents childEvents;
  auto child = MakeDialog(103, 146, childEvents, owner.get());
  bool ownerBlocked = false;
  childEvents.onEvent = [&](const std::string& event) {
    if (event == "init") child->SetTimer(5, 30);
    if (event == "timer:5" && childEvents.Count("timer:5") == 3) {
      ownerBlocked = !IsWindowEnabled(owner->Window());
      child->EndDialog(42);
    }
  };
  EXPECT_EQ(child->RunModal(), 42);
  EXPECT_GE(ownerEvents.Count("timer:1"), 1) << "the owner's timer stood still underneath";
  EXPECT_TRUE(ownerBlocked);
  EXPECT_TRUE(IsWindowEnabled(owner->Window()));
  EXPECT_FALSE(IsWindowVisible(child->Window()));
  // The child's window is gone for the logic: its timers with it.
  EvarixPageTools::Pump(std::chrono::milliseconds(100));
  EXPECT_EQ(childEvents.Count("timer:5"), 3);
}

// The logic hears of its page once it has been laid out, and the window shows only after that.
TEST_F(ViewTest, ThePageLoadedNotificationComesAfterTheFirstLayoutAndBeforeTheWindowShows) {
  RecordingEvents events;
  auto dialog = MakeDialog(108, 109, events);
  bool shownAtComplete = true;
  RECT button{};
  events.onEvent = [&](const std::string& event) {
    if (event == "complete") {
      shownAtComplete = IsWindowVisible(dialog->Window()) != FALSE;
      button = *dialog->ElementBox("ButtonOK");
      dialog->SetTimer(1, 10);
    }
    if (event == "timer:1") {
      dialog->EndDialog(IsWindowVisible(dialog->Window()) ? kResultOk : kResultCancel);
    }
  };
  EXPECT_EQ(dialog->RunModal(), kResultOk);
  EXPECT_FALSE(shownAtComplete);
  EXPECT_GT(button.right - button.left, 0);
  EXPECT_GT(button.top, 0);
}

TEST_F(ViewTest, ANewWindowSizeOrDpiLaysThePageOutAgain) {
  RecordingEvents events;
  auto dialog = LoadedDialog(108, 109, events);
  HWND window = dialog->Window();
  const RECT before = *dialog->ElementBox("ButtonOK");
  RECT frame{};
  GetWindowRect(window, &frame);
  SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top + 100,
               SWP_NOMOVE | SWP_NOZORDER);
  const RECT taller = *dialog->ElementBox("ButtonOK");
  EXPECT_EQ(taller.top - before.top, 100);

  // At 144 dots to the inch a CSS pixel is one and a half of the screen's.
  RECT suggested{frame.left, frame.top, frame.left + (frame.right - frame.left) * 3 / 2,
                 frame.top + (frame.bottom - frame.top) * 3 / 2};
  SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  const RECT scaled = *dialog->ElementBox("ButtonOK");
  EXPECT_EQ(scaled.right - scaled.left, (before.right - before.left) * 3 / 2);
  const RECT placed = ClientRectOf(dialog->ControlOf("ButtonOK"));
  EXPECT_TRUE(EqualRect(&scaled, &placed));
}

// The close box asks and ends nothing; the main window's menu offers the About item.
TEST_F(ViewTest, TheCloseBoxAndTheAboutItemReachTheLogic) {
  RecordingEvents events;
  auto main = LoadedDialog(102, 129, events);
  HWND window = main->Window();
  wchar_t item[64] = {};
  GetMenuStringW(GetSystemMenu(window, FALSE), WinPageDialog::kAboutCommand, item, 64,
                 MF_BYCOMMAND);
  EXPECT_STREQ(item, L"&About Corvane Evarix Updater...");
  auto confirmation = LoadedDialog(103, 146, events);
  EXPECT_EQ(GetMenuState(GetSystemMenu(confirmation->Window(), FALSE), WinPageDialog::kAboutCommand,
                         MF_BYCOMMAND),
            static_cast<UINT>(-1));

  events.log.clear();
  HWND focus = nullptr;
  events.onEvent = [&](const std::string& event) {
    if (event == "init") {
      PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
      PostMessageW(window, WM_SYSCOMMAND, WinPageDialog::kAboutCommand, 0);
    }
    if (event == "about") {
      focus = GetFocus();
      main->EndDialog(7);
    }
  };
  EXPECT_EQ(main->RunModal(), 7);
  EXPECT_EQ(events.log, (std::vector<std::string>{"init", "close", "about"}));
  // The page's first button by its tab index, not the dialog's first control, the status box.
  EXPECT_EQ(focus, main->ControlOf("ButtonOK"));
}

TEST_F(ViewTest, TheAboutBoxIsAPlainDialogItsOkButtonEnds) {
  RecordingEvents events;
  auto about = MakeDialog(EvarixApp::Template::kAbout, 0, events);
  std::vector<std::wstring> texts;
  for (HWND child = GetWindow(about->Window(), GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    texts.push_back(WindowText(child));
  }
  EXPECT_EQ(texts, (std::vector<std::wstring>{
                       L"", L"Corvane Evarix Firmware Updater", L"Version 01.00.006",
                       L"Copyright \u00a9 Corvane. All rights reserved.", L"OK"}));
  HWND ok = GetDlgItem(about->Window(), kOkControlId);
  events.onEvent = [&](const std::string& event) {
    if (event == "init") PostMessageW(ok, BM_CLICK, 0, 0);
  };
  EXPECT_EQ(about->RunModal(), kResultOk);
}

}  // namespace
}  // namespace EvarixView::Windows::Testing
