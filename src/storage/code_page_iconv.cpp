// Code pages through glibc's iconv, for native builds.
#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "storage/code_page.h"

namespace varnel {
namespace {

// Runs one whole conversion; nothing on an invalid, incomplete or unconvertible sequence (iconv
// without "//TRANSLIT" or "//IGNORE" stops at the first one).
std::optional<std::string> Convert(const std::string& to, const std::string& from, const char* in, std::size_t inSize) {
  iconv_t cd = iconv_open(to.c_str(), from.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out(inSize * 4 + 16, '\0');
  char* inPtr = const_cast<char*>(in);  // iconv's signature; the input is not written
  std::size_t inLeft = inSize;
  std::size_t done = 0;
  bool ok = true;
  while (true) {
    char* outPtr = out.data() + done;
    std::size_t outLeft = out.size() - done;
    // Once the input is used up, one more call with no input ends any shift state.
    const bool flushing = inLeft == 0;
    const std::size_t result = iconv(cd, flushing ? nullptr : &inPtr, flushing ? nullptr : &inLeft, &outPtr, &outLeft);
    done = out.size() - outLeft;
    if (result != static_cast<std::size_t>(-1)) {
      if (flushing) break;
      continue;
    }
    if (errno != E2BIG) {
      ok = false;
      break;
    }
    out.resize(out.size() * 2);
  }
  iconv_close(cd);
  if (!ok) return std::nullopt;
  out.resize(done);
  return out;
}

class IconvCodePage final : public CodePage {
 public:
  explicit IconvCodePage(std::string name) : name_(std::move(name)) {}

 private:
  std::optional<std::wstring> DecodeBytes(std::string_view bytes) const override {
    const std::optional<std::string> wide = Convert("WCHAR_T", name_, bytes.data(), bytes.size());
    if (!wide) return std::nullopt;
    std::wstring text(wide->size() / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), wide->data(), text.size() * sizeof(wchar_t));
    return text;
  }

  std::optional<std::string> EncodeText(std::wstring_view text) const override {
    return Convert(name_, "WCHAR_T", reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
  }

  std::string name_;
};

}  // namespace

std::unique_ptr<CodePage> MakeCodePage(unsigned number) {
  if (number == kCodePageUtf8) return MakeUtf8CodePage();
  std::string name = "CP" + std::to_string(number);
  iconv_t probe = iconv_open("WCHAR_T", name.c_str());
  if (probe == reinterpret_cast<iconv_t>(-1)) return nullptr;
  iconv_close(probe);
  return std::make_unique<IconvCodePage>(std::move(name));
}

std::unique_ptr<CodePage> MakeSystemCodePage() { return MakeCodePage(932); }

}  // namespace varnel
