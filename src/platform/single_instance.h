#pragma once
// Tells whether another copy of the program already runs in this user's session.

#include "platform/unique_handle.h"

namespace varnel {

class SingleInstance {
 public:
  explicit SingleInstance(const wchar_t* name);
  // True when another process of this session created the same name first.
  bool AnotherIsRunning() const noexcept { return anotherIsRunning_; }

 private:
  UniqueKernelHandle mutex_;
  bool anotherIsRunning_ = false;
};

}  // namespace varnel
