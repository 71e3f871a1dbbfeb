#pragma once
// How long a note waits after a change before it acts on it (writes its journal, looks at its
// file): a quiet pause after the latest change, yet never past a longest wait counted from the
// first change not yet acted on, so that changes that never pause are acted on all the same.

#include <algorithm>
#include <cstdint>

namespace varnel {

// What is left to wait at now, in the milliseconds of firstChangeAt and now; 0 once the longest
// wait is over.
constexpr std::uint64_t WaitAfterChange(std::uint64_t firstChangeAt, std::uint64_t now, std::uint64_t pause,
                                        std::uint64_t longest) noexcept {
  const std::uint64_t deadline = firstChangeAt + longest;
  return deadline > now ? std::min(pause, deadline - now) : 0;
}

}  // namespace varnel
