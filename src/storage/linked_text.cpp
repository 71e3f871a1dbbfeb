#include "storage/linked_text.h"

#include "storage/unicode.h"

namespace varnel {
namespace {

constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";

std::optional<std::wstring> DecodeAs(std::string_view bytes, TextFormat& format, const CodePage& codePage) {
  if (bytes.starts_with(kUtf8ByteOrderMark)) {
    format.encoding = TextEncoding::kUtf8Bom;
    return DecodeUtf8(bytes.substr(kUtf8ByteOrderMark.size()));
  }
  if (bytes.starts_with(kUtf16LeMark)) {
    format.encoding = TextEncoding::kUtf16LeBom;
    return DecodeUtf16(bytes.substr(kUtf16LeMark.size()), false);
  }
  if (bytes.starts_with(kUtf16BeMark)) {
    format.encoding = TextEncoding::kUtf16BeBom;
    return DecodeUtf16(bytes.substr(kUtf16BeMark.size()), true);
  }
  if (!IsAscii(bytes)) {
    if (std::optional<std::wstring> text = DecodeUtf8(bytes)) {
      format.encoding = TextEncoding::kUtf8;
      return text;
    }
  }
  format.encoding = TextEncoding::kCodePage;
  return codePage.Decode(bytes);
}

std::wstring_view LineEndText(LineEnd lineEnd) {
  switch (lineEnd) {
    case LineEnd::kLf:
      return L"\n";
    case LineEnd::kCr:
      return L"\r";
    case LineEnd::kCrLf:
      break;
  }
  return L"\r\n";
}

// Every line break of the text (CR LF, lone CR, lone LF) replaced by lineEnd; the first break's
// kind goes to firstBreak when given.
std::wstring ReplaceLineBreaks(std::wstring_view text, std::wstring_view lineEnd, LineEnd* firstBreak) {
  std::wstring out;
  out.reserve(text.size() + text.size() / 8);
  bool seen = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c != L'\r' && c != L'\n') {
      out.push_back(c);
      continue;
    }
    LineEnd kind = c == L'\n' ? LineEnd::kLf : LineEnd::kCr;
    if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') {
      kind = LineEnd::kCrLf;
      ++i;
    }
    if (firstBreak && !seen) *firstBreak = kind;
    seen = true;
    out += lineEnd;
  }
  return out;
}

std::optional<std::string> EncodeAs(std::wstring_view text, TextEncoding encoding, const CodePage& codePage) {
  std::optional<std::string> bytes;
  std::string_view mark;
  switch (encoding) {
    case TextEncoding::kCodePage:
      return codePage.Encode(text);
    case TextEncoding::kUtf8:
      return EncodeUtf8(text);
    case TextEncoding::kUtf8Bom:
      mark = kUtf8ByteOrderMark;
      bytes = EncodeUtf8(text);
      break;
    case TextEncoding::kUtf16LeBom:
      mark = kUtf16LeMark;
      bytes = EncodeUtf16(text, false);
      break;
    case TextEncoding::kUtf16BeBom:
      mark = kUtf16BeMark;
      bytes = EncodeUtf16(text, true);
      break;
  }
  if (!bytes) return std::nullopt;
  bytes->insert(0, mark);
  return bytes;
}

}  // namespace

std::optional<DecodedText> DecodeLinkedText(std::string_view bytes, const CodePage& systemCodePage) {
  DecodedText result;
  const std::optional<std::wstring> content = DecodeAs(bytes, result.format, systemCodePage);
  if (!content || content->find(L'\0') != std::wstring::npos) return std::nullopt;
  result.text = ReplaceLineBreaks(*content, L"\r\n", &result.format.lineEnd);
  // The last line's end is not part of the text.
  if (result.text.ends_with(L"\r\n")) result.text.resize(result.text.size() - 2);
  return result;
}

// A zero byte is a NUL character in every multibyte code page and in UTF-8: no lead byte takes it
// as a trail byte. After a UTF-16 mark the units are read in pairs of bytes.
bool FirstBytesShowNoText(std::string_view firstBytes) noexcept {
  if (!firstBytes.starts_with(kUtf16LeMark) && !firstBytes.starts_with(kUtf16BeMark)) {
    return firstBytes.find('\0') != std::string_view::npos;
  }
  for (std::size_t i = kUtf16LeMark.size(); i + 1 < firstBytes.size(); i += 2) {
    if (firstBytes[i] == '\0' && firstBytes[i + 1] == '\0') return true;
  }
  return false;
}

std::optional<EncodedText> EncodeLinkedText(std::wstring_view text, const TextFormat& format,
                                            const CodePage& systemCodePage) {
  const std::wstring_view lineEnd = LineEndText(format.lineEnd);
  const std::wstring content = ReplaceLineBreaks(text, lineEnd, nullptr) + std::wstring(lineEnd);
  const std::wstring shown = ReplaceLineBreaks(text, L"\r\n", nullptr);
  // Bytes are good when the next read finds the same text in them. Code page bytes can fail
  // that even when every character has a form: a few that happen to be valid UTF-8 ("ﾏｯ" is
  // CF AF) or to start like a UTF-8 mark would be read as UTF-8.
  const auto readsBack = [&](const std::string& bytes) {
    const std::optional<DecodedText> again = DecodeLinkedText(bytes, systemCodePage);
    return again && again->text == shown;
  };
  EncodedText result;
  result.format = format;
  std::optional<std::string> bytes = EncodeAs(content, format.encoding, systemCodePage);
  if (!bytes || !readsBack(*bytes)) {
    result.format.encoding = TextEncoding::kUtf8Bom;
    result.fellBack = true;
    bytes = EncodeAs(content, result.format.encoding, systemCodePage);
    if (!bytes || !readsBack(*bytes)) return std::nullopt;
  }
  result.bytes = std::move(*bytes);
  return result;
}

}  // namespace varnel
