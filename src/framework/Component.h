#pragma once

#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace hivelark {

// The base of everything that a window owns: controls, menus, dialogs and other non-visual parts.
// A component created with an owner belongs to it (create it with new and keep a plain pointer):
// the owner destroys its components, the last created first. Components carry properties whose
// defaults their constructors set and "On" events (std::function, sender first) raised through
// overridable Do... dispatchers that call the handler only when one is set.
//
// Deleting a component (by its owner, delete or a smart pointer) runs BeforeDestruction first,
// while the whole object still exists, then its destructors: a component that is a local variable
// or a member skips that step and ends by its destructors alone.
class TComponent {
public:
  explicit TComponent(TComponent* owner);
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;
  static void operator delete(TComponent* component, std::destroying_delete_t);

  TComponent* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }

  // The components this one owns, in creation order.
  const std::vector<TComponent*>& Components() const { return components_; }

  // Runs once when the owner's whole layout has been built: first for each owned component, in
  // creation order, then for the owner itself (see FinishLoading).
  virtual void AfterLoad() {}
  // Runs AfterLoad for every owned component, in creation order, then for this one.
  void FinishLoading();

  bool Loading() const { return loading_; }

  // For a component that keeps a pointer to one it does not own (an icon's popup menu): asks to
  // be told through Notification when `component` is destroyed. The link goes both ways and ends
  // when either is destroyed or RemoveFreeNotification is called.
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);

protected:
  // `component`, linked by FreeNotification, is being destroyed: forget every pointer to it.
  virtual void Notification(TComponent* /*component*/) {}

  // The destroy step, run once by delete before any destructor. An override first ends what may
  // call back into the object (a native window), then calls the base, which destroys the owned
  // components, last created first, and tells the linked ones.
  virtual void BeforeDestruction();

private:
  void Insert(TComponent* component);
  void Remove(TComponent* component);
  void DestroyComponents();
  void NotifyLinkedComponents();

  TComponent* owner_;
  std::string name_;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> freeNotifies_;
  bool loading_ = true;
};

// The plain event: takes only the sender.
using TNotifyEvent = std::function<void(TComponent* sender)>;

} // namespace hivelark
