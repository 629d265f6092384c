#include "platform/windows/view/DialogTemplateBuilder.h"

#include <commctrl.h>

#include <string>

#include "platform/windows/view/Utf8.h"

namespace EvarixView::Windows {
namespace {

// The predefined control classes, named by their atoms.
constexpr WORD kButtonClass = 0x0080;
constexpr WORD kStaticClass = 0x0082;

class TemplateWriter {
 public:
  void Word(WORD value) { words_.push_back(value); }
  void DoubleWord(DWORD value) {
    Word(LOWORD(value));
    Word(HIWORD(value));
  }
  void Short(int value) { Word(static_cast<WORD>(static_cast<short>(value))); }
  void Text(std::wstring_view text) {
    for (const wchar_t c : text) Word(static_cast<WORD>(c));
    Word(0);
  }
  // Each control's record starts on a double word.
  void AlignToDoubleWord() {
    if (words_.size() % 2 != 0) Word(0);
  }
  std::vector<WORD> Take() { return std::move(words_); }

 private:
  std::vector<WORD> words_;
};

struct ControlClass {
  DWORD style;
  WORD atom;  // 0 when the class goes by name
  const wchar_t* name;
};

ControlClass ClassOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::Icon:
      return {SS_ICON, kStaticClass, nullptr};
    case ControlKind::Text:
      return {SS_LEFT | SS_NOPREFIX, kStaticClass, nullptr};
    case ControlKind::DefaultButton:
      return {BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, kButtonClass, nullptr};
    case ControlKind::Picture:
      return {SS_BITMAP, kStaticClass, nullptr};
    case ControlKind::ProgressBar:
      return {WS_BORDER, 0, PROGRESS_CLASSW};
  }
  return {SS_LEFT, kStaticClass, nullptr};
}

void WriteControl(TemplateWriter& out, const DialogControl& control) {
  const ControlClass controlClass = ClassOf(control.kind);
  out.AlignToDoubleWord();
  out.DoubleWord(WS_CHILD | WS_VISIBLE | controlClass.style);
  out.DoubleWord(0);
  out.Short(control.x);
  out.Short(control.y);
  out.Short(control.width);
  out.Short(control.height);
  out.Word(static_cast<WORD>(control.id));
  if (controlClass.atom != 0) {
    out.Word(0xFFFF);
    out.Word(controlClass.atom);
  } else {
    out.Text(controlClass.name);
  }
  out.Text(FromUtf8(control.text));
  out.Word(0);  // no creation data
}

}  // namespace

std::vector<WORD> BuildDialogTemplate(const DialogTemplate& dialog, DWORD extraStyle) {
  DWORD style =
      WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_CENTER | extraStyle;
  if (dialog.minimizeBox) style |= WS_MINIMIZEBOX;
  TemplateWriter out;
  out.DoubleWord(style);
  out.DoubleWord(dialog.inTaskbar ? WS_EX_APPWINDOW : 0);
  out.Word(static_cast<WORD>(dialog.controls.size()));
  out.Short(0);
  out.Short(0);
  out.Short(dialog.width);
  out.Short(dialog.height);
  out.Word(0);  // no menu
  out.Word(0);  // the dialog class
  out.Text(FromUtf8(dialog.caption));
  out.Word(static_cast<WORD>(dialog.fontPoints));
  out.Text(FromUtf8(dialog.fontFace));
  for (const DialogControl& control : dialog.controls) WriteControl(out, control);
  return out.Take();
}

}  // namespace EvarixView::Windows
