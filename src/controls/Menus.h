#pragma once

#include "framework/Component.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace hivelark {

class TPopupMenu;

// One command of a popup menu. Owned like any component (usually by the window whose menu it
// belongs to); a popup menu lists it after TPopupMenu::Add. Main thread only.
class TMenuItem : public TComponent {
public:
  explicit TMenuItem(TComponent* owner);
  ~TMenuItem() override;

  // The text shown; "&" underlines the next character.
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption) { caption_ = caption; }

  // The menu that lists this item, or null.
  TPopupMenu* Menu() const { return menu_; }
  // The command identifier the item carries in the native menu.
  UINT Command() const { return command_; }

  // Runs the item's command, as choosing it in the menu does.
  void Click();

  TNotifyEvent OnClick;

protected:
  virtual void DoClick();

private:
  friend class TPopupMenu;
  std::string caption_;
  TPopupMenu* menu_ = nullptr;
  UINT command_;
};

// A menu that opens at a point of the screen, built from its items each time it opens. A chosen
// item runs its command when the menu's hidden window receives the choice, after Popup has
// returned. Main thread only.
class TPopupMenu : public TComponent {
public:
  explicit TPopupMenu(TComponent* owner);
  ~TPopupMenu() override;

  // Appends `item` (taking it from the menu that listed it before).
  void Add(TMenuItem* item);
  void Remove(TMenuItem* item);
  const std::vector<TMenuItem*>& Items() const { return items_; }

  // Whether the control the menu belongs to opens it on a right click by itself (default true).
  bool AutoPopup() const { return autoPopup_; }
  void SetAutoPopup(bool autoPopup) { autoPopup_ = autoPopup; }
  // The component the menu was last opened for, or null.
  TComponent* PopupComponent() const { return popupComponent_; }
  void SetPopupComponent(TComponent* component);

  // Opens the menu with its top-left corner at the screen point x, y, tracked with either mouse
  // button, and returns when it has closed.
  virtual void Popup(int x, int y);

protected:
  void Notification(TComponent* component) override;

private:
  class TPopupWindow;

  void DispatchCommand(UINT command);

  std::vector<TMenuItem*> items_;
  bool autoPopup_ = true;
  TComponent* popupComponent_ = nullptr;
  std::unique_ptr<TPopupWindow> window_;
};

} // namespace hivelark
