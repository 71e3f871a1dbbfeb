#pragma once
// Conversion between a multibyte code page (the bytes of record files and most linked text files)
// and the program's strings. Windows uses its own conversion functions (platform/code_page_win.cpp,
// in the platform library); native builds use iconv (code_page_iconv.cpp).

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace varnel {

inline constexpr unsigned kCodePageUtf8 = 65001;

class CodePage {
 public:
  virtual ~CodePage() = default;

  // The text of the bytes, or nothing when they hold an invalid or incomplete sequence.
  std::optional<std::wstring> Decode(std::string_view bytes) const;

  // The bytes of the text, or nothing when a character has no exact form in the code page:
  // never a best-fit look-alike, never a default character such as '?'. The bytes are checked to
  // decode back to the same text.
  std::optional<std::string> Encode(std::wstring_view text) const;

 private:
  // Both called with non-empty input only.
  virtual std::optional<std::wstring> DecodeBytes(std::string_view bytes) const = 0;
  virtual std::optional<std::string> EncodeText(std::wstring_view text) const = 0;
};

// The code page with this number (Windows numbering: 932 Japanese, 1252 Western, 65001 UTF-8), or
// nullptr when the system does not provide it.
std::unique_ptr<CodePage> MakeCodePage(unsigned number);

// UTF-8, the same everywhere (code page 65001).
std::unique_ptr<CodePage> MakeUtf8CodePage();

// The system's multibyte code page: the ANSI code page on Windows. Native builds stand in for a
// Japanese system and use code page 932.
std::unique_ptr<CodePage> MakeSystemCodePage();

}  // namespace varnel
