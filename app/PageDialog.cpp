#include "app/PageDialog.h"

#include <utility>

#include "app/ResourceIds.h"

namespace EvarixApp {

using EvarixView::SystemCommand;

PageDialog::PageDialog(int templateId, int pageId, PageDialog* owner)
    : templateId_(templateId), pageId_(pageId), owner_(owner) {}

PageDialog::~PageDialog() = default;

int PageDialog::DoModal() {
  if (endedBeforeRun_) return *std::exchange(endedBeforeRun_, std::nullopt);
  EvarixView::IPageDialogHost* ownerHost = owner_ != nullptr ? owner_->Host() : nullptr;
  host_ = EvarixView::ViewSystem().CreatePageDialog(templateId_, pageId_, *this, ownerHost);
  const int result = host_->RunModal();
  host_.reset();
  return result;
}

void PageDialog::EndDialog(int result) {
  if (host_) {
    host_->EndDialog(result);
  } else {
    endedBeforeRun_ = result;
  }
}

bool PageDialog::HasElement(const std::string& id) const {
  return host_ && host_->HasElement(id);
}

bool PageDialog::IsPageLoaded() const {
  return host_ && host_->IsPageLoaded();
}

void PageDialog::SetElementText(const std::string& id, const std::wstring& text) {
  if (HasElement(id)) host_->SetInnerText(id, text);
}

void PageDialog::SetElementAttribute(const std::string& id, const std::string& name,
                                     const std::wstring& value) {
  if (HasElement(id)) host_->SetAttribute(id, name, value);
}

void PageDialog::RemoveElementAttribute(const std::string& id, const std::string& name) {
  if (HasElement(id)) host_->RemoveAttribute(id, name);
}

void PageDialog::SetTimer(unsigned timerId, unsigned periodMs) {
  if (host_) host_->SetTimer(timerId, periodMs);
}

void PageDialog::KillTimer(unsigned timerId) {
  if (host_) host_->KillTimer(timerId);
}

void PageDialog::ShowWindow(bool visible) {
  if (host_) host_->Show(visible);
}

void PageDialog::OnClick(const std::string& elementId, std::function<void()> handler) {
  clickHandlers_[elementId] = std::move(handler);
}

void PageDialog::OnInitDialog() {
  if (showsAppIcon && host_) host_->SetIcon(kAppIcon);
}

void PageDialog::OnElementClicked(const std::string& elementId) {
  const auto handler = clickHandlers_.find(elementId);
  if (handler != clickHandlers_.end()) handler->second();
}

void PageDialog::OnSystemCommand(SystemCommand command) {
  if (command == SystemCommand::Close) OnCancel();
}

}  // namespace EvarixApp
