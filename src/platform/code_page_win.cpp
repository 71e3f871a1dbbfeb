// Code pages through the Win32 conversion functions; the reference for what a code page holds.
#include <windows.h>

#include <climits>

#include "storage/code_page.h"

namespace varnel {
namespace {

class WindowsCodePage final : public CodePage {
 public:
  explicit WindowsCodePage(UINT number) : number_(number) {}

 private:
  std::optional<std::wstring> DecodeBytes(std::string_view bytes) const override {
    if (bytes.size() > INT_MAX) return std::nullopt;
    const int inSize = static_cast<int>(bytes.size());
    const int size = MultiByteToWideChar(number_, MB_ERR_INVALID_CHARS, bytes.data(), inSize, nullptr, 0);
    if (size <= 0) return std::nullopt;
    std::wstring text(static_cast<std::size_t>(size), L'\0');
    if (MultiByteToWideChar(number_, MB_ERR_INVALID_CHARS, bytes.data(), inSize, text.data(), size) != size) {
      return std::nullopt;
    }
    return text;
  }

  std::optional<std::string> EncodeText(std::wstring_view text) const override {
    if (text.size() > INT_MAX) return std::nullopt;
    const int inSize = static_cast<int>(text.size());
    BOOL usedDefault = FALSE;
    const int size =
        WideCharToMultiByte(number_, WC_NO_BEST_FIT_CHARS, text.data(), inSize, nullptr, 0, nullptr, &usedDefault);
    if (size <= 0 || usedDefault) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (WideCharToMultiByte(number_, WC_NO_BEST_FIT_CHARS, text.data(), inSize, bytes.data(), size, nullptr,
                            &usedDefault) != size ||
        usedDefault) {
      return std::nullopt;
    }
    return bytes;
  }

  UINT number_;
};

}  // namespace

std::unique_ptr<CodePage> MakeCodePage(unsigned number) {
  if (number == kCodePageUtf8) return MakeUtf8CodePage();
  if (!IsValidCodePage(number)) return nullptr;
  return std::make_unique<WindowsCodePage>(number);
}

std::unique_ptr<CodePage> MakeSystemCodePage() { return MakeCodePage(GetACP()); }

}  // namespace varnel
