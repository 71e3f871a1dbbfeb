#pragma once
// Where a note stands with its linked file, and what one look at the file makes of it. The note
// compares the file's bytes with the ones it last read or wrote itself (the bytes it is in step
// with), so its own writes are never taken for another program's.
//
//             read or saved                 other bytes, not edited: followed
//   (any) ─────────────────────▶ InStep ◀──────────────────── ChangedElsewhere
//                                 │  ▲
//                   typed (seen   │  │ typed back, or read/saved
//                   at a look)    ▼  │
//                                Edited ──── other bytes ────▶ Conflict (marked; asked before
//                                                              either version replaces the other)
//   InStep / Edited ──── missing from a folder that is there ────▶ Gone (marked; back when the
//                                                                   same bytes are there again)

namespace varnel {

enum class LinkState {
  InStep,            // the file holds the bytes the note is in step with, and the note is not edited
  Edited,            // the file is as the note left it; the note's text is edited
  ChangedElsewhere,  // another program changed the file of an unedited note: the note follows it
  Conflict,          // another program changed the file while the note was edited
  Gone,              // the file is missing from a folder that is there
};

// What one look at the file found.
enum class FileSeen {
  Same,        // the bytes the note is in step with
  Other,       // other bytes, text the note can show
  Unusable,    // no text, or more than a note takes: nothing an unedited note can show
  Unreadable,  // cannot be read now (held by its writer, access denied, a drive away)
  Missing,     // missing from a folder that is there
};

// What the note must do after a look.
enum class LinkAction {
  None,
  Follow,  // show the file's new text in place of the old, and be in step with it
};

struct LinkStep {
  LinkState next;
  LinkAction action;
  bool operator==(const LinkStep&) const = default;
};

// The one table of the link's states. edited: whether the note's text differs from the text it is
// in step with. An earlier mark stays where the look says nothing new about it: a file put back as
// it was clears a Gone mark but not a Conflict one; one that the note cannot follow keeps its mark.
LinkStep NextLinkStep(LinkState state, FileSeen seen, bool edited) noexcept;

// What the note shows of its link: nothing, the frame of a conflict, or the file's absence (in
// its tooltip).
enum class LinkMark { None, Conflict, Gone };
LinkMark MarkOf(LinkState state) noexcept;

}  // namespace varnel
