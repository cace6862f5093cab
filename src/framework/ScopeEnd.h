#pragma once

#include <utility>

namespace hivelark {

// Runs an action when the scope ends, however it ends.
template <typename Action> class AtScopeEnd {
public:
  explicit AtScopeEnd(Action action) : action_(std::move(action)) {}
  AtScopeEnd(const AtScopeEnd&) = delete;
  AtScopeEnd& operator=(const AtScopeEnd&) = delete;
  ~AtScopeEnd() { action_(); }

private:
  Action action_;
};

} // namespace hivelark
