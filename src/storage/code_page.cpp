#include "storage/code_page.h"

#include "storage/unicode.h"

namespace varnel {

std::optional<std::wstring> CodePage::Decode(std::string_view bytes) const {
  if (bytes.empty()) return std::wstring();
  return DecodeBytes(bytes);
}

std::optional<std::string> CodePage::Encode(std::wstring_view text) const {
  if (text.empty()) return std::string();
  std::optional<std::string> bytes = EncodeText(text);
  if (!bytes) return std::nullopt;
  // A conversion table may map a character one way only (to the bytes of a look-alike); such a
  // character has no form of its own in the code page.
  const std::optional<std::wstring> back = DecodeBytes(*bytes);
  if (!back || *back != text) return std::nullopt;
  return bytes;
}

namespace {

class Utf8CodePage final : public CodePage {
 private:
  std::optional<std::wstring> DecodeBytes(std::string_view bytes) const override { return DecodeUtf8(bytes); }
  std::optional<std::string> EncodeText(std::wstring_view text) const override { return EncodeUtf8(text); }
};

}  // namespace

std::unique_ptr<CodePage> MakeUtf8CodePage() { return std::make_unique<Utf8CodePage>(); }

}  // namespace varnel
