#pragma once
// Strict conversions between Unicode encodings and the program's strings (UTF-16 code units where
// wchar_t has 16 bits, as on Windows; code points where it has 32). Every function but
// EncodeUtf8Replacing refuses ill-formed input instead of substituting a replacement character.

#include <optional>
#include <string>
#include <string_view>

namespace varnel {

// The UTF-8 byte-order mark, which marks record files and linked text files as UTF-8.
inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// UTF-16 surrogates, for a code unit or a code point alike.
constexpr bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
constexpr bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
constexpr bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// Nothing on overlong forms, encoded surrogates, values above U+10FFFF or a truncated sequence.
std::optional<std::wstring> DecodeUtf8(std::string_view bytes);

// Nothing when the text holds an unpaired surrogate or a value that is not a character.
std::optional<std::string> EncodeUtf8(std::wstring_view text);

// As EncodeUtf8, with U+FFFD for each unpaired surrogate or value that is not a character, so that
// the rest of the text is kept.
std::string EncodeUtf8Replacing(std::wstring_view text);

// Nothing on an odd number of bytes or an unpaired surrogate.
std::optional<std::wstring> DecodeUtf16(std::string_view bytes, bool bigEndian);

std::optional<std::string> EncodeUtf16(std::wstring_view text, bool bigEndian);

// True when every byte is below 0x80.
bool IsAscii(std::string_view bytes);

}  // namespace varnel
