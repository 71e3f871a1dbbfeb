#pragma once
// The local clock.

#include "storage/local_time.h"

namespace varnel {

LocalTime LocalTimeNow() noexcept;

}  // namespace varnel
