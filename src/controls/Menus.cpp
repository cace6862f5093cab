#include "controls/Menus.h"

#include "framework/Exception.h"
#include "framework/Handles.h"
#include "framework/Window.h"

#include <algorithm>

namespace hivelark {
namespace {

// Menu commands reach the window as the low word of WM_COMMAND's wParam.
constexpr UINT kLastCommand = 0xFFFF;
UINT nextCommand = 1;

UINT NewCommand() {
  const UINT command = nextCommand;
  nextCommand = nextCommand == kLastCommand ? 1 : nextCommand + 1;
  return command;
}

} // namespace

// The hidden window that owns an open popup menu: the platform sends it the chosen command.
class TPopupMenu::TPopupWindow : public TWindow {
public:
  explicit TPopupWindow(TPopupMenu& menu) : TWindow(nullptr), menu_(menu) {}

protected:
  void CreateParams(TCreateParams& params) override {
    params.className = "HivelarkPopupMenu";
    params.style = WS_POPUP;
    params.exStyle = WS_EX_TOOLWINDOW;
  }
  bool OnMenuCommand(WORD id) override {
    menu_.DispatchCommand(id);
    return true;
  }

private:
  TPopupMenu& menu_;
};

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), command_(NewCommand()) {}

TMenuItem::~TMenuItem() {
  if (menu_ != nullptr) {
    menu_->Remove(this);
  }
}

void TMenuItem::Click() {
  DoClick();
}

void TMenuItem::DoClick() {
  if (OnClick) {
    OnClick(this);
  }
}

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner) {}

TPopupMenu::~TPopupMenu() {
  for (TMenuItem* item : items_) {
    item->menu_ = nullptr;
  }
}

void TPopupMenu::Add(TMenuItem* item) {
  if (item->menu_ != nullptr) {
    item->menu_->Remove(item);
  }
  items_.push_back(item);
  item->menu_ = this;
}

void TPopupMenu::Remove(TMenuItem* item) {
  const auto found = std::find(items_.begin(), items_.end(), item);
  if (found != items_.end()) {
    items_.erase(found);
    item->menu_ = nullptr;
  }
}

void TPopupMenu::SetPopupComponent(TComponent* component) {
  if (popupComponent_ != nullptr) {
    RemoveFreeNotification(popupComponent_);
  }
  popupComponent_ = component;
  if (component != nullptr) {
    FreeNotification(component);
  }
}

void TPopupMenu::Notification(TComponent* component) {
  if (component == popupComponent_) {
    popupComponent_ = nullptr;
  }
}

void TPopupMenu::Popup(int x, int y) {
  // Built anew at each opening, so that it always shows the items' current captions.
  UniqueMenu menu(CreatePopupMenu());
  if (!menu) {
    throw Exception(Format("Cannot open the menu: %s", SystemErrorMessage(GetLastError()).c_str()));
  }
  for (TMenuItem* item : items_) {
    AppendMenuA(menu.get(), MF_STRING, item->Command(), item->Caption().c_str());
  }
  if (!window_) {
    window_ = std::make_unique<TPopupWindow>(*this);
  }
  TrackPopupMenu(menu.get(), TPM_LEFTALIGN | TPM_RIGHTBUTTON, x, y, 0, window_->Handle(), nullptr);
}

void TPopupMenu::DispatchCommand(UINT command) {
  for (TMenuItem* item : items_) {
    if (item->Command() == command) {
      item->Click();
      return;
    }
  }
}

} // namespace hivelark
