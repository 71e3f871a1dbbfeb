#include "platform/single_instance.h"

namespace varnel {

SingleInstance::SingleInstance(const wchar_t* name) : mutex_(::CreateMutexW(nullptr, FALSE, name)) {
  // Held until the process ends, so the name lives exactly as long as this instance.
  anotherIsRunning_ = ::GetLastError() == ERROR_ALREADY_EXISTS;
}

}  // namespace varnel
