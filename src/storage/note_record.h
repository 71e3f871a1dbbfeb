#pragma once
// The note record file: one line holding a note's linked text file path and the geometry and
// appearance of its window, twelve comma-separated values in a fixed order, ended by CR LF.
//
//   C:\memo\memo.txt,1200,900,3000,3000,12632256,ＭＳ Ｐゴシック,9,0,True,False,True
//
// The line is byte text in the system's code page. When the path or the font name has no form in
// that code page, the whole record is written as UTF-8 behind a byte-order mark instead. A path or
// font name holding a comma or a double quote is written between double quotes, an inner quote
// doubled; every other record keeps the plain form above byte for byte.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "storage/code_page.h"

namespace varnel {

// The twelve values as read. A value is unset when its text does not convert (letters in a
// number, invalid bytes in a text); a missing or empty field reads as 0, the empty text or false.
struct NoteRecord {
  std::optional<std::wstring> textPath;
  std::optional<float> left, top, width, height;  // twips
  std::optional<std::int32_t> backColor;          // 0x00BBGGRR
  std::optional<std::wstring> fontName;
  std::optional<float> fontSize;  // points
  std::optional<std::int32_t> foreColor;
  std::optional<bool> bold, italic, webVisible;

  bool operator==(const NoteRecord&) const = default;
};

// A note's live values, as its window holds them when it closes.
struct NoteValues {
  std::wstring textPath;
  float left = 0, top = 0, width = 0, height = 0;
  std::int32_t backColor = 0;
  std::wstring fontName;
  float fontSize = 0;
  std::int32_t foreColor = 0;
  bool bold = false, italic = false, webVisible = false;
};

// Reads the first twelve fields of a record file's bytes. Each field starts after its leading
// blanks and ends at the next "," or line end (CR LF, LF or CR); a line with fewer fields goes on
// with the next line, and fields past the end of the file are missing. Any bytes at all give a
// result, in time linear in their length.
NoteRecord ParseRecord(std::string_view fileBytes, const CodePage& codePage);

// The record a note writes when it closes: colours as signed decimal (12632256), flags "True" and
// "False". Nothing when a text value holds an unpaired surrogate, which no encoding can store.
std::optional<std::string> FormatClosedRecord(const NoteValues& values, const CodePage& codePage);

// The record of a new note for a dropped file at the given position (twips), with the new-note
// size and the design colours ("&H00C0C0C0&", "&H00000000&") and font (storage/note_defaults.h),
// flags "False". Nothing as above.
std::optional<std::string> FormatNewRecord(std::wstring_view path, float left, float top, const CodePage& codePage);

}  // namespace varnel
