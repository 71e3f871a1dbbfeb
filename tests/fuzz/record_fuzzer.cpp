// Any bytes as a record file: the reader must not crash, and what it reads must survive being
// written and read again: texts, colours and flags unchanged, numbers stable from the first write.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "storage/note_record.h"

namespace {

using varnel::NoteRecord;
using varnel::NoteValues;

NoteValues ValuesOf(const NoteRecord& r) {
  NoteValues v;
  v.textPath = r.textPath.value_or(L"");
  v.left = r.left.value_or(0);
  v.top = r.top.value_or(0);
  v.width = r.width.value_or(0);
  v.height = r.height.value_or(0);
  v.backColor = r.backColor.value_or(0);
  v.fontName = r.fontName.value_or(L"");
  v.fontSize = r.fontSize.value_or(0);
  v.foreColor = r.foreColor.value_or(0);
  v.bold = r.bold.value_or(false);
  v.italic = r.italic.value_or(false);
  v.webVisible = r.webVisible.value_or(false);
  return v;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::unique_ptr<varnel::CodePage> cp932 = varnel::MakeCodePage(932);
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const NoteValues first = ValuesOf(varnel::ParseRecord(bytes, *cp932));

  const std::optional<std::string> line = varnel::FormatClosedRecord(first, *cp932);
  Check(line.has_value());  // decoded text never holds an unpaired surrogate
  const NoteRecord again = varnel::ParseRecord(*line, *cp932);
  Check(again.textPath == first.textPath && again.fontName == first.fontName);
  Check(again.backColor == first.backColor && again.foreColor == first.foreColor);
  Check(again.bold == first.bold && again.italic == first.italic && again.webVisible == first.webVisible);
  Check(again.left && again.top && again.width && again.height && again.fontSize);
  Check(varnel::FormatClosedRecord(ValuesOf(again), *cp932) == line);
  return 0;
}
