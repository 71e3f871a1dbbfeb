#include "note/link_state.h"

namespace varnel {

LinkStep NextLinkStep(LinkState state, FileSeen seen, bool edited) noexcept {
  const LinkState typed = edited ? LinkState::Edited : LinkState::InStep;
  const bool marked = MarkOf(state) != LinkMark::None;
  switch (seen) {
    case FileSeen::Unreadable:
      // Its next change tells again.
      return {state, LinkAction::None};
    case FileSeen::Missing:
      return {marked ? state : LinkState::Gone, LinkAction::None};
    case FileSeen::Same:
      // Touched, written by the note itself, or put back as it was.
      return {state == LinkState::Conflict ? state : typed, LinkAction::None};
    case FileSeen::Other:
      if (edited) return {LinkState::Conflict, LinkAction::None};
      return {marked ? state : LinkState::ChangedElsewhere, LinkAction::Follow};
    case FileSeen::Unusable:
      return {edited ? LinkState::Conflict : state, LinkAction::None};
  }
  return {state, LinkAction::None};
}

LinkMark MarkOf(LinkState state) noexcept {
  switch (state) {
    case LinkState::Conflict:
      return LinkMark::Conflict;
    case LinkState::Gone:
      return LinkMark::Gone;
    case LinkState::InStep:
    case LinkState::Edited:
    case LinkState::ChangedElsewhere:
      return LinkMark::None;
  }
  return LinkMark::None;
}

}  // namespace varnel
