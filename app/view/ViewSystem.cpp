#include "app/view/PageDialogHost.h"

namespace EvarixView {
namespace {

class ClosedPageDialog final : public IPageDialogHost {
 public:
  bool IsPageLoaded() const override { return false; }
  bool HasElement(const std::string&) const override { return false; }
  void SetInnerText(const std::string&, const std::wstring&) override {}
  void SetAttribute(const std::string&, const std::string&, const std::wstring&) override {}
  void RemoveAttribute(const std::string&, const std::string&) override {}
  int RunModal() override { return kResultCancel; }
  void EndDialog(int) override {}
  void SetTimer(unsigned, unsigned) override {}
  void KillTimer(unsigned) override {}
  void Show(bool) override {}
  void SetTitle(const std::wstring&) override {}
  void SetIcon(int) override {}
  void SetPicture(int, int) override {}
  void SetProgress(int, int) override {}
};

class ClosedMessageBox final : public IMessageBoxHost {
 public:
  void RunModal() override {}
  void Close() override {}
  void SetCaption(const std::wstring&) override {}
  void EnableOk(bool) override {}
  void FocusOk() override {}
  void SetTimer(unsigned, unsigned) override {}
  void KillTimer(unsigned) override {}
};

class ClosedViewSystem final : public IViewSystem {
 public:
  std::unique_ptr<IPageDialogHost> CreatePageDialog(int, int, IPageDialogEvents&,
                                                    IPageDialogHost*) override {
    return std::make_unique<ClosedPageDialog>();
  }
  std::unique_ptr<IMessageBoxHost> CreateMessageBox(const std::wstring&, const std::wstring&,
                                                    IMessageBoxEvents&, IPageDialogHost*) override {
    return std::make_unique<ClosedMessageBox>();
  }
};

}  // namespace
}  // namespace EvarixView

template <>
EvarixView::IViewSystem& CVFirmwareLoader::SeamStandIn<EvarixView::IViewSystem>() {
  static EvarixView::ClosedViewSystem closed;
  return closed;
}
