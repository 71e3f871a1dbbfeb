#pragma once
// The edit journal of a note: while the note's text differs from what was last read from or
// written to its linked file, a copy of that text is kept in a journal file beside the note's
// record file, so that a crash, a kill or a power cut loses nothing typed. This file holds the
// portable parts: the journal's bytes and the journal's file names.
//
// Layout (integers unsigned little-endian, text UTF-8 without a byte-order mark):
//
//   offset  size  field
//   0       18    "Varnel journal 2" CR LF
//   18      8     N, the length of the content that follows
//   26      N     content:
//                   8   size of the linked file in bytes
//                   8   last-write time of the linked file
//                   8   Fnv1a64 of the linked file's bytes
//                   8   the linked file's encoding (TextEncoding, 0 to 4)
//                   8   the linked file's line end (LineEnd, 0 to 2)
//                   8   P, the length of the path
//                   P   the linked file's path
//                   8   T, the length of the text
//                   T   the note's text
//   26 + N  8     Fnv1a64 of the bytes from offset 0 to 26 + N
//
// The file is exactly 34 + N bytes. A truncated or lengthened file breaks the length; any one
// changed byte changes the check value (each step of FNV-1a is a bijection of its state), so such
// damage is always detected, and other damage all but always.
//
// Journals of version 1 ("Varnel journal 1" CR LF) lack the encoding and the line end; they are
// still read, with the format of a new, empty file.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "storage/linked_text.h"

namespace varnel {

// FNV-1a, 64 bits: the hash of a linked file's bytes and the journal's check value.
std::uint64_t Fnv1a64(std::string_view bytes);

// What the linked file held when the journal's text started from it, to tell at recovery whether
// the file has changed since.
struct LinkedFileState {
  std::uint64_t size = 0;           // bytes
  std::uint64_t lastWriteTime = 0;  // as the file system reports it; only ever compared
  std::uint64_t hash = 0;           // Fnv1a64 of the file's bytes

  bool operator==(const LinkedFileState&) const = default;
};

struct Journal {
  std::wstring textPath;  // the linked file's path
  LinkedFileState base;
  // How the linked file is written, so that the text can be written to its place the same way
  // when the file itself is gone.
  TextFormat format;
  std::wstring text;  // as the note holds it: lines joined by CR LF

  bool operator==(const Journal&) const = default;
};

// The journal's bytes. The text is kept exactly, NUL characters included, except that an unpaired
// surrogate (which UTF-8 cannot hold) becomes U+FFFD, so that the rest of the text is still kept.
// Nothing when the path holds an unpaired surrogate: a changed path would name another file.
std::optional<std::string> FormatJournal(const Journal& journal);

// Nothing for anything but a whole, undamaged journal of this version or of version 1: a wrong
// header, a wrong length, missing or extra bytes, an unknown format, invalid UTF-8, or a check
// value that does not match.
std::optional<Journal> ParseJournal(std::string_view bytes);

// "787104000.5.dat.varnel-journal": the record file's name (or path) with ".varnel-journal" added.
// It never ends in ".dat" and its short 8.3 name's extension is "VAR", so no listing of "*.dat"
// takes it for a record.
std::wstring JournalFileName(std::wstring_view recordFileName);

// The record file's name (or path) of a journal's name; nothing when the name is not a journal's:
// not ending in ".varnel-journal", or what comes before it not a record's name ("*.dat"), in any
// letter case.
std::optional<std::wstring> RecordFileNameOfJournal(std::wstring_view journalFileName);

// The journal's name in the shared fallback folder, where notes of other application folders keep
// theirs too: the record's name after 16 hex digits of a hash of the record's whole path (letter
// case aside), as a journal's name.
std::wstring FallbackJournalFileName(std::wstring_view recordPath);

// The name a damaged journal is kept under instead of being deleted:
// "787104000.5.dat.varnel-journal.damaged", then ".damaged-2", ".damaged-3", ... for later
// attempts. Neither a record's nor a journal's name (short name extension "DAM").
std::wstring DamagedJournalFileName(std::wstring_view journalFileName, int attempt);

}  // namespace varnel
