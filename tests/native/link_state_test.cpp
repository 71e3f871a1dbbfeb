// The link's states: what one look at the linked file makes of each, and which of them the note
// marks.

#include <gtest/gtest.h>

#include "note/link_state.h"

namespace varnel {
namespace {

struct LinkCase {
  const char* name;
  LinkState state;
  FileSeen seen;
  bool edited;
  LinkStep step;
};

TEST(LinkStateTest, EachLookLeadsToOneStateAndTellsTheNoteWhenToFollow) {
  using enum LinkState;
  const LinkCase cases[] = {
      {"an unedited note follows another version", InStep, FileSeen::Other, false, {ChangedElsewhere, LinkAction::Follow}},
      {"an edited note is marked instead", Edited, FileSeen::Other, true, {Conflict, LinkAction::None}},
      {"typing seen at a look", InStep, FileSeen::Same, true, {Edited, LinkAction::None}},
      {"typed back to the file", Edited, FileSeen::Same, false, {InStep, LinkAction::None}},
      {"a file put back clears its absence", Gone, FileSeen::Same, false, {InStep, LinkAction::None}},
      {"a file put back keeps the conflict", Conflict, FileSeen::Same, false, {Conflict, LinkAction::None}},
      {"a missing file is marked gone", Edited, FileSeen::Missing, true, {Gone, LinkAction::None}},
      {"a conflict outlasts the file's absence", Conflict, FileSeen::Missing, true, {Conflict, LinkAction::None}},
      {"a file back with other text is followed", Gone, FileSeen::Other, false, {Gone, LinkAction::Follow}},
      {"edits against a file no longer text", Gone, FileSeen::Unusable, true, {Conflict, LinkAction::None}},
      {"an unedited note keeps what it shows", InStep, FileSeen::Unusable, false, {InStep, LinkAction::None}},
      {"a held file tells again later", Conflict, FileSeen::Unreadable, false, {Conflict, LinkAction::None}},
  };
  for (const LinkCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(NextLinkStep(c.state, c.seen, c.edited), c.step);
  }
  EXPECT_EQ(MarkOf(Conflict), LinkMark::Conflict);
  EXPECT_EQ(MarkOf(Gone), LinkMark::Gone);
  EXPECT_EQ(MarkOf(ChangedElsewhere), LinkMark::None);
}

}  // namespace
}  // namespace varnel
