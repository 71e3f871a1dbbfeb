#include "storage/unicode.h"

#include <cstdint>
#include <type_traits>

namespace varnel {
namespace {

constexpr bool kWideIsUtf16 = sizeof(wchar_t) == 2;
constexpr char32_t kReplacementCharacter = 0xFFFD;

void AppendCodePoint(std::wstring& out, char32_t c) {
  if constexpr (kWideIsUtf16) {
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(static_cast<wchar_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<wchar_t>(0xDC00 + (c & 0x3FF)));
      return;
    }
  }
  out.push_back(static_cast<wchar_t>(c));
}

// The character that starts at text[i], advancing i past it; nothing for an unpaired surrogate or
// a value that is not a character.
std::optional<char32_t> NextCodePoint(std::wstring_view text, std::size_t& i) {
  char32_t c = static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(text[i++]));
  if constexpr (kWideIsUtf16) {
    if (IsHighSurrogate(c) && i < text.size()) {
      const char32_t low = static_cast<char16_t>(text[i]);
      if (IsLowSurrogate(low)) {
        ++i;
        return 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
      }
    }
  }
  if (IsSurrogate(c) || c > 0x10FFFF) return std::nullopt;
  return c;
}

unsigned char Byte(std::string_view bytes, std::size_t i) { return static_cast<unsigned char>(bytes[i]); }

void AppendUtf8(std::string& out, char32_t v) {
  if (v < 0x80) {
    out.push_back(static_cast<char>(v));
  } else if (v < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (v >> 6)));
    out.push_back(static_cast<char>(0x80 | (v & 0x3F)));
  } else if (v < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (v >> 12)));
    out.push_back(static_cast<char>(0x80 | ((v >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (v & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (v >> 18)));
    out.push_back(static_cast<char>(0x80 | ((v >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((v >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (v & 0x3F)));
  }
}

}  // namespace

std::optional<std::wstring> DecodeUtf8(std::string_view bytes) {
  std::wstring out;
  out.reserve(bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    const unsigned char lead = Byte(bytes, i);
    if (lead < 0x80) {
      out.push_back(static_cast<wchar_t>(lead));
      ++i;
      continue;
    }
    std::size_t length;
    char32_t c;
    char32_t minimum;
    if ((lead & 0xE0) == 0xC0) {
      length = 2, c = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3, c = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4, c = lead & 0x07, minimum = 0x10000;
    } else {
      return std::nullopt;
    }
    if (bytes.size() - i < length) return std::nullopt;
    for (std::size_t k = 1; k < length; ++k) {
      const unsigned char next = Byte(bytes, i + k);
      if ((next & 0xC0) != 0x80) return std::nullopt;
      c = (c << 6) | (next & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || IsSurrogate(c)) return std::nullopt;
    AppendCodePoint(out, c);
    i += length;
  }
  return out;
}

std::optional<std::string> EncodeUtf8(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const std::optional<char32_t> c = NextCodePoint(text, i);
    if (!c) return std::nullopt;
    AppendUtf8(out, *c);
  }
  return out;
}

std::string EncodeUtf8Replacing(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) AppendUtf8(out, NextCodePoint(text, i).value_or(kReplacementCharacter));
  return out;
}

std::optional<std::wstring> DecodeUtf16(std::string_view bytes, bool bigEndian) {
  if (bytes.size() % 2 != 0) return std::nullopt;
  const auto unit = [&](std::size_t k) -> char32_t {
    const unsigned first = Byte(bytes, 2 * k);
    const unsigned second = Byte(bytes, 2 * k + 1);
    return bigEndian ? (first << 8) | second : (second << 8) | first;
  };
  const std::size_t count = bytes.size() / 2;
  std::wstring out;
  out.reserve(count);
  for (std::size_t k = 0; k < count; ++k) {
    const char32_t c = unit(k);
    if (IsHighSurrogate(c) && k + 1 < count && IsLowSurrogate(unit(k + 1))) {
      AppendCodePoint(out, 0x10000 + ((c - 0xD800) << 10) + (unit(k + 1) - 0xDC00));
      ++k;
    } else if (IsSurrogate(c)) {
      return std::nullopt;
    } else {
      out.push_back(static_cast<wchar_t>(c));
    }
  }
  return out;
}

std::optional<std::string> EncodeUtf16(std::wstring_view text, bool bigEndian) {
  std::string out;
  out.reserve(text.size() * 2);
  const auto put = [&](char32_t u) {
    const char high = static_cast<char>(u >> 8);
    const char low = static_cast<char>(u & 0xFF);
    out.push_back(bigEndian ? high : low);
    out.push_back(bigEndian ? low : high);
  };
  std::size_t i = 0;
  while (i < text.size()) {
    const std::optional<char32_t> c = NextCodePoint(text, i);
    if (!c) return std::nullopt;
    if (*c >= 0x10000) {
      put(0xD800 + ((*c - 0x10000) >> 10));
      put(0xDC00 + ((*c - 0x10000) & 0x3FF));
    } else {
      put(*c);
    }
  }
  return out;
}

bool IsAscii(std::string_view bytes) {
  for (const char b : bytes) {
    if (static_cast<unsigned char>(b) >= 0x80) return false;
  }
  return true;
}

}  // namespace varnel
