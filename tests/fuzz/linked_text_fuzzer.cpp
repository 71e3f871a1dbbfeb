// Any bytes as a linked text file: reading must not crash, and text that was read must be written
// back in a form that reads as the same text, with the same line end and, unless it fell back to
// UTF-8, the same encoding.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "storage/linked_text.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::unique_ptr<varnel::CodePage> cp932 = varnel::MakeCodePage(932);
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::optional<varnel::DecodedText> decoded = varnel::DecodeLinkedText(bytes, *cp932);
  if (!decoded) return 0;

  const std::optional<varnel::EncodedText> encoded = varnel::EncodeLinkedText(decoded->text, decoded->format, *cp932);
  Check(encoded.has_value());
  const std::optional<varnel::DecodedText> again = varnel::DecodeLinkedText(encoded->bytes, *cp932);
  Check(again.has_value() && again->text == decoded->text);
  Check(again->format.lineEnd == decoded->format.lineEnd);
  if (!encoded->fellBack) Check(again->format == decoded->format);
  return 0;
}
