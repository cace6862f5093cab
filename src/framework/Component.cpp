#include "framework/Component.h"

#include <algorithm>
#include <utility>

namespace hivelark {

TComponent::TComponent(TComponent* owner) : owner_(owner) {
  if (owner_ != nullptr) {
    owner_->Insert(this);
  }
}

TComponent::~TComponent() {
  // Left over only when no delete ran the destroy step (a local variable).
  DestroyComponents();
  NotifyLinkedComponents();
  if (owner_ != nullptr) {
    owner_->Remove(this);
  }
}

// A destroying delete: the destroy step runs while every derived part still exists, so that what
// may call back into this object (its native window, owned components whose events it handles)
// goes first.
void TComponent::operator delete(TComponent* component, std::destroying_delete_t) {
  component->BeforeDestruction();
  void* const storage = dynamic_cast<void*>(component);
  component->~TComponent();
  ::operator delete(storage);
}

void TComponent::BeforeDestruction() {
  DestroyComponents();
  NotifyLinkedComponents();
}

void TComponent::DestroyComponents() {
  // Last created first: later components may refer to earlier ones (a label bound to its field).
  while (!components_.empty()) {
    TComponent* component = components_.back();
    components_.pop_back();
    component->owner_ = nullptr;
    delete component;
  }
}

void TComponent::NotifyLinkedComponents() {
  for (TComponent* peer : std::exchange(freeNotifies_, {})) {
    auto& links = peer->freeNotifies_;
    links.erase(std::remove(links.begin(), links.end(), this), links.end());
    peer->Notification(this);
  }
}

void TComponent::FinishLoading() {
  for (TComponent* component : std::vector<TComponent*>(components_)) {
    component->loading_ = false;
    component->AfterLoad();
  }
  loading_ = false;
  AfterLoad();
}

void TComponent::FreeNotification(TComponent* component) {
  if (component == nullptr || component == this) {
    return;
  }
  if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) == freeNotifies_.end()) {
    freeNotifies_.push_back(component);
    component->freeNotifies_.push_back(this);
  }
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  if (component == nullptr) {
    return;
  }
  freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), component),
                      freeNotifies_.end());
  auto& links = component->freeNotifies_;
  links.erase(std::remove(links.begin(), links.end(), this), links.end());
}

void TComponent::Insert(TComponent* component) {
  components_.push_back(component);
}

void TComponent::Remove(TComponent* component) {
  components_.erase(std::remove(components_.begin(), components_.end(), component),
                    components_.end());
}

} // namespace hivelark
