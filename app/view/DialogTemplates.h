#pragma once

#include <array>
#include <span>
#include <string_view>

#include "app/ResourceIds.h"

// The dialog templates, pages, pictures and strings the updater carries, as plain data: every
// view layer builds its windows from these tables, so a caption or a size is written down once.
// Sizes and positions are dialog units of the template's font (a quarter of its average character
// width across, an eighth of its height down), as the dialogs were first laid out.
namespace EvarixView {

// String 101: the About item of the main window's menu, with the mnemonic marked by '&'.
constexpr int kAboutItemStringId = 101;
constexpr std::string_view kAboutItemText = "&About Corvane Evarix Updater...";

// The controls no resource number names.
constexpr int kOkControlId = 1;
constexpr int kStaticControlId = -1;

enum class ControlKind {
  Icon,           // shows an icon resource; one that is not carried shows nothing
  Text,           // a line of static text
  DefaultButton,  // the push button that Return presses
  Picture,        // shows a bitmap at the bitmap's own size, from the control's top-left corner
  ProgressBar,    // a bordered progress bar, 0 to 100
};

struct DialogControl {
  int id;
  ControlKind kind;
  int x;
  int y;
  int width;
  int height;
  std::string_view text;  // Text and DefaultButton
  int resourceId;         // Icon and Picture; 0 for none
};

struct DialogTemplate {
  int id;
  std::string_view caption;
  int width;
  int height;
  std::string_view fontFace;
  int fontPoints;
  bool minimizeBox;
  bool inTaskbar;
  int pageId;  // 0 for a dialog without a page
  std::span<const DialogControl> controls;
};

struct PageResource {
  int id;
  std::string_view file;  // the page's name among the compiled-in pages
  std::string_view bodyId;
};

struct PictureResource {
  int id;
  std::string_view file;  // the picture's name among the compiled-in pictures
  int width;
  int height;
};

namespace Template = EvarixApp::Template;
namespace Page = EvarixApp::Page;

// One row a template or control, as the tables are read.
// clang-format off
namespace Templates {

inline constexpr std::array<DialogControl, 5> kAboutControls{{
    // The icon names resource 128, which the program does not carry: the slot stays empty.
    {kStaticControlId, ControlKind::Icon, 11, 17, 20, 20, {}, 128},
    {kStaticControlId, ControlKind::Text, 40, 10, 119, 8, "Corvane Evarix Firmware Updater", 0},
    {kStaticControlId, ControlKind::Text, 40, 22, 119, 8, "Version 01.00.006", 0},
    {kStaticControlId, ControlKind::Text, 40, 34, 188, 8,
     "Copyright \u00a9 Corvane. All rights reserved.", 0},
    {kOkControlId, ControlKind::DefaultButton, 178, 7, 50, 16, "OK", 0},
}};

inline constexpr std::array<DialogControl, 1> kMainControls{{
    {EvarixApp::kKeyboardPictureControl, ControlKind::Picture, 22, 130, 100, 47, {},
     EvarixApp::kKeyboardBitmap},
}};

inline constexpr std::array<DialogControl, 1> kProgressControls{{
    {EvarixApp::kProgressBarControl, ControlKind::ProgressBar, 16, 81, 286, 14, {}, 0},
}};

}  // namespace Templates

// id, caption, width, height, font, points;
//     minimise box, in taskbar, page, controls
inline constexpr std::array<DialogTemplate, 8> kDialogTemplates{{
    {Template::kAbout, "About Corvane Evarix Updater", 235, 55, "MS Shell Dlg", 8,
     false, false, Page::kNone, Templates::kAboutControls},
    {Template::kMain, "  Corvane Evarix Firmware Updater", 320, 184, "MS Shell Dlg", 8,
     true, true, Page::kMain, Templates::kMainControls},
    {Template::kConfirmation, "Corvane Evarix Update Confirmation", 320, 225, "MS Sans Serif", 8,
     false, false, Page::kConfirmation, {}},
    {Template::kProgress, "Corvane Evarix Updater Progress", 320, 142, "MS Sans Serif", 8,
     true, false, Page::kProgress, Templates::kProgressControls},
    {Template::kSuccess, "Corvane Evarix Update Results", 320, 73, "MS Sans Serif", 8,
     false, false, Page::kSuccess, {}},
    {Template::kFailure, "Dialog", 320, 102, "MS Sans Serif", 8,
     false, false, Page::kFailure, {}},
    {Template::kDriverNotice, "Corvane Evarix Hardware Installation Notice", 320, 106,
     "MS Sans Serif", 8, false, false, Page::kDriverNotice, {}},
    {Template::kCancellation, "Corvane Evarix Update Cancellation", 320, 68, "MS Sans Serif", 8,
     false, false, Page::kCancellation, {}},
}};

inline constexpr std::array<PageResource, 7> kPages{{
    {Page::kMain, "main.html", "CEvarixFirmwareUpdaterDlg"},
    {Page::kConfirmation, "confirmation.html", "FirmwareUpdaterConfirmationDlg"},
    {Page::kDriverNotice, "driver-notice.html", "FirmwareUpdaterDriverDlg"},
    {Page::kProgress, "progress.html", "FirmwareUpdaterProgressDlg"},
    {Page::kCancellation, "abort.html", "FirmwareUpdaterCancelDlg"},
    // The failure page carries the confirmation page's body id; nothing ever looks it up.
    {Page::kFailure, "failure.html", "FirmwareUpdaterConfirmationDlg"},
    {Page::kSuccess, "success.html", "FirmwareUpdaterSuccessDlg"},
}};

// Bitmaps 150 and 151 travel with the program but no dialog shows them.
inline constexpr std::array<PictureResource, 4> kPictures{{
    {EvarixApp::kKeyboardBitmap, "keyboard.png", 150, 91},
    {EvarixApp::kAppIcon, "icon.png", 256, 256},
    {150, "keyboard-panel.png", 150, 77},
    {151, "keyboard-rear.png", 150, 70},
}};

// clang-format on

constexpr const DialogTemplate* FindDialogTemplate(int id) {
  for (const auto& dialog : kDialogTemplates) {
    if (dialog.id == id) return &dialog;
  }
  return nullptr;
}

constexpr const PageResource* FindPage(int id) {
  for (const auto& page : kPages) {
    if (page.id == id) return &page;
  }
  return nullptr;
}

constexpr const PictureResource* FindPicture(int id) {
  for (const auto& picture : kPictures) {
    if (picture.id == id) return &picture;
  }
  return nullptr;
}

constexpr const DialogControl* FindControl(const DialogTemplate& dialog, int controlId) {
  for (const auto& control : dialog.controls) {
    if (control.id == controlId) return &control;
  }
  return nullptr;
}

}  // namespace EvarixView
