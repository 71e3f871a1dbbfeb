#pragma once
// The linked text file of a note: its bytes to the text box's text and back. The text box holds
// the file's lines joined by CR LF with no line end after the last one; writing adds one line end
// after the last line, so a file read and written back unchanged keeps every byte.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "storage/code_page.h"

namespace varnel {

enum class TextEncoding {
  kCodePage,  // the system code page (plain ASCII files too)
  kUtf8,      // UTF-8 without a byte-order mark, recognised by non-ASCII bytes that are valid UTF-8
  kUtf8Bom,
  kUtf16LeBom,
  kUtf16BeBom,
};

enum class LineEnd { kCrLf, kLf, kCr };

// How a file was written, so that it is written back the same way.
struct TextFormat {
  TextEncoding encoding = TextEncoding::kCodePage;
  LineEnd lineEnd = LineEnd::kCrLf;

  bool operator==(const TextFormat&) const = default;
};

struct DecodedText {
  std::wstring text;  // lines joined by CR LF, no line end after the last
  TextFormat format;
};

// Reads a file's bytes: a byte-order mark (UTF-8, UTF-16 LE or BE) decides the encoding; else
// bytes that are valid UTF-8 and not all ASCII are UTF-8; else the system code page. Lines end at
// CR LF, a lone LF or a lone CR; the first line end found is the file's (CR LF when there is
// none). Nothing when the bytes are not text: invalid in their encoding, or holding a NUL
// character.
std::optional<DecodedText> DecodeLinkedText(std::string_view bytes, const CodePage& systemCodePage);

// How many of a file's first bytes FirstBytesShowNoText is given: every file a note reads is read
// this far before it is read whole.
inline constexpr std::size_t kFirstBytesJudged = 64 * 1024;

// True when a file's first bytes already show that the whole file is no text, so that
// DecodeLinkedText would give nothing for it: they hold a NUL character (a zero byte, or a zero
// unit after a UTF-16 mark), which no text file holds and nearly every other file does early on.
// A file of gigabytes is then refused without reading the rest.
bool FirstBytesShowNoText(std::string_view firstBytes) noexcept;

struct EncodedText {
  std::string bytes;
  TextFormat format;      // the format written, which later writes should keep
  bool fellBack = false;  // the text could not be written in its format: written as UTF-8 with a mark
};

// The bytes of the text box's text in the given format: every line break (CR LF, or a lone CR or
// LF) becomes the format's line end and one more follows the last line. The bytes always read back
// to the same text; when they would not in the given format (a character without a form in the
// code page, or code page bytes that read as UTF-8), the text is written as UTF-8 with a mark.
// Nothing when the text holds an unpaired surrogate or a NUL character, which no text file stores.
std::optional<EncodedText> EncodeLinkedText(std::wstring_view text, const TextFormat& format,
                                            const CodePage& systemCodePage);

}  // namespace varnel
