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
  destroying_ = true;
  for (TComponent* peer : std::exchange(freeNotifies_, {})) {
    auto& links = peer->freeNotifies_;
    links.erase(std::remove(links.begin(), links.end(), this), links.end());
    peer->Notification(this);
  }
  // Last created first: later components may refer to earlier ones (a label bound to its field).
  while (!components_.empty()) {
    TComponent* component = components_.back();
    components_.pop_back();
    component->owner_ = nullptr;
    delete component;
  }
  if (owner_ != nullptr) {
    owner_->Remove(this);
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
  if (destroying_) {
    return;
  }
  components_.erase(std::remove(components_.begin(), components_.end(), component),
                    components_.end());
}

} // namespace hivelark
