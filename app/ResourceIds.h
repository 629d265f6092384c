#pragma once

// The numbers the compiled-in resources are known by: dialog templates, pages, pictures, the icon
// and the native controls some templates carry.
namespace EvarixApp {

namespace Template {
constexpr int kAbout = 100;
constexpr int kMain = 102;
constexpr int kConfirmation = 103;
constexpr int kProgress = 106;
constexpr int kSuccess = 108;
constexpr int kFailure = 110;
constexpr int kDriverNotice = 112;
constexpr int kCancellation = 114;
}  // namespace Template

namespace Page {
constexpr int kNone = 0;
constexpr int kMain = 129;
constexpr int kConfirmation = 146;
constexpr int kDriverNotice = 113;
constexpr int kProgress = 107;
constexpr int kCancellation = 115;
constexpr int kFailure = 111;
constexpr int kSuccess = 109;
}  // namespace Page

constexpr int kAppIcon = 145;
constexpr int kKeyboardBitmap = 140;
constexpr int kKeyboardPictureControl = 1002;
constexpr int kProgressBarControl = 1000;

}  // namespace EvarixApp
